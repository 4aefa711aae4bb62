#pragma once
// Which section shows a value, and whether a minus sign goes in front.

#include "spreadsheet/numfmt/format_model.h"

namespace veltrano::numfmt::detail {

struct SectionChoice {
    const Section* section = nullptr;  // nullptr: no section applies, nothing is shown
    bool showMinus = false;
};

// The section for a number: by conditions when the code has them, else positive; negative;
// zero. A section chosen for a negative number shows no minus sign when it is the negative
// section or when its condition only admits negative numbers ([<-25]).
SectionChoice chooseNumberSection(const ParsedFormat& format, double value);

// The section for a text value; nullptr when the code has none (the text shows unchanged).
const Section* chooseTextSection(const ParsedFormat& format);

// A one-token General section, for codes with no section for numbers.
const Section& generalSection();

}  // namespace veltrano::numfmt::detail
