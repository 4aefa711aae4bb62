#include "excel/range.h"

#include "core/sheet_reference.h"
#include "excel/workbook_state.h"
#include "excel/worksheet.h"
#include "spreadsheet/cell_ref.h"

namespace veltrano::excel {

using spreadsheet::CellRange;

Range::Range(std::weak_ptr<WorkbookState> workbook, std::size_t sheet, CellRange area, Axis axis)
    : m_workbook(std::move(workbook)),
      m_sheet(sheet),
      m_area(area),
      m_axis(axis)
{}

Range Range::Rows() const
{
    return Range(m_workbook, m_sheet, m_area, Axis::Rows);
}

Range Range::Columns() const
{
    return Range(m_workbook, m_sheet, m_area, Axis::Columns);
}

std::int64_t Range::Count() const
{
    const std::int64_t rows = std::int64_t(m_area.lastRow) - m_area.firstRow + 1;
    const std::int64_t columns = std::int64_t(m_area.lastColumn) - m_area.firstColumn + 1;
    switch (m_axis) {
    case Axis::Rows:
        return rows;
    case Axis::Columns:
        return columns;
    case Axis::Cells:
        break;
    }
    return rows * columns;
}

Range Range::Item(std::int64_t index) const
{
    if (index < 1)
        throw ExcelError::at(place(), "item " + std::to_string(index) + " does not exist; items count from 1.");
    const std::int64_t offset = index - 1;
    switch (m_axis) {
    case Axis::Rows: {
        const Range first = cellAt(m_area.firstRow + offset, m_area.firstColumn);
        return Range(m_workbook, m_sheet, {first.Row(), m_area.firstColumn, first.Row(), m_area.lastColumn},
                     Axis::Cells);
    }
    case Axis::Columns: {
        const Range first = cellAt(m_area.firstRow, m_area.firstColumn + offset);
        return Range(m_workbook, m_sheet, {m_area.firstRow, first.Column(), m_area.lastRow, first.Column()},
                     Axis::Cells);
    }
    case Axis::Cells:
        break;
    }
    const std::int64_t width = std::int64_t(m_area.lastColumn) - m_area.firstColumn + 1;
    return cellAt(m_area.firstRow + offset / width, m_area.firstColumn + offset % width);
}

Range Range::cellAt(std::int64_t row, std::int64_t column) const
{
    if (row < 1 || row > spreadsheet::kMaxRows || column < 1 || column > spreadsheet::kMaxColumns)
        throw ExcelError::at(place(), "row " + std::to_string(row) + ", column " + std::to_string(column)
                                          + " lies outside the sheet.");
    return Range(m_workbook, m_sheet, {int(row), int(column), int(row), int(column)}, Axis::Cells);
}

class Worksheet Range::Worksheet() const
{
    return excel::Worksheet(m_workbook, m_sheet);
}

std::string Range::Text() const
{
    const auto state = lockWorkbook(m_workbook);
    return state->book.worksheet(m_sheet).text(m_area.firstRow, m_area.firstColumn);
}

std::optional<std::string> Range::Value() const
{
    const auto state = lockWorkbook(m_workbook);
    return state->book.worksheet(m_sheet).storedText(m_area.firstRow, m_area.firstColumn);
}

void Range::setValue(const std::string& text) const
{
    if (m_area.firstRow != m_area.lastRow || m_area.firstColumn != m_area.lastColumn)
        throw ExcelError::at(place(), "a value can be set on one cell at a time here.");
    const auto state = lockWorkbook(m_workbook);
    const auto written = state->book.worksheet(m_sheet).setValue(m_area.firstRow, m_area.firstColumn, text);
    if (!written)
        throw ExcelError(core::engineFailure(written.error(), place()));
}

std::string Range::Address() const
{
    return core::absoluteAddress(m_area);
}

spreadsheet::WriteBlock Range::translationBlock() const
{
    const auto state = lockWorkbook(m_workbook);
    return state->book.worksheet(m_sheet).translationBlock(m_area.firstRow, m_area.firstColumn);
}

Place Range::place() const
{
    const auto state = m_workbook.lock();
    if (!state)
        return {};
    return {state->book.path(), state->book.worksheet(m_sheet).name(), spreadsheet::rangeName(m_area)};
}

}  // namespace veltrano::excel
