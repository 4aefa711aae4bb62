#pragma once
// The one failure the Excel objects report: what went wrong and where (file, sheet, cell).

#include "core/failure.h"
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
    // what() is the failure's text (core::Failure::message()).
    explicit ExcelError(core::Failure failure);

    // An error whose text is the place, then ": ", then reason.
    static ExcelError at(Place place, const std::string& reason);

    const Place& place() const { return m_failure.place; }
    // The failure in its pieces, for a front end that shows it its own way.
    const core::Failure& failure() const { return m_failure; }

private:
    core::Failure m_failure;
};

}  // namespace veltrano::platform::excel
