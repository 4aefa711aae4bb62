#include "spreadsheet/numfmt/general_format.h"

#include "spreadsheet/numfmt/decimal_digits.h"

#include <cstdlib>

namespace veltrano::numfmt::detail {

namespace {

constexpr int maxWidth = 11;               // characters General may use, the sign not counted
constexpr int scientificDigits = 6;        // 1.23457E+13
constexpr int smallestPlainExponent = -9;  // 0.000000001 still fits in 11 characters

void appendPlain(const DecimalDigits& number, std::string& out)
{
    const int integerLength = number.integerLength();
    if (integerLength == 0) {
        out += '0';
    } else {
        for (int power = integerLength - 1; power >= 0; --power)
            out += number.digitAt(power);
    }
    const int lowestPower = number.exponent - number.count;
    if (lowestPower < 0) {
        out += '.';
        for (int power = -1; power >= lowestPower; --power)
            out += number.digitAt(power);
    }
}

void appendExponent(int exponent, std::string& out)
{
    out += exponent < 0 ? "E-" : "E+";
    const auto digits = std::to_string(std::abs(exponent));
    if (digits.size() < 2)
        out += '0';
    out += digits;
}

void appendScientific(const DecimalDigits& value, std::string& out)
{
    DecimalDigits mantissa = value;
    roundToSignificant(mantissa, scientificDigits);
    int exponent = mantissa.exponent - 1;
    if (std::abs(exponent) >= 100) {
        // A three-digit exponent leaves room for one digit less in the mantissa.
        mantissa = value;
        roundToSignificant(mantissa, scientificDigits - 1);
        exponent = mantissa.exponent - 1;
    }
    out += mantissa.digits[0];
    if (mantissa.count > 1) {
        out += '.';
        out.append(mantissa.digits.data() + 1, static_cast<std::size_t>(mantissa.count - 1));
    }
    appendExponent(exponent, out);
}

}  // namespace

void appendGeneralMagnitude(double value, std::string& out)
{
    const DecimalDigits number = toDecimal(value);
    if (number.isZero()) {
        out += '0';
        return;
    }
    const int exponent = number.exponent - 1;  // as in d.ddd x 10^exponent
    if (exponent >= 0 && exponent < maxWidth) {
        // Integer digits, a point, and what room is left for decimals.
        DecimalDigits plain = number;
        roundToDecimals(plain, std::max(maxWidth - 2 - exponent, 0));
        if (plain.integerLength() <= maxWidth) {
            appendPlain(plain, out);
            return;
        }
    } else if (exponent < 0 && exponent >= smallestPlainExponent) {
        // "0." and nine decimals, unless scientific keeps more significant digits.
        DecimalDigits plain = number;
        roundToDecimals(plain, maxWidth - 2);
        DecimalDigits scientific = number;
        roundToSignificant(scientific, scientificDigits);
        if (!plain.isZero() && plain.count >= scientific.count) {
            appendPlain(plain, out);
            return;
        }
    }
    appendScientific(number, out);
}

}  // namespace veltrano::numfmt::detail
