#include "spreadsheet/internal/worksheet_model.h"

namespace veltrano::spreadsheet {

std::int64_t WorksheetModel::find(int row, int column) const
{
    // Rows are sorted and unique, and most sheets store one after another from their first:
    // then a row sits at its distance from the first, and only sheets with gaps need a search.
    const std::uint32_t wanted = std::uint32_t(row);
    const std::uint32_t firstRow = rows.empty() ? 0 : rows.front().row;
    auto rowIt = rows.end();
    if (wanted >= firstRow && wanted - firstRow < rows.size() && rows[wanted - firstRow].row == wanted)
        rowIt = rows.begin() + std::ptrdiff_t(wanted - firstRow);
    else
        rowIt = std::lower_bound(rows.begin(), rows.end(), wanted,
                                 [](const RowRecord& r, std::uint32_t value) { return r.row < value; });
    if (rowIt == rows.end() || rowIt->row != wanted)
        return -1;
    auto first = cells.begin() + rowIt->firstCell;
    auto last = first + rowIt->cellCount;
    auto cellIt =
        std::lower_bound(first, last, column, [](const CellRecord& c, int value) { return c.column < value; });
    if (cellIt == last || cellIt->column != column)
        return -1;
    return cellIt - cells.begin();
}

}  // namespace veltrano::spreadsheet
