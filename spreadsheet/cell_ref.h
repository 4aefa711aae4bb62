#pragma once
// A1-style cell references: "B7", "$AA$10", "A1:C3".

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "spreadsheet/cell_types.h"

namespace veltrano::spreadsheet {

// Column letters for a 1-based column: 1 → "A", 27 → "AA"; "" when out of range.
std::string columnName(int column);

// "B7" for row 7, column 2.
std::string cellName(int row, int column);

// "A1:C3", or "A1" when the range is a single cell.
std::string rangeName(const CellRange& range);

// Parses column letters "B" or "$B" (either case) to 2; nullopt when malformed or past XFD.
std::optional<int> parseColumnName(std::string_view text);

// Parses row digits "7" or "$7"; nullopt when malformed or outside 1..kMaxRows.
std::optional<int> parseRowNumber(std::string_view text);

// The length of the column part ("$AB" of "$AB$12"); 0 when the text starts with no letters.
std::size_t columnPartLength(std::string_view reference);

// Parses "B7" or "$B$7" (letters in either case); nullopt when malformed or out of the sheet.
std::optional<CellAddress> parseCellName(std::string_view text);

// Parses "A1:C3" or a single cell "B2"; corners are put in order. nullopt when malformed.
std::optional<CellRange> parseRangeName(std::string_view text);

// A sheet name quoted at the start of a reference ("'It''s'!A1": '' stands for a quote) and
// what follows its closing quote; nullopt when the text starts with no quote or never closes it.
std::optional<std::pair<std::string, std::string_view>> splitQuotedSheetName(std::string_view text);

}  // namespace veltrano::spreadsheet
