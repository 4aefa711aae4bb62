#include "core/scope.h"

#include "core/sheet_reference.h"
#include "spreadsheet/workbook.h"

#include <algorithm>

namespace veltrano::core {
namespace {

using spreadsheet::CellRange;

std::string kindInWords(spreadsheet::SheetKind kind)
{
    switch (kind) {
    case spreadsheet::SheetKind::Worksheet:
        return "worksheet";
    case spreadsheet::SheetKind::Chartsheet:
        return "chart sheet";
    case spreadsheet::SheetKind::Dialogsheet:
        return "dialog sheet";
    case spreadsheet::SheetKind::Macrosheet:
        return "macro sheet";
    }
    return "sheet";
}

// Row 1, column 1 to the last row and column of the sheet's used range.
ScopeArea wholeSheet(spreadsheet::Workbook& workbook, std::size_t worksheet)
{
    const CellRange used = workbook.worksheet(worksheet).usedRange();
    return {worksheet, {1, 1, used.lastRow, used.lastColumn}};
}

}  // namespace

std::optional<Scope> parseBlockScope(std::string_view text)
{
    const auto reference = parseReference(text);
    if (!reference || reference->sheet.empty())
        return std::nullopt;
    return Scope::cellBlock(reference->sheet, reference->range);
}

Result<std::size_t> activeWorksheet(const spreadsheet::Workbook& workbook)
{
    const std::size_t active = workbook.activeSheet();
    if (const auto worksheet = workbook.worksheetOfSheet(active))
        return *worksheet;
    const spreadsheet::SheetInfo& sheet = workbook.sheets().at(active);
    const Place place{workbook.path(), sheet.name, {}};
    return Failure{
        "the active sheet is a " + kindInWords(sheet.kind) + ", not a worksheet, so it has no cells to work on", place};
}

Result<std::vector<ScopeArea>> areasOf(spreadsheet::Workbook& workbook, const Scope& scope)
{
    switch (scope.kind) {
    case Scope::Kind::Workbook: {
        std::vector<ScopeArea> areas;
        for (std::size_t i = 0; i < workbook.worksheetCount(); ++i)
            areas.push_back(wholeSheet(workbook, i));
        return areas;
    }
    case Scope::Kind::ActiveSheet: {
        const auto active = activeWorksheet(workbook);
        if (!active)
            return active.error();
        return std::vector{wholeSheet(workbook, active.value())};
    }
    case Scope::Kind::Block: {
        const auto worksheet = workbook.findWorksheet(scope.sheet);
        if (!worksheet) {
            const Place place{workbook.path(), scope.sheet, {}};
            return Failure{"the workbook has no worksheet of that name", place};
        }
        // Past the used range every cell is empty: stopping there changes nothing but the time.
        ScopeArea area = wholeSheet(workbook, *worksheet);
        area.area.firstRow = scope.block.firstRow;
        area.area.firstColumn = scope.block.firstColumn;
        area.area.lastRow = std::min(area.area.lastRow, scope.block.lastRow);
        area.area.lastColumn = std::min(area.area.lastColumn, scope.block.lastColumn);
        return std::vector{area};
    }
    }
    return std::vector<ScopeArea>{};
}

}  // namespace veltrano::core
