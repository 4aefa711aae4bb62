// The texts outside the cells: found with where they are, replaced in place with every other
// byte of the package kept, and read back by the engine and by LibreOffice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <tuple>

#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx/header_codes.h"
#include "tests/spreadsheet/fixture.h"
#include "tests/spreadsheet/libreoffice.h"

namespace veltrano::spreadsheet {
namespace {

using testing::TempDir;

// texts.xlsx: made by tests/spreadsheet/data/make_texts.py (openpyxl, hand-written parts added).
std::filesystem::path dataFile(const std::string& name)
{
    return std::filesystem::path(VELTRANO_SOURCE_DIR) / "tests/spreadsheet/data" / name;
}

using Listed = std::tuple<TextKind, std::string, std::string>;  // kind, place, text

std::vector<Listed> listed(const WorkbookTexts& texts)
{
    std::vector<Listed> out;
    for (const PlacedText& text : texts.texts) {
        EXPECT_EQ(text.sheet, "Sales");
        out.emplace_back(text.kind, text.place, text.text);
    }
    return out;
}

const std::vector<Listed> kAllTexts = {
    {TextKind::Header, "header", "Page"},
    {TextKind::Header, "header", "of"},
    {TextKind::Header, "header", "Monthly sales report"},
    {TextKind::Header, "footer", "Profit & loss printed"},
    {TextKind::Note, "comment B2", "Please check the price"},
    {TextKind::Note, "note A1", "Check the monthly total"},
    {TextKind::Shape, "shape 1", "Important:"},
    {TextKind::Shape, "shape 1", "the prices include tax"},
    {TextKind::Chart, "chart 1 title", "Quarterly revenue"},
    {TextKind::Chart, "chart 1 series name", "Sales goal"},
    {TextKind::Chart, "chart 1 axis title", "Month"},
    {TextKind::Chart, "chart 1 axis title", "Amount"},
};

TEST(WorkbookTexts, ListsEachKindAskedForWithItsPlace)
{
    auto book = Workbook::open(dataFile("texts.xlsx").string());
    ASSERT_TRUE(book.ok()) << book.error().message();
    auto all = book.value().texts(TextKinds::all());
    ASSERT_TRUE(all.ok()) << all.error().message();
    EXPECT_EQ(listed(all.value()), kAllTexts);
    EXPECT_TRUE(all.value().leftAsTheyAre.empty());

    for (const TextKind kind : {TextKind::Note, TextKind::Chart, TextKind::Shape, TextKind::Header}) {
        TextKinds one;
        one.notes = kind == TextKind::Note, one.charts = kind == TextKind::Chart;
        one.shapes = kind == TextKind::Shape, one.headers = kind == TextKind::Header;
        auto some = book.value().texts(one);
        ASSERT_TRUE(some.ok());
        std::vector<Listed> expected;
        std::copy_if(kAllTexts.begin(), kAllTexts.end(), std::back_inserter(expected),
                     [kind](const Listed& text) { return std::get<0>(text) == kind; });
        EXPECT_EQ(listed(some.value()), expected) << textKindName(kind);
    }
    auto none = book.value().texts({});
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none.value().texts.empty());
}

// Every text set to its upper-case form, saved as a copy.
std::filesystem::path savedUpperCase(const TempDir& dir)
{
    auto book = Workbook::open(dataFile("texts.xlsx").string());
    EXPECT_TRUE(book.ok());
    auto texts = book.value().texts(TextKinds::all());
    EXPECT_TRUE(texts.ok());
    for (std::size_t i = 0; i < texts.value().texts.size(); ++i) {
        std::string upper = texts.value().texts[i].text;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return char(std::toupper(c)); });
        EXPECT_TRUE(book.value().setText(i, upper).ok());
    }
    const auto out = dir / "upper.xlsx";
    EXPECT_TRUE(book.value().saveAs(out.string()).ok());
    return out;
}

