// Numbers through General, digit placeholders, sections and fractions: the cases the Excel
// tables in data/ do not reach (extreme magnitudes, rounding carries, sign rules, hostile codes).
#include "spreadsheet/numfmt/fraction_renderer.h"
#include "spreadsheet/numfmt/renderer.h"
#include "tests/spreadsheet/numfmt/shown_cases.h"

#include <gtest/gtest.h>

#include <string>

namespace veltrano::numfmt {
namespace {

TEST(General, ElevenCharactersThenScientific)
{
    const Case cases[] = {
        {"General", 0, "0"},
        {"General", -0.0, "0"},
        {"General", 99999999999, "99999999999"},
        {"General", 99999999999.5, "1E+11"},  // rounding adds a twelfth digit
        {"General", 9999999999.96, "10000000000"},
        {"General", 0.1 + 0.2, "0.3"},  // 15 significant digits, as Excel keeps
        {"General", 1e-9, "0.000000001"},
        {"General", 1.5e-9, "1.5E-09"},                 // scientific keeps more digits
        {"General", 9007199254740993.0, "9.0072E+15"},  // beyond 2^53
        {"General", 1.23456789e100, "1.2346E+100"},     // a three-digit exponent takes a digit
        {"General", -1e-100, "-1E-100"},
        {"General", 1.7976931348623157e308, "1.7977E+308"},
        {"General", 4.9406564584124654e-324, "4.9407E-324"},
    };
    expectShown(cases);
    EXPECT_EQ(generalText(-1234.5), "-1234.5");
}

TEST(Digits, RoundHalfAwayFromZeroOnFifteenSignificantDigits)
{
    const Case cases[] = {
        {"0.00", 1.005, "1.01"},  // binary 1.00499999999999989...
        {"0.00", 2.675, "2.68"},
        {"0.00", -2.675, "-2.68"},
        {"0", 0.5, "1"},
        {"0", 9.5, "10"},
        {"0.0", 99.96, "100.0"},  // carry into a new digit
        {"#,##0", 999999.5, "1,000,000"},
        {"0", 9007199254740993.0, "9007199254740990"},  // digits past the fifteenth show as 0
        {"0", 1e20, "100000000000000000000"},
        {"#,##0", 1e20, "100,000,000,000,000,000,000"},
        {"0.000", 0.0005, "0.001"},
        {"0.000", 0.00049, "0.000"},
    };
    expectShown(cases);
}

// A negative number that rounds to zero keeps its sign, as in Excel ("-0.00").
TEST(Digits, NegativeValuesRoundingToZeroKeepTheirSign)
{
    const Case cases[] = {
        {"0.00", -0.001, "-0.00"},
        {"0%", -0.001, "-0%"},
        {"0;(0)", -0.001, "(0)"},
    };
    expectShown(cases);
}

TEST(Digits, PlaceholdersPointsScalingAndLiterals)
{
    const Case cases[] = {
        {".00", 12.5, "12.50"},  // no integer placeholder still shows the integer
        {"0.", 5, "5."},
        {"#.##", 0, "."},
        {"0,", 123456, "123"},
        {"0,,\"M\"", 123456789, "123M"},
        {"#,##0.00,", 1234567, "1,234.57"},
        {"0.0%%", 0.5, "5000.0%%"},
        {"0 \"days\"", 3, "3 days"},
        {"\\$0.00", 5, "$5.00"},
        {"[$€-407] #,##0.00", 1234.5, "€ 1,234.50"},
        {"[$USD] 0", 3, "USD 3"},
        {"[$-409]0.0", 3, "3.0"},
        {"[Color10]0;[Red]-0", -4, "-4"},
        {"0*x", 7, "7"},  // fill is not part of the text
        {"0_)", 7, "7 "},
        {"??0.0?", 1.5, "  1.5 "},
        {",0", 5, ",5"},  // a comma before any digit is a literal
        {"0%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%", 0,
         "0%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%"},
    };
    expectShown(cases);
}

TEST(Scientific, RoundingCarriesIntoTheExponent)
{
    const Case cases[] = {
        {"0.00E+00", 9.999, "1.00E+01"},
        {"0.00E+00", 0, "0.00E+00"},
        {"0.00E-00", 12345, "1.23E04"},  // E- shows only a minus
        {"0.00E-00", 0.0012345, "1.23E-03"},
        {"##0.0E+0", 999.96, "1.0E+3"},  // engineering: the carry moves to the next group
        {"0.00E+00", 1e300, "1.00E+300"},
        {"0.00e+00", 1234, "1.23e+03"},
    };
    expectShown(cases);
}

// Without conditions: positive; negative (shown without a minus); zero. With conditions the
// minus stays unless the condition admits only negative numbers.
TEST(Sections, ChoiceAndMinusSign)
{
    const Case cases[] = {
        {"0;(0)", -3, "(3)"},
        {"0;(0)", 0, "0"},
        {"0;(0);\"zero\"", 0, "zero"},
        {"General;General", -7, "7"},
        {"[>=100]\"big\";0", 50, "50"},
        {"[<0]\"neg\";0", -1, "neg"},
        {"[<=-5]0;0", -5, "5"},  // only negatives: no minus
        {"[<=5]0;0", -5, "-5"},
        {"[=-1]0;0", -1, "1"},
        {"[<>0]0;\"zero\"", 0, "zero"},
        {"[<10]0;[<100]0.0;0.00", 50, "50.0"},
        {"[<10]0;[<100]0.0;0.00", 500, "500.00"},
    };
    expectShown(cases);
}

TEST(Fractions, FixedImproperZeroAndLargeValues)
{
    const Case cases[] = {
        {"# ?/8", 2.99, "3    "},  // rounds up to a whole number
        {"# ?/8", 0, "0    "},    {"?/?", 0, "0/1"},
        {"?/?", 2.5, "5/2"},      {"# ?\?/??", 1e20, "100000000000000000000      "},
        {"0 ?/?", 0.5, "0 1/2"},  {"#,##0 ?/4", 1234.25, "1,234 1/4"},
    };
    expectShown(cases);
}

// Excel keeps the last continued-fraction convergent that fits, not the closest fraction.
TEST(Fractions, ApproximationIsTheLastConvergentThatFits)
{
    struct Approximation {
        double fraction;
        std::int64_t maxDenominator;
        std::int64_t numerator;
        std::int64_t denominator;
    };
    const Approximation cases[] = {
        {0.456789, 9, 1, 2},  // 4/9 is closer
        {0.3, 9, 2, 7},       {0.5, 9, 1, 2},        {0.0, 99, 0, 1},
        {0.9999999, 9, 1, 1}, {1.0 / 3.0, 99, 1, 3}, {0.123456789, 99, 10, 81},
    };
    for (const auto& c : cases) {
        const auto ratio = detail::approximateFraction(c.fraction, c.maxDenominator);
        EXPECT_EQ(ratio.numerator, c.numerator) << c.fraction;
        EXPECT_EQ(ratio.denominator, c.denominator) << c.fraction;
    }
}

}  // namespace
}  // namespace veltrano::numfmt
