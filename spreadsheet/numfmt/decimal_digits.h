#pragma once
// A magnitude as Excel shows it: at most 15 significant decimal digits, rounded half away
// from zero when a format shows fewer. Working on these digits (not on the binary double) is
// what makes 12.345 show as 12.35 under "0.00", as in Excel.

#include <algorithm>
#include <array>

namespace veltrano::numfmt::detail {

struct DecimalDigits {
    static constexpr int maxSignificant = 15;

    std::array<char, 24> digits{};  // '0'..'9'; no leading zero, no trailing zeros
    int count = 0;                  // 0: the value is zero
    int exponent = 0;               // value = 0.d1 d2 ... dcount x 10^exponent

    bool isZero() const { return count == 0; }

    // Digit at a power of ten (0 units, 1 tens, -1 tenths, ...); '0' outside the digits.
    char digitAt(int power) const
    {
        const int index = exponent - 1 - power;
        return index >= 0 && index < count ? digits[static_cast<std::size_t>(index)] : '0';
    }

    // Digits before the decimal point; 0 for a value below 1.
    int integerLength() const { return count == 0 ? 0 : std::max(exponent, 0); }

    // Multiplies by 10^power (percent signs, thousands scaling, a mantissa's shift).
    void shift(int power)
    {
        if (count != 0)
            exponent += power;
    }
};

// |value| with 15 significant digits. value must be finite.
DecimalDigits toDecimal(double value);

// Rounds half away from zero to the given number of digits after the point.
void roundToDecimals(DecimalDigits& number, int decimals);

// Rounds half away from zero to the given number of significant digits (at least 1).
void roundToSignificant(DecimalDigits& number, int significant);

}  // namespace veltrano::numfmt::detail
