#include "spreadsheet/numfmt/number_renderer.h"

#include "spreadsheet/numfmt/digit_placeholders.h"

#include <cstdlib>

namespace veltrano::numfmt::detail {

namespace {

constexpr int percentPower = 2;
constexpr int thousandsPower = 3;

// Index of the last fraction placeholder that shows its digit (later ones are trailing
// zeros under # or ?); -1 when none does.
int lastShownFraction(const Section& section, const DecimalDigits& number)
{
    int last = -1;
    int index = 0;
    for (const auto& token : section.tokens) {
        if (token.kind != TokenKind::Digit || token.role != DigitRole::Fraction)
            continue;
        if (token.placeholder == '0' || number.digitAt(-(index + 1)) != '0')
            last = index;
        ++index;
    }
    return last;
}

bool writeCommon(const Section& section, const Token& token, std::string& out)
{
    switch (token.kind) {
    case TokenKind::Literal:
        out += section.literal(token);
        return true;
    case TokenKind::Space:
        out += ' ';
        return true;
    case TokenKind::Percent:
        out += '%';
        return true;
    default:
        return false;
    }
}

// Integer and fraction digits of `number` through the section's tokens, and the exponent
// where the section has one.
void writeDigits(const Section& section, const DecimalDigits& number, int exponent, std::string& out)
{
    const IntegerPlaceholders integer(number, section.integerDigits, section.grouping);
    const FractionPlaceholders fraction(number, lastShownFraction(section, number));
    int integerIndex = 0;
    int fractionIndex = 0;
    bool exponentWritten = false;
    for (const auto& token : section.tokens) {
        if (writeCommon(section, token, out))
            continue;
        if (token.kind == TokenKind::DecimalPoint) {
            if (section.integerDigits == 0)
                integer.writeAll(out);
            out += '.';
        } else if (token.kind == TokenKind::Exponent) {
            out += token.placeholder;  // E or e, as written
            if (exponent < 0)
                out += '-';
            else if (token.flag)
                out += '+';
        } else if (token.kind == TokenKind::Digit) {
            if (token.role == DigitRole::Integer) {
                integer.write(integerIndex++, token.placeholder, out);
            } else if (token.role == DigitRole::Fraction) {
                fraction.write(fractionIndex++, token.placeholder, out);
            } else if (token.role == DigitRole::Exponent && !exponentWritten) {
                const auto digits = std::to_string(std::abs(exponent));
                out.append(
                    static_cast<std::size_t>(std::max(section.exponentDigits - static_cast<int>(digits.size()), 0)),
                    '0');
                out += digits;
                exponentWritten = true;
            }
        }
    }
}

int floorDivide(int value, int divisor)
{
    const int quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

// The exponent shown for a value whose leading digit is at 10^leading: with several integer
// placeholders the exponent is a multiple of their count (##0.0E+0 is engineering notation).
int shownExponent(int leading, int integerPlaceholders)
{
    if (integerPlaceholders == 0)
        return leading + 1;
    if (integerPlaceholders == 1)
        return leading;
    return floorDivide(leading, integerPlaceholders) * integerPlaceholders;
}

}  // namespace

void renderNumber(const Section& section, double magnitude, std::string& out)
{
    DecimalDigits number = toDecimal(magnitude);
    number.shift(percentPower * section.percentCount - thousandsPower * section.thousandsScale);
    roundToDecimals(number, section.fractionDigits);
    writeDigits(section, number, 0, out);
}

void renderScientific(const Section& section, double magnitude, std::string& out)
{
    DecimalDigits value = toDecimal(magnitude);
    value.shift(percentPower * section.percentCount);
    DecimalDigits mantissa = value;
    int exponent = 0;
    // Twice at most: rounding the mantissa up (9.99 -> 10.0) can move the exponent.
    for (int attempt = 0; attempt < 2 && !value.isZero(); ++attempt) {
        const int leading = value.exponent - 1;
        exponent = shownExponent(leading, section.integerDigits);
        mantissa = value;
        mantissa.shift(-exponent);
        const int integerLength = mantissa.integerLength();
        roundToDecimals(mantissa, section.fractionDigits);
        if (mantissa.integerLength() == integerLength)
            break;
        value = mantissa;
        value.shift(exponent);
    }
    writeDigits(section, mantissa, exponent, out);
}

}  // namespace veltrano::numfmt::detail
