#pragma once
// Date and time sections: calendar parts, clock parts, elapsed time, AM/PM.

#include "spreadsheet/numfmt/format_model.h"
#include "spreadsheet/numfmt/renderer.h"

#include <string>

namespace veltrano::numfmt::detail {

// Appends serial (>= 0, days since the system's day 0, time as the fraction) through a
// DateTime section. Returns false, appending nothing, when the serial is past December 31, 9999.
bool renderDateTime(const Section& section, double serial, DateSystem system, std::string& out);

}  // namespace veltrano::numfmt::detail
