#pragma once
// The one failure the Excel objects report: what went wrong and where (file, sheet, cell).

#include <stdexcept>
#include <string>

namespace veltrano::platform::excel {

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

class ExcelError : public std::runtime_error {
public:
    // message is the whole text and names the place itself (the engine's messages do).
    ExcelError(const std::string& message, Place place);

    // An error whose text is the place, then ": ", then reason.
    static ExcelError at(Place place, const std::string& reason);

    const Place& place() const { return m_place; }

private:
    Place m_place;
};

}  // namespace veltrano::platform::excel
