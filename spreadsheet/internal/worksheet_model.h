#pragma once
// What the engine knows about one worksheet part: a compact index of its cells (row,
// column, value, style and the byte range of each <c>), its rows, and the structures that
// make some cells not ours to replace.

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "spreadsheet/cell_types.h"
#include "spreadsheet/result.h"

namespace veltrano::spreadsheet {

enum class ValueType : std::uint8_t {
    None,  // no value (a styled blank, or a formula without a cached result)
    Number,
    SharedString,  // value.index into the shared strings
    Text,          // inline or formula string: value.text into the sheet's text arena
    Boolean,       // value.number is 0 or 1
    Error,         // value.text holds the error text
};

namespace cell_flags {
inline constexpr std::uint8_t kFormula = 1;       // has an <f> (own or shared)
inline constexpr std::uint8_t kSharedMember = 2;  // <f t="shared" si=.../> without text
inline constexpr std::uint8_t kSharedMaster = 4;  // <f t="shared" ref=... si=...>text</f>
inline constexpr std::uint8_t kRichValue = 8;     // vm attribute: picture or data type
inline constexpr std::uint8_t kIsoDate = 16;      // t="d", already turned into a serial
inline constexpr std::uint8_t kWritten = 32;      // now holds value.index, a new shared string
}  // namespace cell_flags

struct TextSpan {
    std::uint32_t offset;
    std::uint32_t length;
};

struct CellRecord {
    std::uint32_t row = 0;
    std::uint16_t column = 0;
    ValueType type = ValueType::None;
    std::uint8_t flags = 0;
    std::uint32_t style = 0;
    std::uint32_t begin = 0;  // byte range of the <c> element; 0, 0 for a cell we add
    std::uint32_t end = 0;
    union {
        double number;
        std::uint32_t index;
        TextSpan text;
    } value{0.0};

    bool has(std::uint8_t flag) const { return (flags & flag) != 0; }
};

struct RowRecord {
    std::uint32_t row = 0;
    std::uint32_t firstCell = 0;  // index into cells
    std::uint32_t cellCount = 0;
    std::uint32_t begin = 0;        // '<' of <row>
    std::uint32_t startTagEnd = 0;  // just past '>' (or past "/>")
    std::uint32_t endTagBegin = 0;  // '<' of </row>; for <row/> the '/' of "/>"
    bool emptyElement = false;
};

// A rectangle whose cells are not ours to replace, apart from its anchor when that holds
// the formula (the anchor is refused as a formula anyway).
struct BlockedArea {
    CellRange range;
    WriteBlock reason;
};

struct SharedFormulaGroup {
    std::uint32_t master = UINT32_MAX;   // cell index of the cell holding the text
    std::string formula;                 // the master's formula text, relative to the master
    std::vector<std::uint32_t> members;  // cell indices, the master included, in sheet order
};

struct WorksheetModel {
    std::string name;
    std::string partName;
    std::string xml;
    std::string elementPrefix;  // prefix of SpreadsheetML elements with ':' or ""

    std::vector<CellRecord> cells;  // sorted by row, then column
    std::vector<RowRecord> rows;    // sorted by row
    std::string texts;              // inline strings, formula strings, error texts

    std::uint32_t sheetDataStartTagEnd = 0;  // just past <sheetData>
    std::uint32_t sheetDataEndTagBegin = 0;  // '<' of </sheetData>, or '/' of <sheetData/>
    bool sheetDataEmptyElement = false;

    // Bounding box of the cells that hold a value; lastValueRow 0 when there are none.
    int firstValueRow = kMaxRows;
    int firstValueColumn = kMaxColumns;
    int lastValueRow = 0;
    int lastValueColumn = 0;
    // Grows the bounding box to take in a cell that holds a value.
    void extendUsedRange(int row, int column)
    {
        firstValueRow = std::min(firstValueRow, row);
        firstValueColumn = std::min(firstValueColumn, column);
        lastValueRow = std::max(lastValueRow, row);
        lastValueColumn = std::max(lastValueColumn, column);
    }

    bool isProtected = false;
    std::vector<BlockedArea> blocked;
    std::unordered_map<std::uint32_t, SharedFormulaGroup> sharedFormulas;  // by si
    std::vector<std::string> tableRelationshipIds;
    std::vector<std::string> pivotRelationshipIds;

    std::uint64_t sharedStringsNamed = 0;  // one past the largest shared-string index a cell names

    // Index of the cell at (row, column), or -1.
    std::int64_t find(int row, int column) const;
    std::string_view textOf(const CellRecord& cell) const
    {
        return std::string_view(texts).substr(cell.value.text.offset, cell.value.text.length);
    }
};

}  // namespace veltrano::spreadsheet
