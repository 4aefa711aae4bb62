#pragma once
// Table parts (ListObjects): where each table sits, its column names, and renaming a column
// when its header cell is written.

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/cell_types.h"
#include "spreadsheet/internal/part_place.h"
#include "spreadsheet/result.h"

namespace veltrano::spreadsheet {

struct TableColumn {
    std::string name;
    std::size_t nameOffset = 0, nameLength = 0;  // the raw attribute value in the part
    bool hasTotalsLabel = false;
    std::size_t labelOffset = 0, labelLength = 0;
};

struct TableModel {
    std::string partName;
    std::string xml;
    std::string name;
    std::string displayName;
    CellRange ref;
    int headerRowCount = 1;
    int totalsRowCount = 0;
    std::vector<TableColumn> columns;
    std::size_t worksheet = 0;  // index among the workbook's worksheets

    std::map<std::size_t, std::string> renamed;    // column → new name
    std::map<std::size_t, std::string> newLabels;  // column → new totals-row label

    bool hasHeaderRow() const { return headerRowCount != 0; }
    // The table column whose header cell is (row, column), or -1.
    int headerColumnAt(int row, int column) const;
    // The table column whose totals-row label cell is (row, column), or -1.
    int totalsLabelColumnAt(int row, int column) const;
    // The current name of a column (renamed or original).
    const std::string& columnName(std::size_t index) const;

    // A name for column index made from text that no other column of the table has, compared
    // without case and trailing spaces: text itself, or text with 2, 3, ... appended. Empty
    // text gives "Column<n>".
    std::string uniqueColumnName(std::size_t index, std::string_view text) const;

    // The part with renamed columns and labels spliced in; everything else byte for byte.
    std::string serialize() const;
};

// Parses a table part. Names inside its column formulas go into bracketNames.
Result<TableModel> parseTable(std::string xml, std::string partName, const PartPlace& where,
                              std::set<std::string>& bracketNames);

}  // namespace veltrano::spreadsheet