TEST(WorkbookTexts, ReplacesTextsKeepingCodesAndEveryOtherPart)
{
    TempDir dir;
    const auto out = savedUpperCase(dir);
    auto back = Workbook::open(out.string());
    ASSERT_TRUE(back.ok()) << back.error().message();
    auto texts = back.value().texts(TextKinds::all());
    ASSERT_TRUE(texts.ok());
    std::vector<Listed> expected = kAllTexts;
    for (auto& text : expected)
        std::transform(std::get<2>(text).begin(), std::get<2>(text).end(), std::get<2>(text).begin(),
                       [](char c) { return char(std::toupper(c)); });
    EXPECT_EQ(listed(texts.value()), expected);
    EXPECT_EQ(back.value().worksheet(0).text(2, 1), "January") << "the cells are not touched";

    const auto before = testing::readZip(dataFile("texts.xlsx"));
    const auto after = testing::readZip(out);
    ASSERT_EQ(before.size(), after.size());
    const std::map<std::string, std::vector<std::string>> changedParts = {
        {"xl/worksheets/sheet1.xml",
         {"&amp;LPAGE &amp;P OF &amp;N&amp;C&amp;\"Arial,Bold\"&amp;12 MONTHLY SALES REPORT</oddHeader>",
          "&amp;RPROFIT &amp;&amp; LOSS PRINTED &amp;D</oddFooter>"}},
        {"xl/comments/comment1.xml", {"<t>CHECK THE MONTHLY TOTAL</t>", "Comment:\n    PLEASE CHECK THE PRICE</t>"}},
        {"xl/threadedComments/threadedComment1.xml", {"<text>PLEASE CHECK THE PRICE</text>"}},
        {"xl/drawings/drawing1.xml", {"<a:t>IMPORTANT:</a:t>", "<a:t> THE PRICES INCLUDE TAX</a:t>"}},
        {"xl/charts/chart1.xml",
         {"<a:t>QUARTERLY REVENUE</a:t>", "<tx><v>SALES GOAL</v></tx>", "<tx><strRef><f>'Sales'!B1</f></strRef>"}},
    };
    for (std::size_t i = 0; i < before.size(); ++i) {
        const auto& [name, content] = after[i];
        ASSERT_EQ(name, before[i].first);
        const auto changed = changedParts.find(name);
        if (changed == changedParts.end()) {
            EXPECT_EQ(content, before[i].second) << name << " must stay byte for byte";
            continue;
        }
        for (const std::string& piece : changed->second)
            EXPECT_NE(content.find(piece), std::string::npos) << name << " lacks " << piece;
        EXPECT_EQ(content.size(), before[i].second.size()) << name << ": only the letters' case changed";
    }
}

TEST(WorkbookTexts, LibreOfficeReadsTheSavedTexts)
{
    if (!testing::haveSoffice())
        GTEST_SKIP() << testing::kNoSoffice;
    TempDir dir;
    savedUpperCase(dir);
    const std::filesystem::path copy = testing::libreOfficeXlsxCopy(dir, "upper.xlsx");
    ASSERT_FALSE(copy.empty()) << "LibreOffice could not convert upper.xlsx";
    auto again = Workbook::open(copy.string());
    ASSERT_TRUE(again.ok()) << again.error().message();
    auto texts = again.value().texts(TextKinds::all());
    ASSERT_TRUE(texts.ok());
    std::set<std::string> found;
    for (const PlacedText& text : texts.value().texts)
        found.insert(text.text);
    for (const std::string_view text : {"CHECK THE MONTHLY TOTAL", "QUARTERLY REVENUE", "MONTH", "AMOUNT",
                                        "MONTHLY SALES REPORT", "PROFIT & LOSS PRINTED"})
        EXPECT_TRUE(found.contains(std::string(text))) << text;
}

TEST(WorkbookTexts, HeaderTooLongIsRefusedAndKept)
{
    auto book = Workbook::open(dataFile("texts.xlsx").string());
    ASSERT_TRUE(book.ok());
    auto texts = book.value().texts({.headers = true});
    ASSERT_TRUE(texts.ok());
    const auto set = book.value().setText(2, std::string(300, 'x'));
    ASSERT_FALSE(set.ok());
    EXPECT_EQ(set.error().code, ErrorCode::TooLarge);
    EXPECT_FALSE(book.value().isModified());
}

