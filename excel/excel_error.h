#pragma once
// The one failure the Excel objects report: what went wrong and where (file, sheet, cell).

#include "core/place.h"

#include <stdexcept>
#include <string>

namespace veltrano::platform::excel {

// Where a failure happened, named in messages the core's way.
using core::describePlace;
using core::messageAt;
using core::Place;

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
