#pragma once
// Second stage of parsing: one section's text cut into typed tokens, before the layout
// decides what kind of section they make.

#include "spreadsheet/numfmt/format_model.h"

#include <optional>
#include <string_view>

namespace veltrano::numfmt::detail {

// How a section's characters are read.
enum class TokenMode {
    Value,  // placeholders, date and time codes are recognised
    Text,   // the text section: only '@', General, quotes, escapes and padding mean anything
};

// Tokens of one section (quotes, escapes, brackets, padding and fill already resolved), with
// its condition when it has one. nullopt when a quote or bracket is left open, a condition
// has no number, or the section ends in a bare backslash, '_' or '*'.
std::optional<Section> tokenizeSection(std::string_view source, TokenMode mode);

}  // namespace veltrano::numfmt::detail
