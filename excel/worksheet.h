#pragma once
// Excel's Worksheet over the engine: a light handle, valid while its instance has not quit.

#include "excel/range.h"

#include <memory>
#include <string>
#include <vector>

namespace veltrano::spreadsheet {
class Workbook;
class Worksheet;
}  // namespace veltrano::spreadsheet

namespace veltrano::excel {

class Worksheet {
public:
    std::string Name() const;
    // The rectangle from the first to the last row and column that hold a value; A1 alone on
    // a sheet with none.
    class Range UsedRange() const;
    // The cell at 1-based row and column; throws ExcelError outside the sheet.
    class Range Cells(int row, int column) const;
    // The range a reference names ("B2:C3", "$A:$A", "Sheet1!B2"); throws ExcelError when it is
    // not a reference or names another sheet.
    class Range Range(const std::string& reference) const;

    // The cells of area that the sheet stores, row by row and left to right; every other cell
    // there is empty. Throws ExcelError once the instance has quit.
    std::vector<spreadsheet::CellAddress> storedCells(const spreadsheet::CellRange& area) const;

    // The engine's worksheet, valid while the instance lives; throws once it has quit.
    spreadsheet::Worksheet engineSheet() const;
    // The workbook's file and this sheet, for messages.
    Place place(const std::string& cell = {}) const;

private:
    friend class Workbook;
    friend class Range;
    Worksheet(std::weak_ptr<WorkbookState> workbook, std::size_t index)
        : m_workbook(std::move(workbook)),
          m_index(index)
    {}

    std::weak_ptr<WorkbookState> m_workbook;
    std::size_t m_index;
};

}  // namespace veltrano::excel
