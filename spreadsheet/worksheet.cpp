// Reading cells of a worksheet: lookups by row and column, displayed text, kind, and whether
// a value is ours to replace.
#include "spreadsheet/cell_ref.h"
#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/internal/workbook_impl.h"
#include "spreadsheet/xlsx/formula_refs.h"

#include <algorithm>

namespace veltrano::spreadsheet {

namespace {

bool inSheet(int row, int column)
{
    return row >= 1 && row <= kMaxRows && column >= 1 && column <= kMaxColumns;
}

const CellRecord* findCell(const WorksheetState& sheet, int row, int column)
{
    if (!inSheet(row, column))
        return nullptr;
    std::int64_t index = sheet.model.find(row, column);
    if (index >= 0)
        return &sheet.model.cells[std::size_t(index)];
    if (sheet.added.empty())
        return nullptr;
    auto found = sheet.added.find({row, column});
    return found == sheet.added.end() ? nullptr : &found->second;
}

bool tableColumnInUse(const Workbook::Impl& wb, const TableModel& table, std::size_t column)
{
    if (wb.bracketNames.count(bracketNameKey(table.columns[column].name)))
        return true;
    const std::string tableName = utf8::foldCase(table.name);
    const std::string displayName = utf8::foldCase(table.displayName);
    const std::string& sheetName = wb.worksheets[table.worksheet]->model.name;
    for (const auto& source : wb.pivotSources) {
        if (!source.name.empty() && (source.name == tableName || source.name == displayName))
            return true;
        if (source.ref && source.sheet == utf8::foldCase(sheetName)
            && source.ref->contains(table.ref.firstRow, table.ref.firstColumn + int(column)))
            return true;
    }
    return false;
}

}  // namespace

const std::string& Worksheet::name() const
{
    return m_workbook->worksheets[m_index]->model.name;
}

CellRange Worksheet::usedRange() const
{
    const WorksheetModel& model = m_workbook->worksheets[m_index]->model;
    if (model.lastValueRow == 0)
        return CellRange{};
    return CellRange{model.firstValueRow, model.firstValueColumn, model.lastValueRow, model.lastValueColumn};
}

std::string Worksheet::text(int row, int column) const
{
    const Workbook::Impl& wb = *m_workbook;
    const WorksheetState& sheet = *wb.worksheets[m_index];
    const CellRecord* cell = findCell(sheet, row, column);
    if (!cell)
        return {};
    const CellFormat& format = wb.styles->of(cell->style);
    switch (cell->type) {
    case ValueType::None:
        return {};
    case ValueType::Number:
        return wb.renderer->number(format.format, cell->value.number);
    case ValueType::SharedString:
        return wb.renderer->text(format.format, wb.sharedStrings.at(cell->value.index));
    case ValueType::Text:
        return wb.renderer->text(format.format, sheet.model.textOf(*cell));
    case ValueType::Boolean:
        return std::string(numfmt::booleanText(cell->value.number != 0));
    case ValueType::Error:
        return std::string(sheet.model.textOf(*cell));
    }
    return {};
}

std::optional<std::string> Worksheet::storedText(int row, int column) const
{
    const Workbook::Impl& wb = *m_workbook;
    const WorksheetState& sheet = *wb.worksheets[m_index];
    const CellRecord* cell = findCell(sheet, row, column);
    if (!cell || cell->has(cell_flags::kFormula))
        return std::nullopt;
    if (cell->type == ValueType::SharedString)
        return std::string(wb.sharedStrings.at(cell->value.index));
    if (cell->type == ValueType::Text)
        return std::string(sheet.model.textOf(*cell));
    return std::nullopt;
}

std::vector<CellAddress> Worksheet::storedCells(const CellRange& range) const
{
    const WorksheetState& sheet = *m_workbook->worksheets[m_index];
    const WorksheetModel& model = sheet.model;
    std::vector<CellAddress> stored;
    auto row = std::lower_bound(model.rows.begin(), model.rows.end(), range.firstRow,
                                [](const RowRecord& r, int value) { return int(r.row) < value; });
    for (; row != model.rows.end() && int(row->row) <= range.lastRow; ++row) {
        const auto first = model.cells.begin() + row->firstCell;
        const auto last = first + row->cellCount;
        auto cell = std::lower_bound(first, last, range.firstColumn,
                                     [](const CellRecord& c, int value) { return c.column < value; });
        for (; cell != last && cell->column <= range.lastColumn; ++cell)
            stored.push_back({int(cell->row), int(cell->column)});
    }
    if (sheet.added.empty())
        return stored;
    // Cells written where the part had none, merged in their places.
    std::vector<CellAddress> added;
    for (const auto& [place, cell] : sheet.added)
        if (range.contains(place.first, place.second))
            added.push_back({place.first, place.second});
    std::vector<CellAddress> merged(stored.size() + added.size());
    std::merge(stored.begin(), stored.end(), added.begin(), added.end(), merged.begin(),
               [](const CellAddress& a, const CellAddress& b) {
                   return std::pair(a.row, a.column) < std::pair(b.row, b.column);
               });
    return merged;
}

CellKind Worksheet::kind(int row, int column) const
{
    const Workbook::Impl& wb = *m_workbook;
    const CellRecord* cell = findCell(*wb.worksheets[m_index], row, column);
    if (!cell)
        return CellKind::Empty;
    if (cell->has(cell_flags::kFormula))
        return CellKind::Formula;
    switch (cell->type) {
    case ValueType::None:
        return CellKind::Empty;
    case ValueType::Number:
        return cell->has(cell_flags::kIsoDate) || wb.styles->of(cell->style).isDateTime ? CellKind::Date
                                                                                        : CellKind::Number;
    case ValueType::SharedString:
    case ValueType::Text:
        return CellKind::Text;
    case ValueType::Boolean:
        return CellKind::Boolean;
    case ValueType::Error:
        return CellKind::Error;
    }
    return CellKind::Empty;
}

WriteBlock Worksheet::writeBlock(int row, int column, FormulaPolicy policy) const
{
    const Workbook::Impl& wb = *m_workbook;
    const WorksheetState& sheet = *wb.worksheets[m_index];
    for (const auto& area : sheet.model.blocked)
        if (area.range.contains(row, column))
            return area.reason;
    const CellRecord* cell = findCell(sheet, row, column);
    if (cell && cell->has(cell_flags::kRichValue))
        return WriteBlock::RichValue;
    if (cell && cell->has(cell_flags::kFormula) && policy == FormulaPolicy::Keep)
        return WriteBlock::Formula;
    if (sheet.model.isProtected && wb.styles->of(cell ? cell->style : 0).locked)
        return WriteBlock::ProtectedCell;
    for (std::size_t t : sheet.tables) {
        const TableModel& table = wb.tables[t];
        int header = table.headerColumnAt(row, column);
        if (header >= 0 && tableColumnInUse(wb, table, std::size_t(header)))
            return WriteBlock::TableColumnInUse;
    }
    return WriteBlock::None;
}

WriteBlock Worksheet::translationBlock(int row, int column) const
{
    if (const WriteBlock block = writeBlock(row, column); block != WriteBlock::None)
        return block;
    switch (kind(row, column)) {
    case CellKind::Text:
        return WriteBlock::None;
    case CellKind::Number:
        return WriteBlock::NumberValue;
    case CellKind::Date:
        return WriteBlock::DateValue;
    case CellKind::Boolean:
        return WriteBlock::BooleanValue;
    case CellKind::Error:
        return WriteBlock::ErrorValue;
    case CellKind::Formula:
        return WriteBlock::Formula;
    case CellKind::Empty:
        break;
    }
    return WriteBlock::EmptyCell;
}

}  // namespace veltrano::spreadsheet
