#include "excel/worksheet.h"

#include "core/sheet_reference.h"
#include "excel/workbook_state.h"

namespace veltrano::excel {

std::string Worksheet::Name() const
{
    return engineSheet().name();
}

spreadsheet::Worksheet Worksheet::engineSheet() const
{
    return lockWorkbook(m_workbook)->book.worksheet(m_index);
}

std::vector<spreadsheet::CellAddress> Worksheet::storedCells(const spreadsheet::CellRange& area) const
{
    return engineSheet().storedCells(area);
}

Place Worksheet::place(const std::string& cell) const
{
    const auto state = m_workbook.lock();
    if (!state)
        return {};
    return {state->book.path(), state->book.worksheet(m_index).name(), cell};
}

class Range Worksheet::UsedRange() const
{
    return excel::Range(m_workbook, m_index, engineSheet().usedRange(), excel::Range::Axis::Cells);
}

class Range Worksheet::Cells(int row, int column) const
{
    return excel::Range(m_workbook, m_index, {}, excel::Range::Axis::Cells).cellAt(row, column);
}

class Range Worksheet::Range(const std::string& reference) const
{
    const auto parsed = core::parseReference(reference);
    if (!parsed)
        throw ExcelError::at(place(), "\"" + reference + "\" is not a cell reference.");
    if (!parsed->sheet.empty()) {
        const auto state = lockWorkbook(m_workbook);
        if (state->book.findWorksheet(parsed->sheet) != m_index)
            throw ExcelError::at(place(), "\"" + reference + "\" names another sheet.");
    }
    return excel::Range(m_workbook, m_index, parsed->range, excel::Range::Axis::Cells);
}

}  // namespace veltrano::excel
