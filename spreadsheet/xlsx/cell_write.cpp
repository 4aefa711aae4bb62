// Writing a text into a cell: the checks, the table and shared-formula bookkeeping, and the
// in-memory record of the change. The XML is produced when the workbook is saved.
#include <algorithm>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/internal/workbook_impl.h"
#include "spreadsheet/xlsx/formula_refs.h"
#include "spreadsheet/xlsx/ooxml_text.h"

namespace veltrano::spreadsheet {

namespace {

constexpr std::uint8_t kFormulaFlags = cell_flags::kFormula | cell_flags::kSharedMaster | cell_flags::kSharedMember;

std::string formulaElement(const std::string& prefix, std::string_view attributes, std::string_view formula)
{
    std::string out = "<" + prefix + "f" + std::string(attributes) + ">";
    appendEncodedText(formula, out);
    out += "</" + prefix + "f>";
    return out;
}

// The shared formula group whose members include a cell, with its si.
std::pair<std::uint32_t, SharedFormulaGroup*> groupOf(WorksheetModel& model, std::uint32_t cellIndex)
{
    for (auto& [si, group] : model.sharedFormulas)
        if (std::binary_search(group.members.begin(), group.members.end(), cellIndex))
            return {si, &group};
    return {0, nullptr};
}

// The master of a shared formula is being overwritten: its formula moves to the next member,
// which becomes the master of the others, or, when the next member is not the top-left
// corner of what remains, every remaining member gets its own formula.
void rehomeSharedFormula(WorksheetState& sheet, std::uint32_t si, SharedFormulaGroup& group, std::uint32_t oldMaster)
{
    auto& cells = sheet.model.cells;
    const std::string& prefix = sheet.model.elementPrefix;
    const CellRecord& old = cells[oldMaster];
    std::vector<std::uint32_t> remaining;
    for (auto member : group.members)
        if (member != oldMaster)
            remaining.push_back(member);
    if (remaining.empty()) {
        sheet.model.sharedFormulas.erase(si);
        return;
    }
    CellRange box{int(cells[remaining.front()].row), int(cells[remaining.front()].column),
                  int(cells[remaining.front()].row), int(cells[remaining.front()].column)};
    for (auto member : remaining) {
        box.firstColumn = std::min(box.firstColumn, int(cells[member].column));
        box.lastColumn = std::max(box.lastColumn, int(cells[member].column));
        box.lastRow = std::max(box.lastRow, int(cells[member].row));
    }
    CellRecord& next = cells[remaining.front()];
    if (box.firstColumn == int(next.column)) {
        std::string formula =
            shiftFormula(group.formula, int(next.row) - int(old.row), int(next.column) - int(old.column));
        std::string attributes = " t=\"shared\" ref=\"" + rangeName(box) + "\" si=\"" + std::to_string(si) + "\"";
        sheet.formulaChanges[remaining.front()] = formulaElement(prefix, attributes, formula);
        next.flags = std::uint8_t((next.flags & ~cell_flags::kSharedMember) | cell_flags::kSharedMaster);
        group.master = remaining.front();
        group.formula = std::move(formula);
        group.members = std::move(remaining);
        return;
    }
    for (auto member : remaining) {
        CellRecord& cell = cells[member];
        std::string formula =
            shiftFormula(group.formula, int(cell.row) - int(old.row), int(cell.column) - int(old.column));
        sheet.formulaChanges[member] = formulaElement(prefix, "", formula);
        cell.flags = std::uint8_t((cell.flags & ~kFormulaFlags) | cell_flags::kFormula);
    }
    sheet.model.sharedFormulas.erase(si);
}

void dropFormula(Workbook::Impl& wb, WorksheetState& sheet, std::uint32_t cellIndex)
{
    CellRecord& cell = sheet.model.cells[cellIndex];
    if (cell.has(cell_flags::kSharedMaster) || cell.has(cell_flags::kSharedMember)) {
        auto [si, group] = groupOf(sheet.model, cellIndex);
        if (group && cell.has(cell_flags::kSharedMaster)) {
            rehomeSharedFormula(sheet, si, *group, cellIndex);
        } else if (group) {
            group->members.erase(std::find(group->members.begin(), group->members.end(), cellIndex));
        }
    }
    wb.formulaRemoved = true;
}

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

}  // namespace

Result<WriteOutcome> Worksheet::setValue(int row, int column, std::string_view text, FormulaPolicy policy)
{
    Workbook::Impl& wb = *m_workbook;
    WorksheetState& sheet = *wb.worksheets[m_index];
    if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
        return Error{ErrorCode::InvalidArgument, wb.path + ": " + sheet.model.name + ": row " + std::to_string(row)
                                                     + ", column " + std::to_string(column) + " is outside the sheet"};
    WriteBlock block = writeBlock(row, column, policy);
    if (block != WriteBlock::None)
        return Error{ErrorCode::NotWritable, wb.path + ": " + sheet.model.name + "!" + cellName(row, column) + ": "
                                                 + std::string(writeBlockReason(block))};
    if (Status storable = wb.backend->checkWrite(wb, m_index, row, column); !storable)
        return storable.error();

    WriteOutcome outcome;
    std::string value = utf8::sanitize(text);
    // Cut, the text would lose its end without anyone seeing it: the cell keeps what it had.
    if (const std::size_t units = utf8::utf16Length(value); units > std::size_t(kMaxCellTextUnits))
        return Error{ErrorCode::TooLarge, wb.path + ": " + sheet.model.name + "!" + cellName(row, column)
                                              + ": the text is " + std::to_string(units)
                                              + " characters long, past a cell's limit of "
                                              + std::to_string(kMaxCellTextUnits) + "; the cell was left as it was"};
    value = applyTableRules(wb, sheet, row, column, std::move(value), outcome.renamedColumn);
    const std::uint32_t index = wb.sharedStrings.add(value);

    std::int64_t found = sheet.model.find(row, column);
    if (found >= 0) {
        auto cellIndex = std::uint32_t(found);
        CellRecord& cell = sheet.model.cells[cellIndex];
        if (cell.has(cell_flags::kFormula))
            dropFormula(wb, sheet, cellIndex);
        if (cell.type == ValueType::SharedString)
            --wb.sharedStringRefDelta;
        cell.type = ValueType::SharedString;
        cell.value.index = index;
        cell.flags = cell_flags::kWritten;
        sheet.formulaChanges.erase(cellIndex);
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
    outcome.storedText = std::move(value);
    return outcome;
}

}  // namespace veltrano::spreadsheet
