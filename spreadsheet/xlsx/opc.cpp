#include "spreadsheet/xlsx/opc.h"

#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/xlsx/namespaces.h"
#include "spreadsheet/xlsx/ooxml_text.h"
#include "spreadsheet/xlsx/part_error.h"
#include "spreadsheet/xlsx/xml_scanner.h"
#include "spreadsheet/xlsx/zip_archive.h"

namespace veltrano::spreadsheet::opc {

namespace {

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hexDigitValue(text[i + 1]), low = hexDigitValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += char(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

const Relationship* Relationships::byId(std::string_view id) const
{
    for (const auto& r : items)
        if (r.id == id)
            return &r;
    return nullptr;
}

const Relationship* Relationships::firstOfType(std::string_view shortName) const
{
    for (const auto& r : items)
        if (!r.external && ns::relTypeName(r.type) == shortName)
            return &r;
    return nullptr;
}

std::vector<const Relationship*> Relationships::allOfType(std::string_view shortName) const
{
    std::vector<const Relationship*> found;
    for (const auto& r : items)
        if (!r.external && ns::relTypeName(r.type) == shortName)
            found.push_back(&r);
    return found;
}

std::string relationshipsPartName(std::string_view partName)
{
    std::size_t slash = partName.rfind('/');
    std::string_view folder = slash == std::string_view::npos ? std::string_view{} : partName.substr(0, slash + 1);
    std::string_view file = slash == std::string_view::npos ? partName : partName.substr(slash + 1);
    return std::string(folder) + "_rels/" + std::string(file) + ".rels";
}

std::string resolveTarget(std::string_view sourcePart, std::string_view target)
{
    std::string decoded = percentDecode(target);
    std::size_t cut = decoded.find_first_of("?#");
    if (cut != std::string::npos)
        decoded.resize(cut);
    std::vector<std::string> segments;
    std::string_view path = decoded;
    if (!path.empty() && path.front() == '/') {
        path.remove_prefix(1);
    } else {
        std::size_t slash = sourcePart.rfind('/');
        std::string_view folder = slash == std::string_view::npos ? std::string_view{} : sourcePart.substr(0, slash);
        std::size_t start = 0;
        while (start < folder.size()) {
            std::size_t end = folder.find('/', start);
            if (end == std::string_view::npos)
                end = folder.size();
            if (end > start)
                segments.emplace_back(folder.substr(start, end - start));
            start = end + 1;
        }
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        std::string_view segment = path.substr(start, end - start);
        if (segment == "..") {
            if (segments.empty())
                return {};
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.emplace_back(segment);
        }
        start = end + 1;
    }
    std::string joined;
    for (const auto& s : segments) {
        if (!joined.empty())
            joined += '/';
        joined += s;
    }
    return joined;
}

Result<Relationships> parseRelationships(std::string_view xml, std::string_view sourcePart, const PartPlace& where)
{
    Relationships rels;
    xml::Scanner scanner(xml);
    std::size_t begin = 0;
    while (scanner.next()) {
        if (scanner.depth() == 1 && scanner.localName() == "Relationships") {
            if (scanner.token() == xml::Token::StartElement)
                rels.prefix = scanner.prefix().empty() ? std::string() : std::string(scanner.prefix()) + ":";
            else if ((rels.emptyElement = scanner.begin() == scanner.end()))
                rels.endTagBegin = scanner.end() - 2;
            else
                rels.endTagBegin = scanner.begin();
            continue;
        }
        if (scanner.uri() != ns::kPackageRelationships || scanner.localName() != "Relationship")
            continue;
        if (scanner.token() == xml::Token::StartElement) {
            if (scanner.depth() != 2)
                continue;
            begin = scanner.begin();
            Relationship r;
            const auto* id = scanner.attribute("Id");
            const auto* type = scanner.attribute("Type");
            const auto* target = scanner.attribute("Target");
            if (!id || !type || !target)
                return partError(ErrorCode::Damaged, where, scanner.begin(), "a relationship lacks Id, Type or Target");
            r.id = xml::attributeValue(*id);
            r.type = xml::attributeValue(*type);
            const auto* mode = scanner.attribute("TargetMode");
            r.external = mode && xml::attributeValue(*mode) == "External";
            std::string rawTarget = xml::attributeValue(*target);
            r.target = r.external ? rawTarget : resolveTarget(sourcePart, rawTarget);
            rels.items.push_back(std::move(r));
        } else if (scanner.depth() == 2) {
            rels.items.back().begin = begin;
            rels.items.back().end = scanner.end();
        }
    }
    if (scanner.failed())
        return scanError(where, scanner);
    return rels;
}

std::string ContentTypes::typeOf(std::string_view partName) const
{
    if (!partName.empty() && partName.front() == '/')
        partName.remove_prefix(1);
    auto over = overrides.find(lowerAscii(partName));
    if (over != overrides.end())
        return over->second.type;
    std::size_t dot = partName.rfind('.');
    std::size_t slash = partName.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    auto def = defaults.find(lowerAscii(partName.substr(dot + 1)));
    return def == defaults.end() ? std::string() : def->second;
}

Result<ContentTypes> parseContentTypes(std::string_view xml, const PartPlace& where)
{
    ContentTypes types;
    xml::Scanner scanner(xml);
    std::size_t begin = 0;
    std::string pendingOverride;
    bool sawRoot = false;
    while (scanner.next()) {
        if (scanner.uri() != ns::kContentTypes)
            continue;
        bool start = scanner.token() == xml::Token::StartElement;
        bool end = scanner.token() == xml::Token::EndElement;
        if (scanner.depth() == 1 && scanner.localName() == "Types") {
            if (start) {
                sawRoot = true;
                types.prefix = std::string(scanner.prefix());
            } else if (end) {
                types.typesEndTag = scanner.begin();
            }
            continue;
        }
        if (scanner.depth() != 2)
            continue;
        if (start && scanner.localName() == "Default") {
            const auto* ext = scanner.attribute("Extension");
            const auto* type = scanner.attribute("ContentType");
            if (ext && type)
                types.defaults[lowerAscii(xml::attributeValue(*ext))] = xml::attributeValue(*type);
        } else if (start && scanner.localName() == "Override") {
            const auto* part = scanner.attribute("PartName");
            const auto* type = scanner.attribute("ContentType");
            pendingOverride.clear();
            if (part && type) {
                std::string name = xml::attributeValue(*part);
                std::string key = lowerAscii(percentDecode(name));
                if (!key.empty() && key.front() == '/')
                    key.erase(0, 1);
                pendingOverride = key;
                types.overrides[key].type = xml::attributeValue(*type);
                begin = scanner.begin();
            }
        } else if (end && scanner.localName() == "Override" && !pendingOverride.empty()) {
            auto& entry = types.overrides[pendingOverride];
            entry.begin = begin;
            entry.end = scanner.end();
        }
    }
    if (scanner.failed())
        return scanError(where, scanner);
    if (!sawRoot)
        return partError(ErrorCode::Damaged, where, 0, "not a content-types part");
    return types;
}

}  // namespace veltrano::spreadsheet::opc
