// Feeds arbitrary bytes to the package loader; when they open, reads cells, writes some and
// serializes the package, which must never crash, hang or read out of bounds.
//
// An input starting with "PK" is taken as the zip file itself. Any other input is a list of
// parts, "#part NAME\n" followed by the content, which is zipped (stored) first: mutations of
// the XML then reach the parsers instead of failing the zip's checksums.
//
//   CXX=clang++ cmake -S . -B build-fuzz -DVELTRANO_FUZZ=ON
//   cmake --build build-fuzz --target package_loader_fuzz
//   /usr/bin/python3 fuzz/make_corpus.py /tmp/corpus tests/spreadsheet/data/*.xlsx
//   build-fuzz/bin/package_loader_fuzz -max_len=40000 -max_total_time=300 /tmp/corpus
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/workbook.h"

namespace {

using veltrano::spreadsheet::Workbook;

std::string zipParts(std::string_view input)
{
    constexpr std::string_view marker = "#part ";
    std::vector<std::pair<std::string, std::string>> parts;
    std::size_t pos = input.find(marker);
    while (pos != std::string_view::npos && parts.size() < 64) {
        std::size_t nameEnd = input.find('\n', pos);
        if (nameEnd == std::string_view::npos)
            break;
        std::size_t next = input.find(std::string("\n") + std::string(marker), nameEnd);
        std::size_t contentEnd = next == std::string_view::npos ? input.size() : next;
        parts.emplace_back(input.substr(pos + marker.size(), nameEnd - pos - marker.size()),
                           input.substr(nameEnd + 1, contentEnd - nameEnd - 1));
        pos = next == std::string_view::npos ? next : next + 1;
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!archive) {
        zip_source_free(buffer);
        zip_source_free(buffer);
        return {};
    }
    for (const auto& [name, content] : parts) {
        zip_source_t* data = zip_source_buffer(archive, content.data(), content.size(), 0);
        zip_int64_t index = zip_file_add(archive, name.c_str(), data, ZIP_FL_ENC_UTF_8);
        if (index < 0)
            zip_source_free(data);
        else
            zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    std::string bytes;
    if (zip_close(archive) == 0) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_source_stat(buffer, &stat) == 0 && zip_source_open(buffer) == 0) {
            bytes.resize(stat.size);
            zip_int64_t got = zip_source_read(buffer, bytes.data(), bytes.size());
            bytes.resize(got < 0 ? 0 : std::size_t(got));
            zip_source_close(buffer);
        }
    } else {
        zip_discard(archive);
    }
    zip_source_free(buffer);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string bytes = input.starts_with("PK") ? std::string(input) : zipParts(input);
    auto book = Workbook::openBytes(std::move(bytes), "/nonexistent/fuzz.xlsx");
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
                (void)sheet.writeBlock(row, column);
            }
        (void)sheet.setValue(used.firstRow, used.firstColumn, "fuzz _x0041_ \r\n",
                             veltrano::spreadsheet::FormulaPolicy::Replace);
        (void)sheet.setValue(used.lastRow, used.lastColumn, "last", veltrano::spreadsheet::FormulaPolicy::Replace);
        (void)sheet.setValue(used.lastRow + 1, 1, "new");
    }
    // The folder does not exist, so this serializes everything and then fails to write.
    (void)book.value().saveAs("/nonexistent/fuzz-out.xlsx");
    return 0;
}
