#pragma once
// What the conversion core gives back: a value, or a failure that says what went wrong and
// where.

#include "core/place.h"
#include "result/result.h"

#include <string>

namespace veltrano::core {

// An expected failure. message is one line and names the place itself (messageAt).
struct Failure {
    std::string message;
    Place place;
};

// Either a T or a Failure; never both, never neither.
template <typename T>
using Result = veltrano::Result<T, Failure>;

}  // namespace veltrano::core
