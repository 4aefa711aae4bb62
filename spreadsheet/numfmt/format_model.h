#pragma once
// The parsed form of a number-format code: sections of typed tokens, built once per code and
// read by the renderers. Internal to the renderer library.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::numfmt::detail {

enum class TokenKind : std::uint8_t {
    Literal,           // text shown as is (quoted, escaped, currency symbol, plain character)
    Space,             // `_x`: one space standing in for the width of x
    Digit,             // placeholder 0, # or ?; its role is set by the section layout
    DecimalPoint,      // the first '.' of a number section
    Comma,             // ',' before the layout decides: grouping, scaling or literal
    Percent,           // '%': shown, and scales the value by 100
    Exponent,          // E+ / E- (also lower case)
    Slash,             // '/' before the layout decides: fraction bar or literal
    FractionBar,       // the '/' of a fraction
    FixedDenominator,  // digits after a fraction bar (# ?/8)
    Text,              // '@'
    General,           // the word General
    // Dates and times.
    Year2,
    Year4,
    BuddhistYear2,
    BuddhistYear4,
    MonthRun,  // an 'm' run before the layout decides month or minute
    Month,
    Month2,
    MonthAbbr,
    MonthName,
    MonthLetter,
    Minute,
    Minute2,
    Day,
    Day2,
    WeekdayAbbr,
    WeekdayName,
    Hour,
    Hour2,
    Second,
    Second2,
    SubSecond,       // .0, .00, .000 after seconds (or anywhere in a time)
    ElapsedHours,    // [h]
    ElapsedMinutes,  // [m]
    ElapsedSeconds,  // [s]
    AmPm,            // AM/PM
    AP,              // A/P
    Calendar,        // B1 / B2 calendar switch
};

enum class DigitRole : std::uint8_t {
    None,
    Integer,
    Fraction,
    Exponent,
    Numerator,
    Denominator
};

struct Token {
    TokenKind kind = TokenKind::Literal;
    char placeholder = 0;  // '0', '#', '?' for digits; the source character for others
    DigitRole role = DigitRole::None;
    bool flag = false;             // Exponent: shows '+'; AP: lower case; Calendar: Hijri
    std::uint16_t width = 0;       // run length (elapsed, sub-second digits, fixed denominator)
    std::uint32_t textOffset = 0;  // Literal: slice of Section::literals
    std::uint32_t textLength = 0;
};

enum class CompareOp : std::uint8_t {
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    Equal,
    NotEqual
};

struct Condition {
    CompareOp op = CompareOp::Equal;
    double operand = 0;

    bool matches(double value) const;
    // True when only negative numbers can satisfy it (such a section shows no minus sign).
    bool admitsOnlyNegatives() const;
};

enum class SectionKind : std::uint8_t {
    Empty,        // nothing at all: shows ""
    LiteralOnly,  // literals but no placeholder: the number itself is not shown
    General,
    Number,
    Scientific,
    Fraction,
    DateTime,
    Text,  // the section for text values
};

struct Section {
    SectionKind kind = SectionKind::Empty;
    std::vector<Token> tokens;
    std::string literals;  // storage for Literal tokens
    bool hasCondition = false;
    Condition condition;

    // Number, scientific and fraction layout.
    int integerDigits = 0;   // placeholders before the point (mantissa, fraction's whole part)
    int fractionDigits = 0;  // placeholders after the point
    int exponentDigits = 0;  // minimum exponent width
    int numeratorDigits = 0;
    int denominatorDigits = 0;  // placeholders after the bar; 0 with a fixed denominator
    std::int64_t fixedDenominator = 0;
    int percentCount = 0;
    int thousandsScale = 0;  // trailing commas: each divides by 1000
    bool grouping = false;   // thousands separators

    // Date and time layout.
    bool twelveHour = false;
    bool needsDate = false;  // has year, month or day parts
    bool hijri = false;
    int subSecondDigits = 0;

    std::string_view literal(const Token& token) const
    {
        return std::string_view(literals).substr(token.textOffset, token.textLength);
    }
};

struct ParsedFormat {
    bool valid = false;             // false: the code could not be parsed; render as General
    std::vector<Section> sections;  // up to four, as written
    int textSection = -1;           // index of the section for text values, -1 when none
    int numericSections = 0;        // sections before the text section
};

}  // namespace veltrano::numfmt::detail
