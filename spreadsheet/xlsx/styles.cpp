#include "spreadsheet/xlsx/styles.h"

#include <charconv>
#include <map>

#include "spreadsheet/xlsx/namespaces.h"
#include "spreadsheet/xlsx/part_error.h"
#include "spreadsheet/xlsx/xml_scanner.h"

namespace veltrano::spreadsheet {

namespace {

CellFormat makeFormat(numfmt::Renderer& renderer, std::string_view code, bool locked)
{
    CellFormat format;
    format.format = renderer.intern(code);
    format.isDateTime = renderer.isDateTime(format.format);
    format.locked = locked;
    return format;
}

}  // namespace

Styles::Styles(numfmt::Renderer& renderer)
{
    m_formats.push_back(makeFormat(renderer, "General", true));
}

Styles Styles::resolve(const std::vector<StoredFormat>& stored, const std::map<int, std::string>& customCodes,
                       numfmt::Renderer& renderer)
{
    Styles styles(renderer);
    if (stored.empty())
        return styles;
    styles.m_formats.clear();
    for (const StoredFormat& format : stored) {
        std::string_view code = "General";
        auto custom = customCodes.find(format.numFmtId);
        if (custom != customCodes.end())
            code = custom->second;
        else if (auto builtin = numfmt::builtinFormatCode(format.numFmtId))
            code = *builtin;
        styles.m_formats.push_back(makeFormat(renderer, code, format.locked));
    }
    return styles;
}

Result<Styles> Styles::parse(std::string_view xml, const PartPlace& where, numfmt::Renderer& renderer)
{
    std::map<int, std::string> customCodes;
    std::vector<StoredFormat> xfs;
    bool inCellXfs = false;
    bool inXf = false;

    xml::Scanner scanner(xml);
    while (scanner.next()) {
        if (!ns::isMain(scanner.uri()))
            continue;
        const auto name = scanner.localName();
        const int depth = scanner.depth();
        if (scanner.token() == xml::Token::StartElement) {
            if (depth == 3 && name == "numFmt") {
                const auto* code = scanner.attribute("formatCode");
                int id = xml::intAttribute(scanner.attribute("numFmtId"), -1);
                if (code && id >= 0)
                    customCodes[id] = xml::attributeValue(*code);
            } else if (depth == 2 && name == "cellXfs") {
                inCellXfs = true;
            } else if (inCellXfs && depth == 3 && name == "xf") {
                xfs.push_back({xml::intAttribute(scanner.attribute("numFmtId"), 0), true});
                inXf = true;
            } else if (inXf && depth == 4 && name == "protection") {
                const auto* locked = scanner.attribute("locked");
                xfs.back().locked = !locked || xml::isTrue(locked->raw);
            }
        } else if (scanner.token() == xml::Token::EndElement) {
            if (depth == 2 && name == "cellXfs")
                inCellXfs = false;
            else if (depth == 3 && name == "xf")
                inXf = false;
        }
    }
    if (scanner.failed())
        return scanError(where, scanner);

    return resolve(xfs, customCodes, renderer);
}

}  // namespace veltrano::spreadsheet
