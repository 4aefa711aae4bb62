#pragma once
// Deflate for the parts a save rewrites, spread over the machine's cores: each part is cut into
// slices compressed side by side, each slice primed with the 32 KiB before it, and the slices
// joined into one raw deflate stream that any inflater reads as a single pass would have written.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/result.h"

namespace veltrano::spreadsheet {

struct DeflatedPart {
    std::string data;        // a raw deflate stream (no zlib or gzip wrapper), as a zip entry holds it
    std::uint32_t crc = 0;   // CRC-32 of the content
    std::uint64_t size = 0;  // the content's length
};

// Every content compressed at the given zlib level, in the order given.
Result<std::vector<DeflatedPart>> deflateParts(const std::vector<std::string_view>& contents, int level);

}  // namespace veltrano::spreadsheet
