// Feeds arbitrary bytes to the .xls loader; when they open, reads cells, writes some and
// serializes the workbook, which must never crash, hang or read out of bounds.
//
// An input starting with the compound file signature is taken as the file itself. Any other
// input is the workbook stream (BIFF8 records), put into a compound file first: mutations of
// the records then reach the record readers instead of breaking the file's sector chains.
//
//   CXX=clang++ cmake -S . -B build-fuzz -DVELTRANO_FUZZ=ON
//   cmake --build build-fuzz --target xls_loader_fuzz
//   /usr/bin/python3 fuzz/make_xls_corpus.py /tmp/xls-corpus tests/spreadsheet/data/*.xls tests/spreadsheet/data/xls/*.xls
//   build-fuzz/bin/xls_loader_fuzz -max_len=300000 -max_total_time=300 /tmp/xls-corpus
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "spreadsheet/workbook.h"
#include "spreadsheet/xls/compound_file.h"

namespace {

using veltrano::spreadsheet::Workbook;
namespace xls = veltrano::spreadsheet::xls;

std::string compoundFileWith(std::string_view stream)
{
    xls::CompoundEntry root, workbook;
    workbook.name = "Workbook";
    workbook.data = std::string(stream);
    root.children.push_back(std::move(workbook));
    auto bytes = xls::CompoundFile::fromRoot(std::move(root), "fuzz").write("", "");
    return bytes ? std::move(bytes.value()) : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const bool whole = input.size() >= 8 && std::memcmp(input.data(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0;
    auto book = Workbook::openBytes(whole ? std::string(input) : compoundFileWith(input), "/nonexistent/fuzz.xls");
    if (!book)
        return 0;
    std::size_t lookups = 0;
    for (std::size_t i = 0; i < book.value().worksheetCount(); ++i) {
        auto sheet = book.value().worksheet(i);
        auto used = sheet.usedRange();
        for (int row = used.firstRow; row <= used.lastRow && lookups < 4096; ++row)
            for (int column = used.firstColumn; column <= used.lastColumn && lookups < 4096; ++column, ++lookups) {
                (void)sheet.text(row, column);
                (void)sheet.kind(row, column);
                if (sheet.writeBlock(row, column) == veltrano::spreadsheet::WriteBlock::None && lookups % 3 == 0)
                    (void)sheet.setValue(row, column, lookups % 2 ? "nuevo" : "año 東京 nuevo texto");
            }
    }
    // The folder does not exist, so this serializes everything, reads it back, and then fails
    // to write.
    (void)book.value().saveAs("/nonexistent/fuzz-out.xls");
    return 0;
}
