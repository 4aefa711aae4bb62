#include "core/sheet_reference.h"

#include "spreadsheet/cell_ref.h"

#include <algorithm>
#include <cctype>

namespace veltrano::core {

using spreadsheet::CellRange;
using spreadsheet::kMaxColumns;
using spreadsheet::kMaxRows;

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::optional<CellRange> parseArea(std::string_view area)
{
    if (auto cells = spreadsheet::parseRangeName(area))
        return cells;
    const std::size_t colon = area.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const std::string_view first = area.substr(0, colon);
    const std::string_view last = area.substr(colon + 1);
    const auto firstColumn = spreadsheet::parseColumnName(first);
    const auto lastColumn = spreadsheet::parseColumnName(last);
    if (firstColumn && lastColumn)
        return CellRange{1, std::min(*firstColumn, *lastColumn), kMaxRows, std::max(*firstColumn, *lastColumn)};
    const auto firstRow = spreadsheet::parseRowNumber(first);
    const auto lastRow = spreadsheet::parseRowNumber(last);
    if (firstRow && lastRow)
        return CellRange{std::min(*firstRow, *lastRow), 1, std::max(*firstRow, *lastRow), kMaxColumns};
    return std::nullopt;
}

bool isPlainNameCharacter(unsigned char c)
{
    return std::isalnum(c) || c == '_' || c == '.' || c >= 0x80;
}

bool needsQuotes(std::string_view sheet)
{
    if (sheet.empty() || std::isdigit(static_cast<unsigned char>(sheet.front())))
        return true;
    if (!std::all_of(sheet.begin(), sheet.end(),
                     [](char c) { return isPlainNameCharacter(static_cast<unsigned char>(c)); }))
        return true;
    // A name that reads as a cell would be taken for one.
    return spreadsheet::parseCellName(sheet).has_value();
}

std::string absoluteCell(int row, int column)
{
    return "$" + spreadsheet::columnName(column) + "$" + std::to_string(row);
}

}  // namespace

std::optional<std::pair<std::string, std::string_view>> splitSheetName(std::string_view text)
{
    if (!text.empty() && text.front() == '\'') {
        auto quoted = spreadsheet::splitQuotedSheetName(text);
        if (!quoted || quoted->first.empty() || !quoted->second.starts_with('!'))
            return std::nullopt;
        return std::pair{std::move(quoted->first), quoted->second.substr(1)};
    }
    const std::size_t bang = text.rfind('!');
    if (bang == std::string_view::npos)
        return std::pair{std::string(), text};
    if (bang == 0)
        return std::nullopt;
    return std::pair{std::string(text.substr(0, bang)), text.substr(bang + 1)};
}

std::optional<SheetReference> parseReference(std::string_view text)
{
    text = trimmed(text);
    const auto split = splitSheetName(text);
    if (!split)
        return std::nullopt;
    std::string_view area = split->second;
    area = area.substr(0, area.find(','));
    const auto range = parseArea(trimmed(area));
    if (!range)
        return std::nullopt;
    return SheetReference{split->first, *range};
}

std::string absoluteAddress(const CellRange& range)
{
    if (range.firstColumn == 1 && range.lastColumn == kMaxColumns)
        return "$" + std::to_string(range.firstRow) + ":$" + std::to_string(range.lastRow);
    if (range.firstRow == 1 && range.lastRow == kMaxRows)
        return "$" + spreadsheet::columnName(range.firstColumn) + ":$" + spreadsheet::columnName(range.lastColumn);
    const std::string first = absoluteCell(range.firstRow, range.firstColumn);
    if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn)
        return first;
    return first + ":" + absoluteCell(range.lastRow, range.lastColumn);
}

std::string qualifiedAddress(std::string_view sheet, const CellRange& range)
{
    std::string name;
    if (needsQuotes(sheet)) {
        name = "'";
        for (char c : sheet)
            name += c == '\'' ? std::string("''") : std::string(1, c);
        name += "'";
    } else {
        name = sheet;
    }
    return name + "!" + absoluteAddress(range);
}

}  // namespace veltrano::core
