#pragma once
// Excel's Range over the engine: a rectangle of cells on one worksheet, looked up anew at
// every access. Rows and Columns give the same rectangle counted and indexed by row or by
// column, as Excel does.

#include "excel/excel_error.h"
#include "spreadsheet/cell_types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace veltrano::excel {

struct WorkbookState;
class Worksheet;

class Range {
public:
    // The same rectangle, counted and indexed by row.
    Range Rows() const;
    // The same rectangle, counted and indexed by column.
    Range Columns() const;
    // Cells in the rectangle; rows or columns for a range from Rows() or Columns().
    std::int64_t Count() const;
    // The index-th cell, row by row (or row, or column, for Rows() and Columns()), from 1;
    // an index past the end reaches beyond the rectangle, as in Excel. Throws outside the sheet.
    Range Item(std::int64_t index) const;

    // The first row and column of the rectangle.
    int Row() const { return m_area.firstRow; }
    int Column() const { return m_area.firstColumn; }
    // The worksheet that holds the range.
    class Worksheet Worksheet() const;

    // The first cell's displayed text; "" for a cell that shows nothing.
    std::string Text() const;
    // The first cell's value when it is text (not a formula): the string as stored, without
    // what a text format shows around it; nullopt for a cell holding anything else, or nothing.
    std::optional<std::string> Value() const;
    // Replaces the value of the one cell this range is by text, stored as text. Throws
    // ExcelError naming file, sheet and cell when the range is not one cell or the cell's value
    // is not ours to replace.
    void setValue(const std::string& text) const;

    // "$B$2:$C$3" (see core::absoluteAddress).
    std::string Address() const;
    // Why the first cell's value is not for a translation to replace (not text, a formula, a
    // locked cell, ...); WriteBlock::None when it is.
    spreadsheet::WriteBlock translationBlock() const;

    const spreadsheet::CellRange& area() const { return m_area; }
    // The file, sheet and cells of this range, for messages.
    Place place() const;

private:
    friend class Application;
    friend class Worksheet;
    enum class Axis {
        Cells,
        Rows,
        Columns
    };
    Range(std::weak_ptr<WorkbookState> workbook, std::size_t sheet, spreadsheet::CellRange area, Axis axis);
    Range cellAt(std::int64_t row, std::int64_t column) const;

    std::weak_ptr<WorkbookState> m_workbook;
    std::size_t m_sheet;
    spreadsheet::CellRange m_area;
    Axis m_axis;
};

}  // namespace veltrano::excel
