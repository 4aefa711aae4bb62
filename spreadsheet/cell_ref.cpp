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

std::string cellName(int row, int column) { return columnName(column) + std::to_string(row); }

std::string rangeName(const CellRange& range)
{
    std::string first = cellName(range.firstRow, range.firstColumn);
    if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn)
        return first;
    return first + ":" + cellName(range.lastRow, range.lastColumn);
}

std::optional<CellAddress> parseCellName(std::string_view text)
{
    std::size_t pos = 0;
    if (pos < text.size() && text[pos] == '$')
        ++pos;
    long column = 0;
    std::size_t letters = 0;
    while (pos < text.size() && letters < 4) {
        char c = text[pos];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        if (c < 'A' || c > 'Z')
            break;
        column = column * 26 + (c - 'A' + 1);
        ++pos;
        ++letters;
    }
    if (letters == 0 || column > kMaxColumns)
        return std::nullopt;
    if (pos < text.size() && text[pos] == '$')
        ++pos;
    long row = 0;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 8) {
        row = row * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    if (digits == 0 || pos != text.size() || row < 1 || row > kMaxRows)
        return std::nullopt;
    return CellAddress{int(row), int(column)};
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

}  // namespace veltrano::spreadsheet
