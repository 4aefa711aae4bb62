#include "batch/scope_cells.h"

#include <algorithm>

namespace veltrano::batch {
namespace {

using spreadsheet::CellRange;
using spreadsheet::Worksheet;

void addCells(Worksheet sheet, std::size_t index, const CellRange& area, std::vector<ScopeCell>& cells)
{
    for (int row = area.firstRow; row <= area.lastRow; ++row)
        for (int column = area.firstColumn; column <= area.lastColumn; ++column) {
            if (!isOursToTranslate(sheet, row, column))
                continue;
            std::optional<std::string> text = sheet.storedText(row, column);
            if (text && !text->empty())
                cells.push_back({index, row, column, std::move(*text)});
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

std::variant<std::vector<ScopeCell>, std::string> cellsInScope(spreadsheet::Workbook& workbook, const Scope& scope)
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
        // Past the used range every cell is empty: whole columns cost no more than their cells.
        CellRange area = scope.block;
        const CellRange used = sheetArea(sheet);
        area.lastRow = std::min(area.lastRow, used.lastRow);
        area.lastColumn = std::min(area.lastColumn, used.lastColumn);
        addCells(sheet, *index, area, cells);
        break;
    }
    }
    return cells;
}

}  // namespace veltrano::batch
