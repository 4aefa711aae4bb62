#pragma once
// The whole parse of a format code: split into sections, tokenise, lay out.

#include "spreadsheet/numfmt/format_model.h"

#include <string_view>

namespace veltrano::numfmt::detail {

// The parsed code; valid is false when the code cannot be parsed (open quote or bracket,
// a condition without a number, a bare trailing backslash, '_' or '*', more than four sections).
// An empty code is General.
ParsedFormat parseFormat(std::string_view code);

}  // namespace veltrano::numfmt::detail
