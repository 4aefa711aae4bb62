#pragma once
// Open Packaging Conventions: relationships, content types and part names.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/internal/part_place.h"
#include "spreadsheet/result.h"

namespace veltrano::spreadsheet::opc {

struct Relationship {
    std::string id;
    std::string type;
    std::string target;  // resolved part name without a leading '/', or as written if external
    bool external = false;
    std::size_t begin = 0, end = 0;  // byte range of the <Relationship> element
};

struct Relationships {
    std::vector<Relationship> items;
    std::size_t endTagBegin = 0;  // offset of </Relationships>, where entries can be added,
    bool emptyElement = false;    // or of the "/>" of an empty <Relationships/>
    std::string prefix;           // element prefix with ':' or ""

    const Relationship* byId(std::string_view id) const;
    // The first internal relationship whose type's short name is shortName (see ns::relTypeName).
    const Relationship* firstOfType(std::string_view shortName) const;
    std::vector<const Relationship*> allOfType(std::string_view shortName) const;
};

// Name of the relationships part of a part: "xl/workbook.xml" → "xl/_rels/workbook.xml.rels";
// "" (the package) → "_rels/.rels".
std::string relationshipsPartName(std::string_view partName);

// Resolves a relationship target against the folder of its source part: handles absolute
// targets, "." and ".." segments and %XX escapes. Returns "" when it climbs above the root.
std::string resolveTarget(std::string_view sourcePart, std::string_view target);

// Parses a relationships part. where names the part in error messages.
Result<Relationships> parseRelationships(std::string_view xml, std::string_view sourcePart, const PartPlace& where);

struct ContentTypes {
    std::map<std::string, std::string> defaults;  // lower-case extension → type
    struct Override {
        std::string type;
        std::size_t begin = 0, end = 0;  // byte range of the <Override> element
    };
    std::map<std::string, Override> overrides;  // lower-case part name without '/' → entry
    std::size_t typesEndTag = 0;                // offset of </Types>, where entries can be added
    std::string prefix;                         // element prefix used in the part ("" usually)

    // The content type of a part, or "" when none applies.
    std::string typeOf(std::string_view partName) const;
};

Result<ContentTypes> parseContentTypes(std::string_view xml, const PartPlace& where);

}  // namespace veltrano::spreadsheet::opc
