#pragma once
// The one failure the Excel objects report: what went wrong and where (file, sheet, cell).

#include "core/failure.h"
#include "core/place.h"

#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

namespace veltrano::excel {

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

// What steps on the Excel objects give back, or the failure an object reported on the way. The
// objects report failures by exception, as automation calls do; this is the one place those
// exceptions end, so code outside this layer only ever sees values.
template <typename Steps>
core::Result<std::invoke_result_t<Steps>> attempt(Steps&& steps)
{
    try {
        return std::forward<Steps>(steps)();
    } catch (const ExcelError& error) {
        return error.failure();
    }
}

}  // namespace veltrano::excel
