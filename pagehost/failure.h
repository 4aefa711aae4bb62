#pragma once
// What the page host gives back: a value, or a one-line description of why there is none.

#include "result/result.h"

#include <string>

namespace veltrano::pagehost {

// Why an operation gave no value; the message is one line and says what and where.
struct Failure {
    std::string message;
};

// Either a T or a Failure; Result<void> when success carries nothing.
template <typename T>
using Result = veltrano::Result<T, Failure>;

}  // namespace veltrano::pagehost