// texts.xls: LibreOffice's .xls copy of texts.xlsx (make_texts.py). Headers and footers are
// edited in their records, notes and text boxes in their TXO records run by run; charts are named
// once and left.
TEST(WorkbookTexts, XlsTextsAreReplacedInTheirRecordsAndChartsNamedOnce)
{
    TempDir dir;
    auto book = Workbook::open(dataFile("texts.xls").string());
    ASSERT_TRUE(book.ok()) << book.error().message();
    auto texts = book.value().texts(TextKinds::all());
    ASSERT_TRUE(texts.ok());
    std::vector<Listed> expected(kAllTexts.begin(), kAllTexts.begin() + 4);
    expected.emplace_back(TextKind::Note, "note A1", "Check the monthly total");
    expected.emplace_back(TextKind::Note, "note B2", texts.value().texts.size() > 5 ? texts.value().texts[5].text : "");
    expected.insert(expected.end(), kAllTexts.begin() + 6, kAllTexts.begin() + 8);
    EXPECT_EQ(listed(texts.value()), expected);
    ASSERT_EQ(texts.value().leftAsTheyAre.size(), 1u);
    EXPECT_NE(texts.value().leftAsTheyAre[0].find("the charts of an Excel 97-2003 workbook cannot be edited safely in "
                                                  "this format"),
              std::string::npos);

    const std::vector<std::string> replacements = {"Página",          "de 東京",         "Informe de ventas mensual",
                                                   "Pérdidas && año", "Revise el total", "Nota\nlarga",
                                                   "Importante:",     "los precios"};
    ASSERT_EQ(texts.value().texts.size(), replacements.size());
    for (std::size_t i = 0; i < replacements.size(); ++i)
        ASSERT_TRUE(book.value().setText(i, replacements[i]).ok());
    ASSERT_TRUE(book.value().worksheet(0).setValue(2, 1, "Enero").ok());
    ASSERT_TRUE(book.value().saveAs((dir / "saved.xls").string()).ok());

    const auto textsOf = [](Workbook& workbook) {
        std::vector<std::string> found;
        auto listing = workbook.texts({.notes = true, .shapes = true, .headers = true});
        EXPECT_TRUE(listing.ok());
        for (const PlacedText& text : listing.value().texts)
            found.push_back(text.text);
        return found;
    };
    auto back = Workbook::open((dir / "saved.xls").string());
    ASSERT_TRUE(back.ok()) << back.error().message();
    EXPECT_EQ(textsOf(back.value()), replacements);
    EXPECT_EQ(back.value().worksheet(0).text(2, 1), "Enero");
    EXPECT_EQ(back.value().worksheet(0).text(4, 1), "March");

    if (!testing::haveSoffice())
        GTEST_SKIP() << testing::kNoSoffice;
    const std::filesystem::path copy = testing::libreOfficeXlsxCopy(dir, "saved.xls");
    ASSERT_FALSE(copy.empty()) << "LibreOffice could not convert saved.xls";
    auto converted = Workbook::open(copy.string());
    ASSERT_TRUE(converted.ok()) << converted.error().message();
    EXPECT_EQ(textsOf(converted.value()), replacements) << "LibreOffice reads the new records";
}

// Hand-written parts with what must never be listed: a shape showing a cell (textlink), a field,
// a series name and categories taken from cells with their cached texts, a note's phonetic run.
testing::WorkbookFixture fixtureWithLinkedTexts()
{
    const std::string a = "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"";
    const std::string c = "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"";
    const std::string r = "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    auto shape = [&](const std::string& link, const std::string& body) {
        return "<xdr:twoCellAnchor><xdr:sp textlink=\"" + link + "\"><xdr:txBody><a:p>" + body
               + "</a:p></xdr:txBody></xdr:sp></xdr:twoCellAnchor>";
    };
    const std::string drawing =
        "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" " + a + " " + c
        + " " + r + ">" + shape("$A$1", "<a:r><a:t>From A1</a:t></a:r>")
        + shape("", "<a:fld id=\"{1}\" type=\"TxLink\"><a:t>Field</a:t></a:fld><a:r><a:t xml:space=\"preserve\">  Free "
                    "text </a:t></a:r>")
        + "<xdr:twoCellAnchor><xdr:graphicFrame><a:graphic><a:graphicData><c:chart r:id=\"rIdC\"/></a:graphicData>"
          "</a:graphic></xdr:graphicFrame></xdr:twoCellAnchor></xdr:wsDr>";
    const std::string chart =
        "<c:chartSpace " + c + " " + a
        + "><c:chart><c:title><c:tx><c:rich><a:p><a:r><a:t>Title &amp; more</a:t>"
          "</a:r></a:p></c:rich></c:tx></c:title><c:plotArea><c:barChart><c:ser><c:tx><c:strRef><c:f>S!$B$1</c:f>"
          "<c:strCache><c:ptCount val=\"1\"/><c:pt idx=\"0\"><c:v>Cached "
          "name</c:v></c:pt></c:strCache></c:strRef></c:tx>"
          "<c:cat><c:strRef><c:f>S!$A$2</c:f><c:strCache><c:pt idx=\"0\"><c:v>Cached label</c:v></c:pt></c:strCache>"
          "</c:strRef></c:cat></c:ser><c:ser><c:tx><c:v>Literal</c:v></c:tx></c:ser></c:barChart></c:plotArea>"
          "</c:chart></c:chartSpace>";
    const std::string comments =
        "<comments xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><authors><author>Ana</author>"
        "</authors><commentList><comment ref=\"C3\" authorId=\"0\"><text><r><rPr><b/></rPr><t>Bold</t></r>"
        "<r><t xml:space=\"preserve\"> and plain</t></r><rPh sb=\"0\" eb=\"1\"><t>ふりがな</t></rPh></text></comment>"
        "</commentList></comments>";
    testing::WorkbookFixture fixture;
    fixture.worksheet("S", "");
    fixture.relatedPart(1, "drawing", "xl/drawings/drawing1.xml", drawing,
                        "application/vnd.openxmlformats-officedocument.drawing+xml");
    fixture.relatedPart(1, "comments", "xl/comments1.xml", comments,
                        "application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml");
    fixture.extraPart("xl/drawings/_rels/drawing1.xml.rels",
                      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"rIdC\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                      "relationships/chart\" Target=\"../charts/chart1.xml\"/></Relationships>");
    fixture.extraPart("xl/charts/chart1.xml", chart);
    return fixture;
}

