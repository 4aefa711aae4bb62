#include "spreadsheet/xlsx/xml_scanner.h"
#include "tests/spreadsheet/test_name.h"

#include <gtest/gtest.h>

namespace veltrano::spreadsheet::xml {
namespace {

struct Malformed {
    const char* name;
    std::string document;
    const char* messagePart;
};

void PrintTo(const Malformed& c, std::ostream* out)
{
    *out << c.name;
}

class ScannerRefuses : public ::testing::TestWithParam<Malformed> {};

TEST_P(ScannerRefuses, WithReasonAndOffset)
{
    const auto& c = GetParam();
    Scanner scanner(c.document, {.maxDepth = 8});
    while (scanner.next()) {}
    ASSERT_TRUE(scanner.failed()) << c.name;
    EXPECT_NE(scanner.errorMessage().find(c.messagePart), std::string::npos) << scanner.errorMessage();
    EXPECT_LE(scanner.errorOffset(), c.document.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScannerRefuses,
    ::testing::Values(
        Malformed{"doctype", "<!DOCTYPE a [<!ENTITY x \"y\">]><a>&x;</a>", "document type"},
        Malformed{"unknown entity", "<a>&x;</a>", "entity"},
        Malformed{"mismatched end", "<a><b></a></b>", "does not match"},
        Malformed{"truncated", "<a><b>", "unexpected end"},
        Malformed{"undeclared prefix", "<x:a/>", "undeclared namespace prefix"},
        Malformed{"duplicate attribute", "<a b=\"1\" b=\"2\"/>", "duplicate attribute"},
        Malformed{"unquoted attribute", "<a b=1/>", "quoted value"},
        Malformed{"lt in attribute", "<a b=\"<\"/>", "'<'"}, Malformed{"two roots", "<a/><b/>", "after the root"},
        Malformed{"text outside root", "<a/>junk", "outside the root"},
        Malformed{"duplicate among many attributes",
                  [] {
                      std::string tag = "<a";
                      for (int i = 0; i < 40; ++i)
                          tag += " a" + std::to_string(i) + "=\"\"";
                      return tag + " a7=\"\"/>";
                  }(),
                  "duplicate attribute a7"},
        Malformed{"too many attributes",
                  [] {
                      std::string tag = "<a";
                      for (int i = 0; i < 5000; ++i)
                          tag += " a" + std::to_string(i) + "=\"\"";
                      return tag + "/>";
                  }(),
                  "more than 4096 attributes"},
        Malformed{"too deep", "<a><a><a><a><a><a><a><a><a/></a></a></a></a></a></a></a></a>", "nested deeper"},
        Malformed{"utf16", std::string("\xFF\xFE<\0a\0/\0>\0", 10), "UTF-16"},
        Malformed{"latin1 declaration", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>", "encoding"},
        Malformed{"empty", "", "no root"}),
    [](const auto& test) { return testing::testName(test.param.name); });

TEST(Scanner, ReportsElementRangesNamespacesAndEmptyElements)
{
    const std::string doc = "<?xml version=\"1.0\"?>\n<x:ws xmlns:x=\"urn:m\" xmlns:r=\"urn:r\"><x:c r=\"A1\" "
                            "r:id=\"7\"><x:v>1</x:v></x:c><x:c/></x:ws>";
    Scanner scanner(doc);
    std::vector<std::string> seen;
    while (scanner.next()) {
        if (scanner.token() == Token::StartElement && scanner.localName() == "c") {
            EXPECT_EQ(scanner.uri(), "urn:m");
            std::size_t begin = scanner.begin();
            if (const auto* id = scanner.attribute("urn:r", "id")) {
                EXPECT_EQ(id->raw, "7");
            }
            int depth = scanner.depth();
            while (scanner.next() && !(scanner.token() == Token::EndElement && scanner.depth() == depth)) {}
            seen.push_back(doc.substr(begin, scanner.end() - begin));
        }
    }
    EXPECT_FALSE(scanner.failed()) << scanner.errorMessage();
    EXPECT_EQ(seen, (std::vector<std::string>{"<x:c r=\"A1\" r:id=\"7\"><x:v>1</x:v></x:c>", "<x:c/>"}));
}

TEST(Scanner, DecodesTextEntitiesCDataAndLineEnds)
{
    Scanner scanner("<a>x&amp;&lt;&#65;&#x42;\r\ny\rz<![CDATA[<raw>&amp;]]></a>");
    std::string text;
    while (scanner.next())
        if (scanner.token() == Token::Text)
            scanner.appendText(text);
    EXPECT_FALSE(scanner.failed());
    EXPECT_EQ(text, "x&<AB\ny\nz<raw>&amp;");
}

TEST(Scanner, NormalizesAttributeWhitespace)
{
    std::string out;
    ASSERT_TRUE(decodeAttribute("a\tb\r\nc&#10;d", out));
    EXPECT_EQ(out, "a b c\nd");
}

}  // namespace
}  // namespace veltrano::spreadsheet::xml
