#include "spreadsheet/numfmt/decimal_digits.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

namespace veltrano::numfmt::detail {

namespace {

constexpr double exactIntegerLimit = 1e15;  // integers below this have at most 15 digits

void trimTrailingZeros(DecimalDigits& number)
{
    while (number.count > 0 && number.digits[static_cast<std::size_t>(number.count - 1)] == '0')
        --number.count;
}

constexpr char digitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                              "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                              "8081828384858687888990919293949596979899";

DecimalDigits fromInteger(std::uint64_t value)
{
    // Written from the end, two digits per division.
    char reversed[24];
    char* end = reversed + sizeof reversed;
    char* p = end;
    while (value >= 100) {
        const auto pair = static_cast<std::size_t>(value % 100) * 2;
        value /= 100;
        *--p = digitPairs[pair + 1];
        *--p = digitPairs[pair];
    }
    if (value >= 10) {
        const auto pair = static_cast<std::size_t>(value) * 2;
        *--p = digitPairs[pair + 1];
        *--p = digitPairs[pair];
    } else if (value > 0) {
        *--p = static_cast<char>('0' + value);
    }
    DecimalDigits number;
    number.count = static_cast<int>(end - p);
    number.exponent = number.count;
    std::memcpy(number.digits.data(), p, static_cast<std::size_t>(number.count));
    trimTrailingZeros(number);
    return number;
}

// Powers of ten that doubles hold exactly.
constexpr std::array<double, 19> exactPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                                     1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
constexpr double fastPathLowest = 1e-3;
// 10^-3 .. 10^15, for comparisons only (the negative ones are not exact; a value right at such
// a power may be placed one digit off, which the mantissa's range check catches).
constexpr int lowestComparisonPower = -3;
constexpr std::array<double, 19> comparisonPowersOfTen = {1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4,  1e5, 1e6,
                                                          1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// 15 significant digits without formatting the double: value x 10^k is made a 15-digit
// integer. The product is off by at most 0.12 of a unit, so unless it lies near a half its
// nearest integer is the correctly rounded one. nullopt when it may not be.
std::optional<DecimalDigits> scaledDecimal(double value)
{
    if (!(value >= fastPathLowest && value < exactIntegerLimit))
        return std::nullopt;
    // floor(log10(value)) from the binary exponent (1233 / 4096 ~ log10(2)): the estimate is
    // the right power or one above it, which one comparison settles.
    int leadingPower = (std::ilogb(value) + 1) * 1233 >> 12;
    if (value < comparisonPowersOfTen[static_cast<std::size_t>(leadingPower - lowestComparisonPower)])
        --leadingPower;
    const int digitsBeforePoint = leadingPower + 1;  // negative: zeros after the point
    const int power = DecimalDigits::maxSignificant - digitsBeforePoint;
    if (power < 0 || power >= static_cast<int>(exactPowersOfTen.size()))
        return std::nullopt;
    const double scaled = value * exactPowersOfTen[static_cast<std::size_t>(power)];
    const double floor = std::floor(scaled);
    const double fraction = scaled - floor;
    if (fraction > 0.25 && fraction < 0.75)
        return std::nullopt;
    const double mantissa = fraction <= 0.25 ? floor : floor + 1;
    if (mantissa < 1e14 || mantissa > exactIntegerLimit)
        return std::nullopt;  // the power-of-ten guess was off by one (value next to a power)
    DecimalDigits number = fromInteger(static_cast<std::uint64_t>(mantissa));
    number.exponent += digitsBeforePoint - DecimalDigits::maxSignificant;
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
    if (auto number = scaledDecimal(value))
        return *number;

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
