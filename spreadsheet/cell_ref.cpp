#include "spreadsheet/cell_ref.h"

#include <algorithm>

namespace veltrano::spreadsheet {

std::string columnName(int column)
{
    if (column < 1 || column > kMaxColumns)
        return {};
    std::string letters;
    while (column > 0) {
        int digit = (column - 1) % 26;
        letters.insert(letters.begin(), char('A' + digit));
        column = (column - 1) / 26;
    }
    return letters;
}

std::string cellName(int row, int column)
{
    return columnName(column) + std::to_string(row);
}

std::string rangeName(const CellRange& range)
{
    std::string first = cellName(range.firstRow, range.firstColumn);
    if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn)
        return first;
    return first + ":" + cellName(range.lastRow, range.lastColumn);
}

std::optional<int> parseColumnName(std::string_view text)
{
    if (!text.empty() && text.front() == '$')
        text.remove_prefix(1);
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int column = 0;
    for (char c : text) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        if (c < 'A' || c > 'Z')
            return std::nullopt;
        column = column * 26 + (c - 'A' + 1);
    }
    return column <= kMaxColumns ? std::optional(column) : std::nullopt;
}

std::optional<int> parseRowNumber(std::string_view text)
{
    if (!text.empty() && text.front() == '$')
        text.remove_prefix(1);
    if (text.empty() || text.size() > 7)
        return std::nullopt;
    int row = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        row = row * 10 + (c - '0');
    }
    return row >= 1 && row <= kMaxRows ? std::optional(row) : std::nullopt;
}

std::size_t columnPartLength(std::string_view reference)
{
    std::size_t pos = reference.starts_with('$') ? 1 : 0;
    const std::size_t letters = pos;
    while (pos < reference.size()
           && ((reference[pos] >= 'A' && reference[pos] <= 'Z') || (reference[pos] >= 'a' && reference[pos] <= 'z')))
        ++pos;
    return pos == letters ? 0 : pos;
}

std::optional<CellAddress> parseCellName(std::string_view text)
{
    const std::size_t split = columnPartLength(text);
    const auto column = parseColumnName(text.substr(0, split));
    const auto row = parseRowNumber(text.substr(split));
    if (!column || !row)
        return std::nullopt;
    return CellAddress{*row, *column};
}

std::optional<CellRange> parseRangeName(std::string_view text)
{
    std::size_t colon = text.find(':');
    auto first = parseCellName(text.substr(0, colon));
    if (!first)
        return std::nullopt;
    auto last = first;
    if (colon != std::string_view::npos) {
        last = parseCellName(text.substr(colon + 1));
        if (!last)
            return std::nullopt;
    }
    return CellRange{std::min(first->row, last->row), std::min(first->column, last->column),
                     std::max(first->row, last->row), std::max(first->column, last->column)};
}

std::optional<std::pair<std::string, std::string_view>> splitQuotedSheetName(std::string_view text)
{
    if (text.empty() || text.front() != '\'')
        return std::nullopt;
    std::string name;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] != '\'')
            name += text[i];
        else if (i + 1 < text.size() && text[i + 1] == '\'')
            name += text[++i];
        else
            return std::pair{std::move(name), text.substr(i + 1)};
    }
    return std::nullopt;
}

}  // namespace veltrano::spreadsheet
