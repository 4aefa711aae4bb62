#pragma once
// Fraction sections: "# ?/?", "# ??/??", fixed denominators "# ?/8", improper "??/??".

#include "spreadsheet/numfmt/format_model.h"

#include <cstdint>
#include <string>

namespace veltrano::numfmt::detail {

struct Ratio {
    std::int64_t numerator = 0;
    std::int64_t denominator = 1;
};

// Excel's approximation of fraction (0 <= fraction < 1) with a denominator of at most
// maxDenominator: the last continued-fraction convergent that fits (not always the closest
// fraction: 0.456789 with one digit is 1/2, not 4/9). The result may be 1/1.
Ratio approximateFraction(double fraction, std::int64_t maxDenominator);

// Appends magnitude through a Fraction section (the caller writes any minus sign).
void renderFraction(const Section& section, double magnitude, std::string& out);

}  // namespace veltrano::numfmt::detail
