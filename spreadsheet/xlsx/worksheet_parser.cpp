// Scans a worksheet part once, building the compact cell index. The part can be large (a
// 200,000-row sheet), so nothing here builds a tree: one pass, one record per <c>.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <tuple>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/internal/limits.h"
#include "spreadsheet/internal/worksheet_model.h"
#include "spreadsheet/xlsx/formula_refs.h"
#include "spreadsheet/xlsx/iso_date.h"
#include "spreadsheet/xlsx/namespaces.h"
#include "spreadsheet/xlsx/ooxml_text.h"
#include "spreadsheet/xlsx/part_error.h"
#include "spreadsheet/xlsx/worksheet_parser.h"
#include "spreadsheet/xlsx/xml_scanner.h"

namespace veltrano::spreadsheet {

namespace {

bool parseUnsigned(std::string_view text, std::uint32_t& value)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseNumber(std::string_view text, double& value)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

class WorksheetParser {
public:
    WorksheetParser(WorksheetModel& model, const WorksheetParseContext& context, const PartPlace& where)
        : m_model(model),
          m_context(context),
          m_where(where),
          m_scanner(model.xml)
    {}

    Status run();

private:
    enum class Child {
        None,
        Value,
        Formula,
        Inline
    };

    Status fail(std::size_t offset, const std::string& what)
    {
        return partError(ErrorCode::Damaged, m_where, offset, what);
    }
    Status cellFail(const std::string& what)
    {
        return fail(m_cellBegin, "cell " + cellName(int(m_cell.row), m_cell.column) + ": " + what);
    }

    Status startElement();
    Status endElement();
    Status startRow();
    Status startCell();
    Status finishCell();
    Status finishFormula();
    Status sortIfNeeded();

    WorksheetModel& m_model;
    const WorksheetParseContext& m_context;
    const PartPlace& m_where;
    xml::Scanner m_scanner;

    bool m_inSheetData = false;
    bool m_inRow = false;
    bool m_inCell = false;
    Child m_child = Child::None;
    int m_skipDepth = 0;  // inside a phonetic run of an inline string
    bool m_inInlineT = false;
    bool m_collectOuterFormula = false;
    bool m_sorted = true;

