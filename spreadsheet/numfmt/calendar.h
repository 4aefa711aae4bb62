#pragma once
// Serial day numbers of Excel's two date systems, to calendar dates and weekdays.

#include "spreadsheet/numfmt/renderer.h"

#include <cstdint>

namespace veltrano::numfmt::detail {

struct CalendarDate {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 0 only for serial 0 of the 1900 system (January 0, 1900)
};

// Last serial day Excel shows as a date (December 31, 9999).
std::int64_t lastSerialDay(DateSystem system);

// The date of a serial day (0 <= day <= lastSerialDay). In the 1900 system day 60 is
// February 29, 1900, a day that never was, as Excel counts it.
CalendarDate dateOfSerial(std::int64_t day, DateSystem system);

// Day of the week of a serial day, 0 = Sunday (Excel's count: serial 1 of 1900 is a Sunday).
int weekdayOfSerial(std::int64_t day, DateSystem system);

}  // namespace veltrano::numfmt::detail
