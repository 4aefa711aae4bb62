// Writing a text into a cell: what is checked and decided before the cell changes (whether
// the cell is ours to replace and its format can store a text there, the text's limit, a
// table header's unique name), then the in-memory record of the change. Each format writes
// the changed cells into its file when the workbook is saved.
#include "spreadsheet/cell_ref.h"
#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/internal/workbook_impl.h"

namespace veltrano::spreadsheet {

namespace {

// Renames the table columns whose header is this cell, and keeps totals-row labels in step.
// Returns the text the cell must hold (a header must equal its unique column name).
std::string applyTableRules(Workbook::Impl& wb, WorksheetState& sheet, int row, int column, std::string text,
                            bool& renamed)
{
    for (std::size_t t : sheet.tables) {
        TableModel& table = wb.tables[t];
        int header = table.headerColumnAt(row, column);
        if (header >= 0) {
            text = table.uniqueColumnName(std::size_t(header), text);
            table.renamed[std::size_t(header)] = text;
            renamed = true;
        }
        int label = table.totalsLabelColumnAt(row, column);
        if (label >= 0)
            table.newLabels[std::size_t(label)] = text;
    }
    return text;
}

// The text as the cell is to hold it: valid UTF-8, within a cell's limit (TooLarge else), and
// for a table header its column's unique name.
Result<std::string> decideText(Workbook::Impl& wb, WorksheetState& sheet, int row, int column, std::string_view text,
                               bool& renamed)
{
    std::string value = utf8::sanitize(text);
    // Cut, the text would lose its end without anyone seeing it: the cell keeps what it had.
    if (const std::size_t units = utf8::utf16Length(value); units > std::size_t(kMaxCellTextUnits))
        return Error{ErrorCode::TooLarge, wb.path, sheet.model.name + "!" + cellName(row, column),
                     "the text is " + std::to_string(units) + " characters long, past a cell's limit of "
                         + std::to_string(kMaxCellTextUnits) + "; the cell was left as it was"};
    return applyTableRules(wb, sheet, row, column, std::move(value), renamed);
}

// The cell at (row, column) now holds shared string index: a stored cell lets go of its formula
// and is marked written; a place without one gets an added cell.
void recordWrite(Workbook::Impl& wb, std::size_t worksheet, int row, int column, std::uint32_t index)
{
    WorksheetState& sheet = *wb.worksheets[worksheet];
    std::int64_t found = sheet.model.find(row, column);
    if (found >= 0) {
        auto cellIndex = std::uint32_t(found);
        CellRecord& cell = sheet.model.cells[cellIndex];
        if (cell.has(cell_flags::kFormula))
            wb.backend->dropFormula(wb, worksheet, cellIndex);
        if (cell.type == ValueType::SharedString)
            --wb.sharedStringRefDelta;
        cell.type = ValueType::SharedString;
        cell.value.index = index;
        cell.flags = cell_flags::kWritten;
    } else {
        CellRecord& cell = sheet.added[{row, column}];
        if (cell.type == ValueType::SharedString)
            --wb.sharedStringRefDelta;
        cell.row = std::uint32_t(row);
        cell.column = std::uint16_t(column);
        cell.type = ValueType::SharedString;
        cell.value.index = index;
    }
    ++wb.sharedStringRefDelta;
    sheet.edited = true;
    sheet.model.extendUsedRange(row, column);
    wb.modified = true;
}

}  // namespace

Result<WriteOutcome> Worksheet::setValue(int row, int column, std::string_view text, FormulaPolicy policy)
{
    Workbook::Impl& wb = *m_workbook;
    WorksheetState& sheet = *wb.worksheets[m_index];
    if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
        return Error{ErrorCode::InvalidArgument, wb.path, sheet.model.name,
                     "row " + std::to_string(row) + ", column " + std::to_string(column) + " is outside the sheet"};
    WriteBlock block = writeBlock(row, column, policy);
    if (block != WriteBlock::None)
        return Error{ErrorCode::NotWritable, wb.path, sheet.model.name + "!" + cellName(row, column),
                     std::string(writeBlockReason(block))};
    if (Status storable = wb.backend->checkWrite(wb, m_index, row, column); !storable)
        return storable.error();
    WriteOutcome outcome;
    auto value = decideText(wb, sheet, row, column, text, outcome.renamedColumn);
    if (!value)
        return value.error();
    recordWrite(wb, m_index, row, column, wb.sharedStrings.add(value.value()));
    outcome.storedText = std::move(value.value());
    return outcome;
}

}  // namespace veltrano::spreadsheet
