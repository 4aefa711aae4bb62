#pragma once
// The cell rule both front ends follow: which cells a conversion translates, and whether a
// translation fits in a cell.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace veltrano::spreadsheet {
class Worksheet;
}

namespace veltrano::core {

// The text a translation would replace in the cell, as stored (so that the literals of a format
// such as @" kg" are not sent, nor written into the cell): only for a cell whose value the engine
// lets a translation replace (Worksheet::translationBlock: text, not a formula, not a locked cell
// of a protected sheet, ...) and that shows something. A text the number format hides (;;;)
// shows nothing and is passed over, as a person at the window would never see it. nullopt for
// every other cell.
std::optional<std::string> textToTranslate(const spreadsheet::Worksheet& sheet, int row, int column);

// How many UTF-16 code units text takes, as a cell's limit counts them (a malformed byte as one).
std::size_t utf16Units(std::string_view text);

// Whether a text fits in a cell (spreadsheet::kMaxCellTextUnits).
bool fitsInACell(std::string_view text);

}  // namespace veltrano::core
