#pragma once
// The General format: up to 11 characters (sign aside), then scientific notation.

#include <string>

namespace veltrano::numfmt::detail {

// Appends |value| as General shows it (no sign). value must be finite.
void appendGeneralMagnitude(double value, std::string& out);

}  // namespace veltrano::numfmt::detail
