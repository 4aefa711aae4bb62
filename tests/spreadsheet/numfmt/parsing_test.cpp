// The parsing stages: where sections split, and what a section's tokens are taken to be.
#include "spreadsheet/numfmt/decimal_digits.h"
#include "spreadsheet/numfmt/format_parser.h"
#include "spreadsheet/numfmt/section_splitter.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace veltrano::numfmt::detail {
namespace {

TEST(SplitSections, SemicolonsInsideQuotesBracketsAndEscapesDoNotSplit)
{
    struct Case {
        const char* code;
        std::vector<std::string_view> sections;
    };
    const Case cases[] = {
        {"0;-0;\"zero\";@", {"0", "-0", "\"zero\"", "@"}},
        {"\"a;b\"0", {"\"a;b\"0"}},
        {"0\\;0", {"0\\;0"}},
        {"0_;0", {"0_;0"}},
        {"[$;-409]0;0", {"[$;-409]0", "0"}},
        {";;;", {"", "", "", ""}},
        {"", {""}},
    };
    for (const auto& c : cases) {
        const auto sections = splitSections(c.code);
        ASSERT_TRUE(sections.has_value()) << c.code;
        EXPECT_EQ(*sections, c.sections) << c.code;
    }
    for (const char* broken : {"0;0;0;0;0", "\"open", "[Red0"})
        EXPECT_FALSE(splitSections(broken).has_value()) << broken;
}

TEST(ParseFormat, SectionKindsAndTheTextSection)
{
    struct Case {
        const char* code;
        std::vector<SectionKind> kinds;
        int textSection;
    };
    const Case cases[] = {
        {"General", {SectionKind::General}, -1},
        {"0.00;(0.00)", {SectionKind::Number, SectionKind::Number}, -1},
        {"0.0E+0", {SectionKind::Scientific}, -1},
        {"0.0E+", {SectionKind::Number}, -1},  // no exponent digits: "E+" is text
        {"# ?/8", {SectionKind::Fraction}, -1},
        {"0/0", {SectionKind::Fraction}, -1},
        {"0 / x", {SectionKind::Number}, -1},  // a slash between spaces is text
        {"hh.000", {SectionKind::DateTime}, -1},
        {"\"n/a\"", {SectionKind::LiteralOnly}, -1},
        {"m/d/yyyy;@", {SectionKind::DateTime, SectionKind::Text}, 1},
        {"0;0;0;\"x\"", {SectionKind::Number, SectionKind::Number, SectionKind::Number, SectionKind::Text}, 3},
        {"0;;", {SectionKind::Number, SectionKind::Empty, SectionKind::Empty}, -1},
        {"@", {SectionKind::Text}, 0},
    };
    for (const auto& c : cases) {
        const auto format = parseFormat(c.code);
        ASSERT_TRUE(format.valid) << c.code;
        std::vector<SectionKind> kinds;
        for (const auto& section : format.sections)
            kinds.push_back(section.kind);
        EXPECT_EQ(kinds, c.kinds) << c.code;
        EXPECT_EQ(format.textSection, c.textSection) << c.code;
    }
}

TEST(ParseFormat, NumberLayout)
{
    const auto grouped = parseFormat("#,##0.00,,");
    ASSERT_TRUE(grouped.valid);
    const auto& section = grouped.sections[0];
    EXPECT_TRUE(section.grouping);
    EXPECT_EQ(section.thousandsScale, 2);
    EXPECT_EQ(section.integerDigits, 4);
    EXPECT_EQ(section.fractionDigits, 2);

    const auto fraction = parseFormat("# ?\?/100");
    ASSERT_TRUE(fraction.valid);
    EXPECT_EQ(fraction.sections[0].fixedDenominator, 100);
    EXPECT_EQ(fraction.sections[0].numeratorDigits, 2);

    const auto condition = parseFormat("[<=-2.5e1]0");
    ASSERT_TRUE(condition.valid);
    EXPECT_TRUE(condition.sections[0].hasCondition);
    EXPECT_TRUE(condition.sections[0].condition.matches(-25));
    EXPECT_FALSE(condition.sections[0].condition.matches(-24));
}

// The 15 significant digits come from a scaled integer where that is safe; they must equal
// the correctly rounded digits the standard library gives.
TEST(DecimalDigits, AgreeWithCorrectlyRoundedFormatting)
{
    const auto reference = [](double value) {
        char text[40];
        *std::to_chars(text, text + sizeof text - 1, value, std::chars_format::scientific, 14).ptr = '\0';
        std::string digits(1, text[0]);
        const char* p = text + 1;
        if (*p == '.')
            for (++p; *p != 'e'; ++p)
                digits += *p;
        while (digits.size() > 1 && digits.back() == '0')
            digits.pop_back();
        return digits + "e" + std::to_string(std::atoi(p + 1) + 1);
    };
    const auto ours = [](double value) {
        const auto number = toDecimal(value);
        return std::string(number.digits.data(), static_cast<std::size_t>(number.count)) + "e"
               + std::to_string(number.exponent);
    };
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < 200000; ++i) {
        double value = 0;
        switch (i % 4) {
        case 0:
            value = std::pow(10.0, unit(random) * 22 - 5);
            break;
        case 1:
            value = std::round(unit(random) * 1e8) / 100;
            break;  // amounts with cents
        case 2:
            value = std::nextafter(std::pow(10.0, static_cast<int>(unit(random) * 18) - 3), i & 8 ? 0.0 : 1e300);
            break;
        default:
            value = static_cast<double>(random()) / 1e3;
            break;
        }
        ASSERT_EQ(ours(value), reference(value)) << value;
    }
}

TEST(DecimalDigits, RoundingCarriesAndVanishes)
{
    auto number = toDecimal(0.0096);
    roundToDecimals(number, 2);
    EXPECT_EQ(std::string(number.digits.data(), 1), "1");
    EXPECT_EQ(number.exponent, -1);  // 0.01

    number = toDecimal(0.0004);
    roundToDecimals(number, 3);
    EXPECT_TRUE(number.isZero());

    number = toDecimal(999.5);
    roundToDecimals(number, 0);
    EXPECT_EQ(number.integerLength(), 4);  // 1000
}

}  // namespace
}  // namespace veltrano::numfmt::detail
