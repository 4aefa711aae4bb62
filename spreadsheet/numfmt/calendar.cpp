#include "spreadsheet/numfmt/calendar.h"

namespace veltrano::numfmt::detail {

namespace {

constexpr std::int64_t lastSerial1900 = 2958465;
constexpr std::int64_t daysFrom1900To1904 = 1462;
constexpr std::int64_t fakeLeapDay = 60;  // February 29, 1900 in the 1900 system

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

CalendarDate civilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    CalendarDate date;
    date.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    date.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    date.year = static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

}  // namespace

std::int64_t lastSerialDay(DateSystem system)
{
    return system == DateSystem::Excel1900 ? lastSerial1900 : lastSerial1900 - daysFrom1900To1904;
}

CalendarDate dateOfSerial(std::int64_t day, DateSystem system)
{
    if (system == DateSystem::Excel1904)
        return civilFromDays(daysFromCivil(1904, 1, 1) + day);
    if (day == 0)
        return {1900, 1, 0};
    if (day == fakeLeapDay)
        return {1900, 2, 29};
    // Before the fake leap day serial 1 is January 1, 1900; after it every serial is one
    // day further on than a true count would make it.
    const std::int64_t dayZero = daysFromCivil(1899, 12, day < fakeLeapDay ? 31 : 30);
    return civilFromDays(dayZero + day);
}

int weekdayOfSerial(std::int64_t day, DateSystem system)
{
    // Serial 0 is a Saturday in the 1900 count and 1904-01-01 (serial 0) a Friday.
    const std::int64_t offset = system == DateSystem::Excel1900 ? 6 : 5;
    return static_cast<int>((day + offset) % 7);
}

}  // namespace veltrano::numfmt::detail
