// Dates and times: the range Excel shows, both date systems, rounding to the shown precision,
// elapsed time and the month/minute rule.
#include "spreadsheet/numfmt/renderer.h"
#include "tests/spreadsheet/numfmt/shown_cases.h"

#include <gtest/gtest.h>

namespace veltrano::numfmt {
namespace {

// Outside Excel's range the cell would be all '#': the text is empty so the cell is skipped.
TEST(DateRange, Excel1900ShowsNothingOutsideItsDays)
{
    const Case cases[] = {
        {"m/d/yyyy", 0, "1/0/1900"},
        {"m/d/yyyy", 2958465, "12/31/9999"},
        {"m/d/yyyy h:mm", 2958465.999, "12/31/9999 23:58"},
        {"m/d/yyyy", 2958465.999999, ""},  // rounds into January 1, 10000
        {"m/d/yyyy", 2958466, ""},
        {"m/d/yyyy", -1, ""},
        {"h:mm", -0.25, ""},
        {"[h]:mm", -0.25, ""},
        {"0.00;m/d/yyyy", -5, ""},  // a negative serial has no date in any section
    };
    expectShown(cases, DateSystem::Excel1900);
}

TEST(DateRange, Excel1904ShowsNegativeTimesWithAMinus)
{
    const Case cases[] = {
        {"m/d/yyyy", 0, "1/1/1904"},   {"m/d/yyyy", 60, "3/1/1904"},
        {"h:mm", -0.25, "-6:00"},      {"[h]:mm", -1.5, "-36:00"},
        {"m/d/yyyy", -1, "-1/2/1904"}, {"m/d/yyyy", 2957003, "12/31/9999"},
        {"m/d/yyyy", 2957004, ""},     {"ddd", 0, "Fri"},
    };
    expectShown(cases, DateSystem::Excel1904);
}

// Serial 60 is Excel's February 29, 1900; the weekdays around it follow Excel's count.
TEST(Calendar1900, KeepsExcelsLeapDay)
{
    const Case cases[] = {
        {"dddd m/d/yyyy", 1, "Sunday 1/1/1900"},
        {"dddd m/d/yyyy", 59, "Tuesday 2/28/1900"},
        {"dddd m/d/yyyy", 60, "Wednesday 2/29/1900"},
        {"dddd m/d/yyyy", 61, "Thursday 3/1/1900"},
        {"dddd m/d/yyyy", 45000, "Wednesday 3/15/2023"},
        {"mmmm mmm mmmmm", 45000, "March Mar M"},
        {"yy bbbb", 45000, "23 2566"},  // Buddhist era
        {"[$-x-sysdate]dddd, mmmm dd, yyyy", 45000, "Wednesday, March 15, 2023"},
        {"[$-F800]dddd\\,\\ mmmm\\ dd\\,\\ yyyy", 45000, "Wednesday, March 15, 2023"},
    };
    expectShown(cases, DateSystem::Excel1900);
}

TEST(Times, RoundToTheShownPrecisionAndCarry)
{
    const Case cases[] = {
        {"h:mm:ss", 0.99999999, "0:00:00"},  // rounds up to midnight
        {"m/d/yyyy h:mm:ss", 1.99999999, "1/2/1900 0:00:00"},
        {"h:mm", 0.99999, "23:59"},  // minutes are not rounded, seconds are
        {"ss.00", 0.5 + 0.12345 / 86400, "00.12"},
        {"ss.000", 0.5 + 0.9996 / 86400, "01.000"},  // the carry reaches the seconds
        {"hh:mm:ss.0", 0.999999, "23:59:59.9"},
        {"[h]:mm:ss", 2.9999999999999996, "72:00:00"},
        {"[mm]:ss", 1.5, "2160:00"},
        {"[ss]", 0.5, "43200"},
        {"[hhh]", 0.125, "003"},
    };
    expectShown(cases, DateSystem::Excel1900);
}

TEST(Times, TwelveHourClockAndTheMinuteRule)
{
    const Case cases[] = {
        {"h AM/PM", 0, "12 AM"},
        {"h AM/PM", 0.5, "12 PM"},
        {"h:mm am/pm", 0.75, "6:00 PM"},
        {"h a/p", 0.2, "4 a"},
        {"h A/P", 0.7, "4 P"},
        {"m", 45000.5, "3"},                     // alone: the month
        {"h:m", 45000.5 + 7.0 / 1440, "12:7"},   // after an hour: minutes
        {"m:ss", 45000.5 + 7.0 / 1440, "7:00"},  // before seconds: minutes
        {"mm/dd hh", 45000.5, "03/15 12"},
    };
    expectShown(cases, DateSystem::Excel1900);
}

}  // namespace
}  // namespace veltrano::numfmt
