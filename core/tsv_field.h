#pragma once

#include <string>
#include <string_view>

namespace veltrano::core {

// Text for one field of a tab-separated line (xlcell's dumps, veltrano-batch's report): tab,
// line feed, carriage return and backslash written as \t \n \r \\, so that a field never ends
// its line or its column early.
std::string escapeField(std::string_view text);

}  // namespace veltrano::core
