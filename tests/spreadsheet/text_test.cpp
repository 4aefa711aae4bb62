// The text forms of cell strings: _xHHHH_ escapes, XML escaping, UTF-8 and UTF-16 lengths.
#include <gtest/gtest.h>

#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/xlsx/ooxml_text.h"

namespace veltrano::spreadsheet {
namespace {

struct Encoding {
    std::string text;
    std::string encoded;
};

void PrintTo(const Encoding& c, std::ostream* out)
{
    *out << c.encoded;
}

class CellTextEncoding : public ::testing::TestWithParam<Encoding> {};

TEST_P(CellTextEncoding, EncodesAndDecodesBack)
{
    std::string out;
    appendEncodedText(GetParam().text, out);
    EXPECT_EQ(out, GetParam().encoded);
    // The XML layer turns entities back; decodeEscapes must then restore the text.
    std::string xmlDecoded;
    for (std::size_t i = 0; i < out.size();) {
        if (out.compare(i, 5, "&amp;") == 0) {
            xmlDecoded += '&';
            i += 5;
        } else if (out.compare(i, 4, "&lt;") == 0) {
            xmlDecoded += '<';
            i += 4;
        } else if (out.compare(i, 4, "&gt;") == 0) {
            xmlDecoded += '>';
            i += 4;
        } else
            xmlDecoded += out[i++];
    }
    EXPECT_EQ(decodeEscapes(xmlDecoded), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, CellTextEncoding,
                         ::testing::Values(Encoding{"plain", "plain"}, Encoding{"a & b <c>", "a &amp; b &lt;c&gt;"},
                                           Encoding{"line\r\nbreak", "line_x000D_\nbreak"},
                                           Encoding{"tab\there", "tab\there"},
                                           Encoding{std::string("ctl\x01\x1F", 5), "ctl_x0001__x001F_"},
                                           Encoding{"literal _x0041_ text", "literal _x005F_x0041_ text"},
                                           Encoding{"_x005F_", "_x005F_x005F_"},
                                           Encoding{"not_x12_escape", "not_x12_escape"},
                                           Encoding{"\xEF\xBF\xBE", "_xFFFE_"},
                                           Encoding{"emoji \xF0\x9F\x98\x80", "emoji \xF0\x9F\x98\x80"}));

TEST(DecodeEscapes, JoinsSurrogatePairsAndReplacesLoneHalves)
{
    EXPECT_EQ(decodeEscapes("_xD83D__xDE00_"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(decodeEscapes("_xD83D_x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(decodeEscapes("_x0041__x0062_"), "Ab");
}

TEST(EncodedAttribute, EscapesQuotesAndLineBreaks)
{
    std::string out;
    appendEncodedAttribute("Net \"total\"\n2", out);
    EXPECT_EQ(out, "Net &quot;total&quot;_x000A_2");
}

TEST(SpacePreserve, NeededForLeadingOrTrailingWhitespace)
{
    EXPECT_TRUE(needsSpacePreserve(" "));
    EXPECT_TRUE(needsSpacePreserve("a\n"));
    EXPECT_TRUE(needsSpacePreserve("\tb"));
    EXPECT_FALSE(needsSpacePreserve("a b"));
    EXPECT_FALSE(needsSpacePreserve(""));
}

TEST(Utf8, TruncatesOnCodePointBoundaryCountingUtf16Units)
{
    const std::string emoji = "\xF0\x9F\x98\x80";  // two UTF-16 units
    EXPECT_EQ(utf8::utf16Length("a" + emoji + "\xC3\xB1"), 4u);
    EXPECT_EQ(utf8::truncateUtf16("a" + emoji, 2), "a");
    EXPECT_EQ(utf8::truncateUtf16("a" + emoji, 3), "a" + emoji);
    EXPECT_EQ(utf8::sanitize("ok\xFF\xC3"), "ok\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(utf8::sanitize("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // no surrogates in UTF-8
    EXPECT_EQ(utf8::foldCase("ÁRBOL Ñu"), "árbol ñu");
}

}  // namespace
}  // namespace veltrano::spreadsheet
