#pragma once
// Namespace URIs and relationship types of both OOXML families, Transitional and Strict.

#include <string>
#include <string_view>

namespace veltrano::spreadsheet::ns {

enum class Family {
    Transitional,
    Strict
};

inline constexpr std::string_view kMainTransitional = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr std::string_view kMainStrict = "http://purl.oclc.org/ooxml/spreadsheetml/main";
inline constexpr std::string_view kRelTransitional =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr std::string_view kRelStrict = "http://purl.oclc.org/ooxml/officeDocument/relationships";
inline constexpr std::string_view kPackageRelationships =
    "http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr std::string_view kContentTypes = "http://schemas.openxmlformats.org/package/2006/content-types";
inline constexpr std::string_view kMicrosoftRelTypes = "http://schemas.microsoft.com/office/2006/relationships/";
inline constexpr std::string_view kSignatureOriginType =
    "http://schemas.openxmlformats.org/package/2006/relationships/digital-signature/origin";

inline constexpr std::string_view kSharedStringsContentType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";

// True for the SpreadsheetML main namespace of either family.
inline bool isMain(std::string_view uri)
{
    return uri == kMainTransitional || uri == kMainStrict;
}
// True for the relationship-id attribute namespace (r:id) of either family.
inline bool isRel(std::string_view uri)
{
    return uri == kRelTransitional || uri == kRelStrict;
}

inline Family familyOf(std::string_view mainUri)
{
    return mainUri == kMainStrict ? Family::Strict : Family::Transitional;
}
inline std::string_view mainUri(Family f)
{
    return f == Family::Strict ? kMainStrict : kMainTransitional;
}
inline std::string_view relUri(Family f)
{
    return f == Family::Strict ? kRelStrict : kRelTransitional;
}

// The full relationship type of a short name ("worksheet", "sharedStrings") in a family.
inline std::string relType(Family f, std::string_view shortName)
{
    return std::string(relUri(f)) + "/" + std::string(shortName);
}

// The short name of an office relationship type of either family ("worksheet",
// "xlMacrosheet", ...), or the whole type when it belongs to neither.
inline std::string_view relTypeName(std::string_view type)
{
    for (std::string_view base : {kRelTransitional, kRelStrict}) {
        if (type.size() > base.size() + 1 && type.starts_with(base) && type[base.size()] == '/')
            return type.substr(base.size() + 1);
    }
    if (type.starts_with(kMicrosoftRelTypes))
        return type.substr(kMicrosoftRelTypes.size());
    return type;
}

}  // namespace veltrano::spreadsheet::ns
