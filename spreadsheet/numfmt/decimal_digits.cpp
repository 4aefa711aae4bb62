#include "spreadsheet/numfmt/decimal_digits.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace veltrano::numfmt::detail {

namespace {

constexpr double exactIntegerLimit = 1e15;  // integers below this have at most 15 digits

void trimTrailingZeros(DecimalDigits& number)
{
    while (number.count > 0 && number.digits[static_cast<std::size_t>(number.count - 1)] == '0')
        --number.count;
}

DecimalDigits fromInteger(std::uint64_t value)
{
    DecimalDigits number;
    char reversed[20];
    int length = 0;
    while (value != 0) {
        reversed[length++] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    for (int i = 0; i < length; ++i)
        number.digits[static_cast<std::size_t>(i)] = reversed[length - 1 - i];
    number.count = length;
    number.exponent = length;
    trimTrailingZeros(number);
    return number;
}

// Keeps the first `keep` significant digits, rounding on the next one.
void keepDigits(DecimalDigits& number, int keep)
{
    if (number.count == 0 || keep >= number.count)
        return;
    if (keep < 0) {
        number.count = 0;
        return;
    }
    const bool roundUp = number.digits[static_cast<std::size_t>(keep)] >= '5';
    number.count = keep;
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0 && number.digits[static_cast<std::size_t>(i)] == '9')
            --i;
        if (i < 0) {
            // 0.999.. became 1.000..: one digit more before the point.
            number.digits[0] = '1';
            number.count = 1;
            ++number.exponent;
            return;
        }
        ++number.digits[static_cast<std::size_t>(i)];
        number.count = i + 1;
    }
    trimTrailingZeros(number);
}

}  // namespace

DecimalDigits toDecimal(double value)
{
    value = std::fabs(value);
    if (value == 0)
        return {};
    if (value < exactIntegerLimit && value == std::floor(value))
        return fromInteger(static_cast<std::uint64_t>(value));

    // d.dddddddddddddde±x: 15 significant digits, correctly rounded from the binary value.
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific,
                                      DecimalDigits::maxSignificant - 1);
    DecimalDigits number;
    const char* p = text;
    number.digits[0] = *p++;
    number.count = 1;
    if (*p == '.') {
        ++p;
        while (*p != 'e')
            number.digits[static_cast<std::size_t>(number.count++)] = *p++;
    }
    ++p;  // 'e'
    int exponent = 0;
    std::from_chars(*p == '+' ? p + 1 : p, result.ptr, exponent);
    number.exponent = exponent + 1;
    trimTrailingZeros(number);
    return number;
}

void roundToDecimals(DecimalDigits& number, int decimals)
{
    if (number.count == 0)
        return;
    // Guard the sum against absurd decimal counts from hostile codes.
    const long keep = static_cast<long>(number.exponent) + decimals;
    keepDigits(number, keep > number.count ? number.count : static_cast<int>(keep));
}

void roundToSignificant(DecimalDigits& number, int significant)
{
    keepDigits(number, std::max(significant, 1));
}

}  // namespace veltrano::numfmt::detail
