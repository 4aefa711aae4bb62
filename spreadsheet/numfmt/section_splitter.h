#pragma once
// First stage of parsing: a format code cut into its ';'-separated sections.

#include <optional>
#include <string_view>
#include <vector>

namespace veltrano::numfmt::detail {

// Bytes of the UTF-8 sequence starting at text[pos] (1 for a stray or truncated byte).
std::size_t utf8SequenceLength(std::string_view text, std::size_t pos);

// The sections of code in order, split at ';' outside quotes, brackets and escapes
// ("a;b" inside quotes stays whole). nullopt when a quote or bracket is left open or there
// are more than four sections.
std::optional<std::vector<std::string_view>> splitSections(std::string_view code);

}  // namespace veltrano::numfmt::detail
