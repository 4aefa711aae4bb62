#pragma once
// Limits on what the engine reads from one workbook.

#include <cstddef>
#include <cstdint>

namespace veltrano::spreadsheet {

// What one workbook may hold, so that a small, highly compressed package cannot take the
// machine: the engine keeps each part's XML and 32 bytes per stored cell, twice over for a
// moment while a save is read back. Measured against Excel's grid of 1,048,576 rows: 8 million
// stored cells is nearly eight full columns of it, and 256 MiB of XML some ten million cells
// as Excel writes them (20 to 30 bytes each). Past either, a package is refused as too large;
// within both, one under 10 MB stays below 1.5 GB of memory.
inline constexpr std::uint64_t kMaxPartBytes = 256ull << 20;
inline constexpr std::size_t kMaxStoredCells = 8'000'000;

}  // namespace veltrano::spreadsheet
