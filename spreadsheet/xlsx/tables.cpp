#include "spreadsheet/xlsx/tables.h"

#include <algorithm>
#include <charconv>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/xlsx/formula_refs.h"
#include "spreadsheet/xlsx/namespaces.h"
#include "spreadsheet/xlsx/ooxml_text.h"
#include "spreadsheet/xlsx/part_error.h"
#include "spreadsheet/xlsx/xml_scanner.h"

namespace veltrano::spreadsheet {

namespace {

// Column names compare without case and without trailing spaces.
std::string nameKey(std::string_view name)
{
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return utf8::foldCase(name);
}

}  // namespace

int TableModel::headerColumnAt(int row, int column) const
{
    if (!hasHeaderRow() || row != ref.firstRow || column < ref.firstColumn || column > ref.lastColumn)
        return -1;
    std::size_t index = std::size_t(column - ref.firstColumn);
    return index < columns.size() ? int(index) : -1;
}

int TableModel::totalsLabelColumnAt(int row, int column) const
{
    if (totalsRowCount <= 0 || row != ref.lastRow || column < ref.firstColumn || column > ref.lastColumn)
        return -1;
    std::size_t index = std::size_t(column - ref.firstColumn);
    return index < columns.size() && columns[index].hasTotalsLabel ? int(index) : -1;
}

const std::string& TableModel::columnName(std::size_t index) const
{
    auto found = renamed.find(index);
    return found != renamed.end() ? found->second : columns[index].name;
}

std::string TableModel::uniqueColumnName(std::size_t index, std::string_view text) const
{
    std::string base(text);
    if (nameKey(base).empty())
        base = "Column" + std::to_string(index + 1);
    std::set<std::string> taken;
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (i != index)
            taken.insert(nameKey(columnName(i)));
    std::string candidate = base;
    for (int n = 2; taken.count(nameKey(candidate)); ++n)
        candidate = base + std::to_string(n);
    return candidate;
}

std::string TableModel::serialize() const
{
    struct Splice {
        std::size_t offset, length;
        const std::string* text;
    };
    std::vector<Splice> splices;
    for (const auto& [index, text] : renamed)
        splices.push_back({columns[index].nameOffset, columns[index].nameLength, &text});
    for (const auto& [index, text] : newLabels)
        splices.push_back({columns[index].labelOffset, columns[index].labelLength, &text});
    std::sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) { return a.offset < b.offset; });
    std::string out;
    std::size_t pos = 0;
    for (const auto& s : splices) {
        out.append(xml, pos, s.offset - pos);
        // The value goes between the part's own quotes, whichever they are.
        appendEncodedAttribute(*s.text, out, xml[s.offset - 1]);
        pos = s.offset + s.length;
    }
    out.append(xml, pos, std::string::npos);
    return out;
}

Result<TableModel> parseTable(std::string xmlText, std::string partName, const PartPlace& where,
                              std::set<std::string>& bracketNames)
{
    TableModel table;
    table.xml = std::move(xmlText);
    table.partName = std::move(partName);
    xml::Scanner scanner(table.xml);
    bool inFormula = false;
    std::string formula;
    bool sawRoot = false;
    while (scanner.next()) {
        const int depth = scanner.depth();
        if (scanner.token() == xml::Token::StartElement) {
            if (!ns::isMain(scanner.uri()))
                continue;
            const auto name = scanner.localName();
            if (depth == 1) {
                if (name != "table")
                    return partError(ErrorCode::Damaged, where, scanner.begin(), "root element is not a table");
                sawRoot = true;
                const auto* refAttr = scanner.attribute("ref");
                auto ref = refAttr ? parseRangeName(refAttr->raw) : std::nullopt;
                if (!ref)
                    return partError(ErrorCode::Damaged, where, scanner.begin(), "table without a valid ref");
                table.ref = *ref;
                if (const auto* a = scanner.attribute("name"))
                    table.name = decodeEscapes(xml::attributeValue(*a));
                if (const auto* a = scanner.attribute("displayName"))
                    table.displayName = decodeEscapes(xml::attributeValue(*a));
                table.headerRowCount = xml::intAttribute(scanner.attribute("headerRowCount"), 1);
                table.totalsRowCount = xml::intAttribute(scanner.attribute("totalsRowCount"), 0);
            } else if (depth == 3 && name == "tableColumn") {
                // A renamed header is spliced into the name attribute, which every column has.
                const auto* nameAttribute = scanner.attribute("name");
                if (!nameAttribute)
                    return partError(ErrorCode::Damaged, where, scanner.begin(), "table column without a name");
                TableColumn column;
                column.name = decodeEscapes(xml::attributeValue(*nameAttribute));
                column.nameOffset = nameAttribute->valueOffset;
                column.nameLength = nameAttribute->raw.size();
                if (const auto* a = scanner.attribute("totalsRowLabel")) {
                    column.hasTotalsLabel = true;
                    column.labelOffset = a->valueOffset;
                    column.labelLength = a->raw.size();
                }
                table.columns.push_back(std::move(column));
            } else if (depth == 4 && (name == "calculatedColumnFormula" || name == "totalsRowFormula")) {
                inFormula = true;
                formula.clear();
            }
        } else if (scanner.token() == xml::Token::Text && inFormula) {
            scanner.appendText(formula);
        } else if (scanner.token() == xml::Token::EndElement && inFormula && depth == 4) {
            collectBracketNames(decodeEscapes(formula), bracketNames);
            inFormula = false;
        }
    }
    if (scanner.failed())
        return scanError(where, scanner);
    if (!sawRoot)
        return partError(ErrorCode::Damaged, where, 0, "no <table> element");
    return table;
}

}  // namespace veltrano::spreadsheet
