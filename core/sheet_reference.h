#pragma once
// The one reader of cell references for the whole program, as people type them and as the
// workbook window shows them: "B2", "$B$2:$C$3", "A:A", "2:3", optionally after a sheet
// ("Sheet1!", "'My sheet'!"). The window's block field, veltrano-batch's --scope and xlcell's
// assignments all read them here.

#include "spreadsheet/cell_types.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace veltrano::core {

struct SheetReference {
    std::string sheet;  // "" when the text named no sheet
    spreadsheet::CellRange range;
};

// Splits "'It''s'!A1" or "Sheet1!A1" into the sheet's name and what follows the "!". A name
// without quotes ends at the last "!", since a reference holds none ("Wow!Sheet!A1" is on the
// sheet "Wow!Sheet"). An empty name when there is no "!"; nullopt for an unclosed quote, a
// quoted name without "!" after it, or an empty name before "!".
std::optional<std::pair<std::string, std::string_view>> splitSheetName(std::string_view text);

// Parses a reference, with or without "$" and a sheet; whole columns ("A:C") span every row,
// whole rows ("2:3") every column. Of several areas ("B2:C3,E5") the first is taken.
// nullopt when the text is not a reference or lies outside the sheet.
std::optional<SheetReference> parseReference(std::string_view text);

// "$B$2:$C$3", "$B$2" for one cell, "$A:$C" for whole columns, "$2:$3" for whole rows.
std::string absoluteAddress(const spreadsheet::CellRange& range);

// "Sheet1!$B$2:$C$3"; a sheet name that needs it is quoted: "'My sheet'!$A$1".
std::string qualifiedAddress(std::string_view sheet, const spreadsheet::CellRange& range);

}  // namespace veltrano::core