TEST(WorkbookTexts, TextsTakenFromCellsAreNeverListedAndEscapesAreKept)
{
    TempDir dir;
    const auto path = fixtureWithLinkedTexts().write(dir / "linked.xlsx");
    auto book = Workbook::open(path.string());
    ASSERT_TRUE(book.ok()) << book.error().message();
    auto texts = book.value().texts(TextKinds::all());
    ASSERT_TRUE(texts.ok());
    const std::vector<Listed> expected = {
        {TextKind::Note, "note C3", "Bold"},
        {TextKind::Note, "note C3", "and plain"},
        {TextKind::Shape, "shape 2", "Free text"},
        {TextKind::Chart, "chart 1 title", "Title & more"},
        {TextKind::Chart, "chart 1 series name", "Literal"},
    };
    std::vector<Listed> found;
    for (const PlacedText& text : texts.value().texts)
        found.emplace_back(text.kind, text.place, text.text);
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(texts.value().leftAsTheyAre.empty());

    const std::vector<std::string> replacements = {"Negrita", "y <normal>", "Texto libre", "Título & más", "_x0041_"};
    for (std::size_t i = 0; i < replacements.size(); ++i)
        ASSERT_TRUE(book.value().setText(i, replacements[i]).ok());
    ASSERT_TRUE(book.value().save().ok());
    const auto parts = testing::readZip(path);
    std::map<std::string, std::string> byName(parts.begin(), parts.end());
    const std::vector<std::pair<std::string, std::string>> written = {
        {"xl/comments1.xml", "<t>Negrita</t></r><r><t xml:space=\"preserve\"> y &lt;normal&gt;</t>"},
        {"xl/comments1.xml", "<t>ふりがな</t>"},
        {"xl/drawings/drawing1.xml", "<a:t>From A1</a:t>"},
        {"xl/drawings/drawing1.xml", "<a:t>Field</a:t>"},
        {"xl/drawings/drawing1.xml", "<a:t xml:space=\"preserve\">  Texto libre </a:t>"},
        {"xl/charts/chart1.xml", "<a:t>Título &amp; más</a:t>"},
        {"xl/charts/chart1.xml", "<c:v>Cached name</c:v>"},
        {"xl/charts/chart1.xml", "<c:v>Cached label</c:v>"},
        {"xl/charts/chart1.xml", "<c:tx><c:v>_x0041_</c:v></c:tx>"},
    };
    for (const auto& [part, piece] : written)
        EXPECT_NE(byName[part].find(piece), std::string::npos) << part << " lacks " << piece;
}

TEST(HeaderCodes, CodesStayAndLiteralAmpersandsRoundTrip)
{
    struct Case {
        std::string header;
        std::vector<std::string> literals;
    };
    const std::vector<Case> cases = {
        {"&LPage &P of &N&CReport&R&D &T", {"Page ", " of ", "Report", " "}},
        {"&\"Arial,Bold Italic\"&14Title &&Co", {"Title &Co"}},
        {"&K00FF00Green&KFF0000", {"Green"}},
        {"&P+2 pages&N-1", {" pages"}},
        {"plain & at end&", {"plain ", "at end"}},
        {"&12", {}},
    };
    for (const Case& c : cases) {
        const auto pieces = splitHeaderCodes(c.header);
        std::vector<std::string> literals;
        for (const auto& piece : pieces)
            if (!piece.code)
                literals.push_back(piece.text);
        EXPECT_EQ(literals, c.literals) << c.header;
        EXPECT_EQ(joinHeaderPieces(pieces), c.header) << c.header;
    }
}

}  // namespace
}  // namespace veltrano::spreadsheet
