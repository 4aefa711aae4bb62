// A cell of the package about to hold a text lets go of its formula: the other members of a
// shared formula keep theirs, written out in their own <f> when the master goes. The XML is
// produced when the workbook is saved.
#include <algorithm>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/internal/workbook_impl.h"
#include "spreadsheet/xlsx/formula_refs.h"
#include "spreadsheet/xlsx/ooxml_text.h"
#include "spreadsheet/xlsx/xlsx_backend.h"

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

}  // namespace

void XlsxBackend::dropFormula(Workbook::Impl& wb, std::size_t worksheet, std::uint32_t cellIndex) const
{
    WorksheetState& sheet = *wb.worksheets[worksheet];
    CellRecord& cell = sheet.model.cells[cellIndex];
    if (cell.has(cell_flags::kSharedMaster) || cell.has(cell_flags::kSharedMember)) {
        auto [si, group] = groupOf(sheet.model, cellIndex);
        if (group && cell.has(cell_flags::kSharedMaster)) {
            rehomeSharedFormula(sheet, si, *group, cellIndex);
        } else if (group) {
            group->members.erase(std::find(group->members.begin(), group->members.end(), cellIndex));
        }
    }
    sheet.formulaChanges.erase(cellIndex);
    wb.formulaRemoved = true;
}

}  // namespace veltrano::spreadsheet
