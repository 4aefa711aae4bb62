#include "batch/scope_cells.h"

namespace veltrano::batch {
namespace {

using core::Scope;
using spreadsheet::CellRange;
using spreadsheet::Worksheet;

// Only the cells the sheet stores: every other cell is empty, and so not ours to translate.
void addCells(Worksheet sheet, std::size_t index, const CellRange& area, std::vector<ScopeCell>& cells)
{
    for (const spreadsheet::CellAddress& at : sheet.storedCells(area)) {
        if (!isOursToTranslate(sheet, at.row, at.column))
            continue;
        std::optional<std::string> text = sheet.storedText(at.row, at.column);
        if (text && !text->empty())
            cells.push_back({index, at.row, at.column, std::move(*text)});
    }
}

// Row 1, column 1 to the used range's last row and column, as the window walks a sheet.
CellRange sheetArea(const Worksheet& sheet)
{
    const CellRange used = sheet.usedRange();
    return {1, 1, used.lastRow, used.lastColumn};
}

}  // namespace

bool isOursToTranslate(const Worksheet& sheet, int row, int column)
{
    return sheet.translationBlock(row, column) == spreadsheet::WriteBlock::None;
}

std::variant<std::vector<ScopeCell>, std::string> cellsInScope(spreadsheet::Workbook& workbook,
                                                               const core::Scope& scope)
{
    std::vector<ScopeCell> cells;
    switch (scope.kind) {
    case Scope::Kind::Workbook:
        for (std::size_t i = 0; i < workbook.worksheetCount(); ++i)
            addCells(workbook.worksheet(i), i, sheetArea(workbook.worksheet(i)), cells);
        break;
    case Scope::Kind::ActiveSheet: {
        const std::size_t active = workbook.activeSheet();
        const auto index = workbook.worksheetOfSheet(active);
        if (!index)
            return "the active sheet \"" + workbook.sheets()[active].name + "\" is not a worksheet";
        addCells(workbook.worksheet(*index), *index, sheetArea(workbook.worksheet(*index)), cells);
        break;
    }
    case Scope::Kind::Block: {
        const auto index = workbook.findWorksheet(scope.sheet);
        if (!index)
            return "it has no worksheet named \"" + scope.sheet + "\"";
        const Worksheet sheet = workbook.worksheet(*index);
        addCells(sheet, *index, scope.block, cells);
        break;
    }
    }
    return cells;
}

}  // namespace veltrano::batch
