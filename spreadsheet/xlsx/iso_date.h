#pragma once
// ISO 8601 date-times as stored in t="d" cells, turned into serial numbers.

#include <optional>
#include <string_view>

#include "spreadsheet/numfmt/renderer.h"

namespace veltrano::spreadsheet {

// The serial number that shows the same calendar date and time in the given date system
// ("2024-03-01T12:00:00" → 45352.5 in the 1900 system). Accepts a date, a date and time, or a
// time alone (with or without a leading 'T'); fractional seconds and a zone suffix (ignored)
// are allowed. nullopt when malformed.
std::optional<double> isoDateToSerial(std::string_view text, numfmt::DateSystem system);

}  // namespace veltrano::spreadsheet