    std::uint32_t m_row = 0;
    std::uint32_t m_lastColumn = 0;
    std::uint32_t m_rowIndex = 0;
    CellRecord m_cell;
    std::size_t m_cellBegin = 0;
    std::string_view m_type;
    bool m_hasValue = false;
    bool m_hasInline = false;
    bool m_hasCm = false;
    std::string m_value;
    std::string m_formula;
    bool m_hasFormula = false;
    std::string_view m_formulaType, m_formulaRef, m_formulaSi;
    std::string m_outerFormula;
};

Status WorksheetParser::run()
{
    // A typical cell takes 40 to 60 bytes of XML; reserving saves most regrowth on big sheets.
    // Capped: a part of mostly whitespace would otherwise reserve memory for cells it lacks.
    constexpr std::size_t kMaxReservedCells = std::size_t(1) << 21;
    m_model.cells.reserve(std::min(m_model.xml.size() / 40, kMaxReservedCells));
    while (m_scanner.next()) {
        Status status;
        switch (m_scanner.token()) {
        case xml::Token::StartElement:
            status = startElement();
            break;
        case xml::Token::EndElement:
            status = endElement();
            break;
        case xml::Token::Text:
            if (m_child == Child::Value || (m_child == Child::Inline && m_inInlineT))
                m_scanner.appendText(m_value);
            else if (m_child == Child::Formula)
                m_scanner.appendText(m_formula);
            else if (m_collectOuterFormula)
                m_scanner.appendText(m_outerFormula);
            break;
        case xml::Token::End:
            break;
        }
        if (!status)
            return status;
    }
    if (m_scanner.failed())
        return scanError(m_where, m_scanner);
    return sortIfNeeded();
}

Status WorksheetParser::startElement()
{
    const int depth = m_scanner.depth();
    const bool main = ns::isMain(m_scanner.uri());
    const auto name = m_scanner.localName();
    if (depth == 1) {
        if (!main || name != "worksheet")
            return fail(m_scanner.begin(), "root element is not a worksheet");
        m_model.elementPrefix = m_scanner.prefix().empty() ? std::string() : std::string(m_scanner.prefix()) + ":";
        return {};
    }
    if (m_inCell) {
        if (depth == 5 && main) {
            if (name == "v") {
                m_child = Child::Value;
                m_hasValue = true;
                m_value.clear();
            } else if (name == "f") {
                m_child = Child::Formula;
                m_hasFormula = true;
                m_formula.clear();
                auto raw = [&](const char* attribute) {
                    const auto* a = m_scanner.attribute(attribute);
                    return a ? a->raw : std::string_view{};
                };
                m_formulaType = raw("t");
                m_formulaRef = raw("ref");
                m_formulaSi = raw("si");
            } else if (name == "is") {
                m_child = Child::Inline;
                m_hasInline = true;
                m_value.clear();
            }
        } else if (m_child == Child::Inline && m_skipDepth == 0) {
            if (name == "rPh" || name == "phoneticPr")
                m_skipDepth = depth;
            else if (name == "t" && (depth == 6 || depth == 7))
                m_inInlineT = true;
        }
        return {};
    }
    if (m_inRow && depth == 4 && main && name == "c")
        return startCell();
    if (m_inSheetData && depth == 3 && main && name == "row")
        return startRow();
    if (depth == 2 && main && name == "sheetData") {
        m_inSheetData = true;
        m_model.sheetDataStartTagEnd = std::uint32_t(m_scanner.end());
        m_model.sheetDataEmptyElement = m_scanner.isEmptyElement();
        if (m_scanner.isEmptyElement())
            m_model.sheetDataEndTagBegin = std::uint32_t(m_scanner.end() - 2);
        return {};
    }
    if (m_inSheetData)
        return {};
    if (depth == 2 && main && name == "sheetProtection") {
        const auto* sheet = m_scanner.attribute("sheet");
        m_model.isProtected = sheet && xml::isTrue(sheet->raw);
    } else if (depth == 3 && main && name == "tablePart") {
        for (const auto& a : m_scanner.attributes())
            if (a.local == "id" && ns::isRel(a.uri))
                m_model.tableRelationshipIds.push_back(xml::attributeValue(a));
    } else if (name == "f" || name == "formula" || name == "formula1" || name == "formula2") {
        // Conditional formatting, data validation and their extensions may name table columns.
        m_collectOuterFormula = true;
        m_outerFormula.clear();
    }
    return {};
}

Status WorksheetParser::endElement()
{
    const int depth = m_scanner.depth();
    if (m_inCell) {
        if (depth == 4)
            return finishCell();
        if (m_skipDepth == depth)
            m_skipDepth = 0;
        else if (m_inInlineT && (depth == 6 || depth == 7) && m_scanner.localName() == "t")
            m_inInlineT = false;
        else if (depth == 5)
            m_child = Child::None;
        return {};
    }
    if (m_inRow && depth == 3) {
        RowRecord& row = m_model.rows[m_rowIndex];
        row.endTagBegin =
            std::uint32_t(m_scanner.isEmptyElement() || m_scanner.begin() == m_scanner.end() ? row.startTagEnd - 2
                                                                                             : m_scanner.begin());
        row.cellCount = std::uint32_t(m_model.cells.size()) - row.firstCell;
        m_inRow = false;
        return {};
    }
    if (m_inSheetData && depth == 2) {
        if (!m_model.sheetDataEmptyElement)
            m_model.sheetDataEndTagBegin = std::uint32_t(m_scanner.begin());
        m_inSheetData = false;
        return {};
    }
    if (m_collectOuterFormula) {
        collectBracketNames(decodeEscapes(m_outerFormula), *m_context.bracketNames);
        m_collectOuterFormula = false;
    }
    return {};
}

Status WorksheetParser::startRow()
{
    const auto* r = m_scanner.attribute("r");
    std::uint32_t number = m_row + 1;
    if (r && (!parseUnsigned(r->raw, number) || number < 1 || number > std::uint32_t(kMaxRows)))
        return fail(m_scanner.begin(), "row number \"" + std::string(r->raw) + "\" is not valid");
    // A row without a number follows the one before it, which may have been the last.
    if (number > std::uint32_t(kMaxRows))
        return fail(m_scanner.begin(), "row " + std::to_string(number) + " lies past the last row of a sheet");
    if (!m_model.rows.empty() && number <= m_model.rows.back().row)
        m_sorted = false;
    m_row = number;
    m_lastColumn = 0;
    m_inRow = true;
    RowRecord row;
    row.row = number;
    row.firstCell = std::uint32_t(m_model.cells.size());
    row.begin = std::uint32_t(m_scanner.begin());
    row.startTagEnd = std::uint32_t(m_scanner.end());
    row.emptyElement = m_scanner.isEmptyElement();
    m_rowIndex = std::uint32_t(m_model.rows.size());
    m_model.rows.push_back(row);
    return {};
}

Status WorksheetParser::startCell()
{
    m_inCell = true;
    m_cell = CellRecord{};
    m_cellBegin = m_scanner.begin();
    m_cell.begin = std::uint32_t(m_scanner.begin());
    m_cell.row = m_row;
    m_cell.column = std::uint16_t(m_lastColumn + 1);
    m_type = {};
    m_hasValue = m_hasInline = m_hasFormula = m_hasCm = false;
    m_child = Child::None;
    m_skipDepth = 0;
    m_inInlineT = false;
    for (const auto& a : m_scanner.attributes()) {
        if (!a.prefix.empty())
            continue;
        if (a.local == "r") {
            auto address = parseCellName(a.raw);
            if (!address)
                return fail(a.valueOffset, "cell reference \"" + std::string(a.raw) + "\" is not valid");
            if (std::uint32_t(address->row) != m_row)
                return fail(a.valueOffset, "cell " + std::string(a.raw) + " is inside row " + std::to_string(m_row));
            m_cell.column = std::uint16_t(address->column);
        } else if (a.local == "s") {
            if (!parseUnsigned(a.raw, m_cell.style))
                return fail(a.valueOffset, "style index \"" + std::string(a.raw) + "\" is not valid");
        } else if (a.local == "t") {
            m_type = a.raw;
        } else if (a.local == "vm") {
            m_cell.flags |= cell_flags::kRichValue;
        } else if (a.local == "cm") {
            m_hasCm = true;
        }
    }
    if (m_cell.column > kMaxColumns)
        return cellFail("column beyond the sheet");
    if (m_cell.column <= m_lastColumn)
        m_sorted = false;
    m_lastColumn = m_cell.column;
    return {};
}

Status WorksheetParser::finishFormula()
{
    m_cell.flags |= cell_flags::kFormula;
    const std::uint32_t index = std::uint32_t(m_model.cells.size());
    std::string formula = decodeEscapes(m_formula);
    if (formula.find('[') != std::string::npos)
        collectBracketNames(formula, *m_context.bracketNames);
    if (m_formulaType == "shared") {
        std::uint32_t si = 0;
        if (!parseUnsigned(m_formulaSi, si))
            return cellFail("shared formula without a valid si");
        SharedFormulaGroup& group = m_model.sharedFormulas[si];
        if (!formula.empty() || !m_formulaRef.empty()) {
            if (group.master != UINT32_MAX)
                return cellFail("second master of shared formula " + std::to_string(si));
            m_cell.flags |= cell_flags::kSharedMaster;
            group.master = index;
            group.formula = std::move(formula);
        } else {
            m_cell.flags |= cell_flags::kSharedMember;
        }
        group.members.push_back(index);
    } else if (m_formulaType == "array" || m_formulaType == "dataTable") {
        auto ref = parseRangeName(m_formulaRef);
        if (!ref)
            return cellFail("formula range \"" + std::string(m_formulaRef) + "\" is not valid");
        bool singleCell = ref->firstRow == ref->lastRow && ref->firstColumn == ref->lastColumn;
        if (m_formulaType == "dataTable")
            m_model.blocked.push_back({*ref, WriteBlock::DataTable});
        else if (!singleCell)
            m_model.blocked.push_back({*ref, m_hasCm ? WriteBlock::SpillRange : WriteBlock::ArrayFormula});
    }
    return {};
}

Status WorksheetParser::finishCell()
{
    m_inCell = false;
    m_child = Child::None;
    m_cell.end = std::uint32_t(m_scanner.end());
    if (m_hasFormula) {
        Status status = finishFormula();
        if (!status)
            return status;
    }
    const std::string_view type = m_type;
    auto storeText = [&](std::string_view text) {
        if (m_model.texts.size() + text.size() > UINT32_MAX)
            return false;
        m_cell.value.text = TextSpan{std::uint32_t(m_model.texts.size()), std::uint32_t(text.size())};
        m_model.texts.append(text);
        return true;
    };
    if (type == "inlineStr") {
        if (m_hasInline) {
            m_cell.type = ValueType::Text;
            if (!storeText(utf8::sanitize(decodeEscapes(m_value))))
                return cellFail("too much text");
        }
    } else if (!m_hasValue || m_value.empty()) {
        m_cell.type = ValueType::None;
    } else if (type == "s") {
        std::uint32_t index = 0;
        if (!parseUnsigned(m_value, index))
            return cellFail("shared string index \"" + m_value + "\" is not a number");
        m_model.sharedStringsNamed = std::max<std::uint64_t>(m_model.sharedStringsNamed, std::uint64_t(index) + 1);
        m_cell.type = ValueType::SharedString;
        m_cell.value.index = index;
    } else if (type == "str") {
        m_cell.type = ValueType::Text;
        if (!storeText(decodeEscapes(m_value)))
            return cellFail("too much text");
    } else if (type == "b") {
        m_cell.type = ValueType::Boolean;
        m_cell.value.number = (m_value == "1" || m_value == "true") ? 1.0 : 0.0;
    } else if (type == "e") {
        m_cell.type = ValueType::Error;
        if (!storeText(m_value))
            return cellFail("too much text");
    } else if (type == "d") {
        auto serial = isoDateToSerial(m_value, m_context.dateSystem);
        if (!serial)
            return cellFail("date \"" + m_value + "\" is not an ISO 8601 date");
        m_cell.type = ValueType::Number;
        m_cell.flags |= cell_flags::kIsoDate;
        m_cell.value.number = *serial;
    } else if (type.empty() || type == "n") {
        double number = 0;
        if (!parseNumber(m_value, number))
            return cellFail("number \"" + m_value + "\" cannot be read");
        m_cell.type = ValueType::Number;
        m_cell.value.number = number;
    } else {
        return cellFail("unknown cell type \"" + std::string(type) + "\"");
    }
    if (m_cell.type != ValueType::None)
        m_model.extendUsedRange(int(m_cell.row), int(m_cell.column));
    if (m_model.cells.size() >= m_context.maxCells)
        return partError(ErrorCode::TooLarge, m_where, m_cellBegin,
                         "the workbook holds more cells than the limit of " + std::to_string(kMaxStoredCells));
    m_model.cells.push_back(m_cell);
    return {};
}

// Rows or cells written out of order are rare but legal to meet; the index must be sorted.
Status WorksheetParser::sortIfNeeded()
{
    auto& cells = m_model.cells;
    auto& rows = m_model.rows;
    if (!m_sorted) {
        std::vector<std::uint32_t> order(cells.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return std::tie(cells[a].row, cells[a].column) < std::tie(cells[b].row, cells[b].column);
        });
        std::vector<std::uint32_t> newIndex(cells.size());
        std::vector<CellRecord> sorted;
        sorted.reserve(cells.size());
        for (std::uint32_t i = 0; i < order.size(); ++i) {
            newIndex[order[i]] = i;
            sorted.push_back(cells[order[i]]);
        }
        cells = std::move(sorted);
        for (auto& [si, group] : m_model.sharedFormulas) {
            if (group.master != UINT32_MAX)
                group.master = newIndex[group.master];
            for (auto& member : group.members)
                member = newIndex[member];
            std::sort(group.members.begin(), group.members.end());
        }
        std::stable_sort(rows.begin(), rows.end(),
                         [](const RowRecord& a, const RowRecord& b) { return a.row < b.row; });
        // Rebuild each row's span of cells.
        std::size_t next = 0;
        for (auto& row : rows) {
            while (next < cells.size() && cells[next].row < row.row)
                ++next;
            row.firstCell = std::uint32_t(next);
            while (next < cells.size() && cells[next].row == row.row)
                ++next;
            row.cellCount = std::uint32_t(next) - row.firstCell;
        }
    }
    for (std::size_t i = 1; i < rows.size(); ++i)
        if (rows[i].row == rows[i - 1].row)
            return fail(rows[i].begin, "row " + std::to_string(rows[i].row) + " appears twice");
    for (std::size_t i = 1; i < cells.size(); ++i)
        if (cells[i].row == cells[i - 1].row && cells[i].column == cells[i - 1].column)
            return fail(cells[i].begin, "cell " + cellName(int(cells[i].row), cells[i].column) + " appears twice");
    for (const auto& [si, group] : m_model.sharedFormulas)
        if (group.master == UINT32_MAX)
            return fail(0, "shared formula " + std::to_string(si) + " has no master cell");
    return {};
}

}  // namespace

Status checkSharedStringIndexes(const WorksheetModel& model, std::size_t count, const PartPlace& where)
{
    if (model.sharedStringsNamed <= count)
        return {};
    for (const CellRecord& cell : model.cells)
        if (cell.type == ValueType::SharedString && cell.value.index >= count)
            return partError(ErrorCode::Damaged, where, cell.begin,
                             "cell " + cellName(int(cell.row), cell.column) + ": shared string index "
                                 + std::to_string(cell.value.index) + " is out of range");
    return {};
}

Status parseWorksheet(WorksheetModel& model, const WorksheetParseContext& context, const PartPlace& where)
{
    return WorksheetParser(model, context, where).run();
}

}  // namespace veltrano::spreadsheet
