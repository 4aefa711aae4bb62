#pragma once
// Where something happened in a workbook, and the one way messages name it.

#include <string>

namespace veltrano::core {

// Where a failure happened; each part is empty when it does not apply.
struct Place {
    std::string file;
    std::string sheet;
    std::string cell;  // "B7", or a block such as "B2:C3"
};

// "/data/book.xlsx, sheet "Sales", cell B7", with only the parts that are known; "" for none.
std::string describePlace(const Place& place);

// The place, then ": ", then reason; reason alone when no part of the place is known.
std::string messageAt(const Place& place, const std::string& reason);

}  // namespace veltrano::core
