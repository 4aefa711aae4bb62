#pragma once
// Worksheet rows for test workbooks, written from the cells a test names.

#include "spreadsheet/cell_ref.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace veltrano::testing {

// <row> elements (sheet order) for WorkbookFixture::worksheet. Each cell is given by its name
// and its XML after "<c r=...": {"B2", "t=\"b\"><v>1</v>"}; text() writes an inline string.
inline std::string sheetRows(const std::vector<std::pair<std::string, std::string>>& cells)
{
    std::map<int, std::map<int, std::string>> rows;
    for (const auto& [name, xml] : cells) {
        const auto address = spreadsheet::parseCellName(name);
        rows[address->row][address->column] = "<c r=\"" + name + "\" " + xml + "</c>";
    }
    std::string out;
    for (const auto& [row, columns] : rows) {
        out += "<row r=\"" + std::to_string(row) + "\">";
        for (const auto& [column, xml] : columns)
            out += xml;
        out += "</row>";
    }
    return out;
}

inline std::string text(const std::string& value)
{
    return "t=\"inlineStr\"><is><t>" + value + "</t></is>";
}

// Cells that each hold their own name as text: {"A1", "B2"} → A1 shows "A1", B2 shows "B2".
inline std::vector<std::pair<std::string, std::string>> namedCells(const std::vector<std::string>& names)
{
    std::vector<std::pair<std::string, std::string>> cells;
    for (const auto& name : names)
        cells.emplace_back(name, text(name));
    return cells;
}

}  // namespace veltrano::testing
