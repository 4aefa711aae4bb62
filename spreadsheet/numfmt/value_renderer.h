#pragma once
// Last stage: a value through a parsed format, dispatching to the section renderers.

#include "spreadsheet/numfmt/format_model.h"
#include "spreadsheet/numfmt/renderer.h"

#include <string>
#include <string_view>

namespace veltrano::numfmt::detail {

// Appends the text of a finite number under format (General when format is not valid).
void renderNumberValue(const ParsedFormat& format, double value, DateSystem system, std::string& out);

// Appends the text of a text value under format.
void renderTextValue(const ParsedFormat& format, std::string_view text, std::string& out);

}  // namespace veltrano::numfmt::detail
