#pragma once
// Which cells of a workbook a conversion works on: the window's three choices (Option3,
// Option4, Option5) and veltrano-batch's --scope, one type for both.

#include "core/failure.h"
#include "spreadsheet/cell_types.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::spreadsheet {
class Workbook;
}

namespace veltrano::core {

struct Scope {
    enum class Kind {
        Workbook,     // every worksheet, in workbook order
        ActiveSheet,  // the sheet that is active after opening
        Block         // one block of cells on a named worksheet
    };
    Kind kind = Kind::Workbook;
    std::string sheet;             // Block only: the worksheet's name
    spreadsheet::CellRange block;  // Block only

    static Scope wholeWorkbook() { return {}; }
    static Scope activeSheet() { return {Kind::ActiveSheet, {}, {}}; }
    static Scope cellBlock(std::string sheet, const spreadsheet::CellRange& block)
    {
        return {Kind::Block, std::move(sheet), block};
    }
    bool operator==(const Scope&) const = default;
};

// A block on a named sheet, "Sales!A1:C9", "'Q1 figures'!B2" or "Data!A:A" (parseReference);
// nullopt when the text names no sheet or is not a reference.
std::optional<Scope> parseBlockScope(std::string_view text);

// The index among the workbook's worksheets of the sheet active after opening; the failure,
// naming the file and sheet, when that sheet is not a worksheet (a chart sheet, for one).
Result<std::size_t> activeWorksheet(const spreadsheet::Workbook& workbook);

// One rectangle of one worksheet that a scope covers.
struct ScopeArea {
    std::size_t worksheet;  // index among the workbook's worksheets
    spreadsheet::CellRange area;
};

// The rectangles of scope in walk order: each worksheet from A1 to the end of its used range;
// a block cut to its sheet's used range, so whole columns cost no more than the cells that hold
// something. The failure, naming the file and sheet, when the active sheet is not a worksheet
// (a chart sheet, for one) or the block's sheet is not in the workbook.
Result<std::vector<ScopeArea>> areasOf(spreadsheet::Workbook& workbook, const Scope& scope);

}  // namespace veltrano::core
