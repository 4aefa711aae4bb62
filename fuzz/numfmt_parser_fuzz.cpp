// Any bytes as a number-format code: parsing and rendering a spread of values through it must
// never crash, read out of bounds, overflow or hang.
//   CXX=clang++ cmake -S . -B build-fuzz -DVELTRANO_FUZZ=ON
//   cmake --build build-fuzz --target numfmt_parser_fuzz
//   mkdir -p /tmp/numfmt-corpus && cut -f1 tests/spreadsheet/numfmt/data/cases*.tsv | sort -u |
//     split -l 1 - /tmp/numfmt-corpus/code-      (seeds: every code of the Excel tables)
//   build-fuzz/bin/numfmt_parser_fuzz -dict=fuzz/numfmt.dict -max_len=512 -timeout=5
//     -max_total_time=600 /tmp/numfmt-corpus      (one command line)
#include "spreadsheet/numfmt/renderer.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

constexpr double values[] = {
    0.0,
    -0.0,
    1.0,
    -1.0,
    0.5,
    -1.5,
    12345.6789,
    -98765.4321,
    1e-10,
    0.999999999,
    60,
    61,
    45000.5,
    2958465.99999,
    2958466,
    1e15,
    -1e15,
    9007199254740993.0,
    1e300,
    -1e300,
    5e-324,
    std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::quiet_NaN(),
};

void exercise(veltrano::numfmt::Renderer& renderer, std::string_view code)
{
    const auto handle = renderer.intern(code);
    std::string out;
    for (double value : values)
        renderer.appendNumber(handle, value, out);
    out += renderer.text(handle, "text \xE2\x82\xAC");
    out += renderer.isDateTime(handle) ? '1' : '0';
    out += renderer.hasTextSection(handle) ? '1' : '0';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view code(reinterpret_cast<const char*>(data), size);
    veltrano::numfmt::Renderer renderer1900(veltrano::numfmt::DateSystem::Excel1900);
    veltrano::numfmt::Renderer renderer1904(veltrano::numfmt::DateSystem::Excel1904);
    exercise(renderer1900, code);
    exercise(renderer1904, code);
    return 0;
}
