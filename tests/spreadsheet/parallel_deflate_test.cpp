// Parts deflated in slices side by side must inflate, as one stream each, to exactly their content.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "spreadsheet/xlsx/parallel_deflate.h"

namespace veltrano::spreadsheet {
namespace {

std::string inflateRaw(const std::string& data, std::size_t size)
{
    std::string out(size + 1, '\0');  // one spare byte: more output than declared is a fault too
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, -MAX_WBITS), Z_OK);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(stream.avail_in, 0u) << "bytes after the end of the stream";
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return out;
}

std::string rowsOfXml(std::size_t rows)
{
    std::string xml;
    for (std::size_t r = 1; r <= rows; ++r)
        xml += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\" t=\"s\"><v>"
               + std::to_string(r % 97) + "</v></c></row>";
    return xml;
}

std::string noise(std::size_t bytes)
{
    std::mt19937 random(7);
    std::string out(bytes, '\0');
    for (char& c : out)
        c = char(random());
    return out;
}

std::string repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

TEST(ParallelDeflate, EveryPartInflatesToItsContent)
{
    const std::vector<std::string> contents = {
        "",
        "<sst/>",
        std::string(128 * 1024, 'x'),  // exactly one slice
        rowsOfXml(40000),              // many slices, matches reaching back across their edges
        noise(300 * 1024) + rowsOfXml(2000),
        repeated(noise(16 * 1024), 16),  // the second slice finds its matches only in the first
    };
    auto deflated = deflateParts(std::vector<std::string_view>(contents.begin(), contents.end()), 5);
    ASSERT_TRUE(deflated) << deflated.error().message();
    ASSERT_EQ(deflated.value().size(), contents.size());
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const DeflatedPart& part = deflated.value()[i];
        SCOPED_TRACE("part " + std::to_string(i));
        EXPECT_EQ(part.size, contents[i].size());
        EXPECT_EQ(part.crc, crc32_z(0, reinterpret_cast<const Bytef*>(contents[i].data()), contents[i].size()));
        EXPECT_EQ(inflateRaw(part.data, contents[i].size()), contents[i]);
    }
    // Primed with the window before it, the second slice of repeated noise costs next to nothing.
    EXPECT_LT(deflated.value()[5].data.size(), 20u * 1024);
}

}  // namespace
}  // namespace veltrano::spreadsheet
