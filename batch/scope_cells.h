#pragma once
// The cells of one open workbook that a conversion translates, in the window's walk order.

#include "batch/options.h"
#include "spreadsheet/workbook.h"

#include <string>
#include <variant>
#include <vector>

namespace veltrano::batch {

struct ScopeCell {
    std::size_t worksheet;  // index among the workbook's worksheets
    int row;
    int column;
    std::string text;  // the text the cell holds, as stored (a format's literals left out)
};

// Whether the cell's value is a text that a translation may replace: formulas, locked cells on
// protected sheets and the other cells the engine keeps are passed over, as are numbers, dates
// and every other value that is not text.
bool isOursToTranslate(const spreadsheet::Worksheet& sheet, int row, int column);

// The cells of scope that are ours to translate and hold a text: sheets in workbook order, rows
// top to bottom, columns left to right, within the used range. A block is cut to its sheet's
// used range. The reason instead when the active sheet is not a worksheet or the block's sheet
// is not in the workbook.
std::variant<std::vector<ScopeCell>, std::string> cellsInScope(spreadsheet::Workbook& workbook,
                                                               const core::Scope& scope);

}  // namespace veltrano::batch
