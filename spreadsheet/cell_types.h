#pragma once
// Plain types that describe sheets and cells.

#include <cstdint>
#include <string_view>

namespace veltrano::spreadsheet {

inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;
// The longest text a cell can hold, in UTF-16 code units.
inline constexpr int kMaxCellTextUnits = 32767;

enum class SheetKind {
    Worksheet,
    Chartsheet,
    Dialogsheet,
    Macrosheet
};
enum class SheetVisibility {
    Visible,
    Hidden,
    VeryHidden
};

// What a cell holds. Formula wins over the type of its cached result; Date is a number
// shown through a date or time format, or an ISO date value.
enum class CellKind {
    Empty,
    Text,
    Number,
    Boolean,
    Error,
    Date,
    Formula
};

// Why a cell's value is not ours to replace; None when it is.
enum class WriteBlock {
    None,
    Formula,           // the cell holds a formula; it is kept
    ArrayFormula,      // a cell of a multi-cell array formula
    SpillRange,        // a cell of a dynamic array's spill range
    DataTable,         // a cell of a What-If data table
    PivotTable,        // a cell inside a pivot table
    ProtectedCell,     // a locked cell on a protected sheet
    RichValue,         // an in-cell picture or linked data type
    TableColumnInUse,  // a table header whose column is named in formulas or feeds a pivot
    // Values that are not text: a translation never replaces them (Worksheet::translationBlock).
    NumberValue,
    DateValue,  // a number shown as a date or time, or an ISO date
    BooleanValue,
    ErrorValue,
    EmptyCell,
};

struct CellAddress {
    int row = 1;
    int column = 1;
    bool operator==(const CellAddress&) const = default;
};

// Rows and columns are 1-based; a range includes both corners.
struct CellRange {
    int firstRow = 1;
    int firstColumn = 1;
    int lastRow = 1;
    int lastColumn = 1;

    bool contains(int row, int column) const
    {
        return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
    }
    bool operator==(const CellRange&) const = default;
};

// Lower-case names as xlcell prints them: "worksheet", "visible", "text", ...
std::string_view sheetKindName(SheetKind kind);
std::string_view visibilityName(SheetVisibility visibility);
std::string_view cellKindName(CellKind kind);
// Why a write is refused, as a short phrase ("formula cell"); "" for None.
std::string_view writeBlockReason(WriteBlock block);

}  // namespace veltrano::spreadsheet
