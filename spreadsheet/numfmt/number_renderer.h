#pragma once
// Number and scientific sections: digits, point, grouping, scaling, percent, exponent.

#include "spreadsheet/numfmt/format_model.h"

#include <string>

namespace veltrano::numfmt::detail {

// Appends magnitude through a Number section (the caller writes any minus sign).
void renderNumber(const Section& section, double magnitude, std::string& out);

// Appends magnitude through a Scientific section (the caller writes any minus sign).
void renderScientific(const Section& section, double magnitude, std::string& out);

}  // namespace veltrano::numfmt::detail
