#include "spreadsheet/numfmt/fraction_renderer.h"

#include "spreadsheet/numfmt/digit_placeholders.h"

#include <algorithm>
#include <cmath>

namespace veltrano::numfmt::detail {

namespace {

constexpr double convergenceTolerance = 5e-8;  // a remainder this small ends the expansion
constexpr int maxConvergents = 64;
constexpr double exactIntegerLimit = 9007199254740992.0;  // 2^53: no fraction part beyond

std::int64_t maxDenominatorFor(int placeholders)
{
    constexpr int maxPlaceholders = 9;  // keeps the convergents well inside int64
    std::int64_t limit = 1;
    for (int i = 0; i < std::min(placeholders, maxPlaceholders); ++i)
        limit *= 10;
    return limit - 1;
}

std::size_t countCharacters(std::string_view text)
{
    std::size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

struct FractionParts {
    double whole = 0;  // integer part (0 for an improper fraction)
    double numerator = 0;
    std::int64_t denominator = 1;
};

FractionParts split(const Section& section, double value)
{
    FractionParts parts;
    double whole = std::floor(value);
    const double fraction = value - whole;
    Ratio ratio;
    if (section.fixedDenominator > 0) {
        ratio.denominator = section.fixedDenominator;
        ratio.numerator = std::llround(fraction * static_cast<double>(section.fixedDenominator));
    } else if (value < exactIntegerLimit) {
        ratio = approximateFraction(fraction, maxDenominatorFor(section.denominatorDigits));
    }
    if (ratio.numerator >= ratio.denominator) {  // rounded up to a whole unit
        whole += 1;
        ratio.numerator = 0;
        if (section.fixedDenominator == 0)
            ratio.denominator = 1;
    }
    parts.denominator = ratio.denominator;
    if (section.integerDigits > 0) {
        parts.whole = whole;
        parts.numerator = static_cast<double>(ratio.numerator);
    } else {
        parts.numerator = whole * static_cast<double>(ratio.denominator) + static_cast<double>(ratio.numerator);
    }
    return parts;
}

}  // namespace

Ratio approximateFraction(double fraction, std::int64_t maxDenominator)
{
    std::int64_t previousNumerator = 0, numerator = 1;
    std::int64_t previousDenominator = 1, denominator = 0;
    std::int64_t nextNumerator = 0, nextDenominator = 1;
    double remainder = fraction;
    for (int i = 0; i < maxConvergents && denominator < maxDenominator; ++i) {
        const double term = std::floor(remainder);
        // term stays below 1 / convergenceTolerance, so these products cannot overflow.
        const auto a = static_cast<std::int64_t>(term);
        nextNumerator = a * numerator + previousNumerator;
        nextDenominator = a * denominator + previousDenominator;
        if (remainder - term < convergenceTolerance)
            break;
        remainder = 1 / (remainder - term);
        previousNumerator = numerator;
        numerator = nextNumerator;
        previousDenominator = denominator;
        denominator = nextDenominator;
    }
    if (nextDenominator > maxDenominator) {
        if (denominator > maxDenominator)
            return {previousNumerator, previousDenominator};
        return {numerator, denominator};
    }
    return {nextNumerator, nextDenominator};
}

void renderFraction(const Section& section, double magnitude, std::string& out)
{
    magnitude *= std::pow(100.0, section.percentCount);
    if (!std::isfinite(magnitude))
        magnitude = 0;
    const FractionParts parts = split(section, magnitude);
    const bool mixed = section.integerDigits > 0;
    const bool blankFraction = mixed && parts.numerator == 0;

    const DecimalDigits whole = toDecimal(parts.whole);
    const DecimalDigits numerator = toDecimal(parts.numerator);
    const DecimalDigits denominator = toDecimal(static_cast<double>(parts.denominator));
    // A zero is still written as "0" (whole part of 0 with nothing after it, or numerator 0).
    const IntegerPlaceholders wholeDigits(whole, section.integerDigits, section.grouping, blankFraction ? 1 : 0);
    const IntegerPlaceholders numeratorDigits(numerator, section.numeratorDigits, false, mixed ? 0 : 1);

    int wholeIndex = 0;
    int numeratorIndex = 0;
    int denominatorIndex = 0;
    const int denominatorLength = denominator.integerLength();
    std::size_t fractionStart = std::string::npos;  // where the text after the whole part begins
    bool blanked = false;
    for (const auto& token : section.tokens) {
        if (fractionStart == std::string::npos && wholeIndex == section.integerDigits)
            fractionStart = out.size();
        switch (token.kind) {
        case TokenKind::Literal:
            out += section.literal(token);
            break;
        case TokenKind::Space:
            out += ' ';
            break;
        case TokenKind::Percent:
            out += '%';
            break;
        case TokenKind::FractionBar:
            out += '/';
            break;
        case TokenKind::FixedDenominator:
            out += section.literal(token);
            break;
        case TokenKind::Digit:
            if (token.role == DigitRole::Integer) {
                wholeDigits.write(wholeIndex++, token.placeholder, out);
            } else if (token.role == DigitRole::Numerator) {
                numeratorDigits.write(numeratorIndex++, token.placeholder, out);
            } else if (token.role == DigitRole::Denominator) {
                // Left-aligned: all digits at the first placeholder, padding after them.
                if (denominatorIndex == 0)
                    IntegerPlaceholders(denominator, 0, false).writeAll(out);
                else if (denominatorIndex >= denominatorLength && token.placeholder != '#')
                    out += token.placeholder == '0' ? '0' : ' ';
                ++denominatorIndex;
            }
            break;
        default:
            break;
        }
        const bool denominatorDone =
            token.kind == TokenKind::FixedDenominator
            || (token.role == DigitRole::Denominator && denominatorIndex == section.denominatorDigits);
        if (blankFraction && denominatorDone && !blanked) {
            // "1 0/8" shows as "1" and spaces as wide as the fraction would be.
            const auto width = countCharacters(std::string_view(out).substr(fractionStart));
            out.resize(fractionStart);
            out.append(width, ' ');
            blanked = true;
        }
    }
}

}  // namespace veltrano::numfmt::detail
