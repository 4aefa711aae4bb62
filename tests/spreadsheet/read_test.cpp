// Reading workbooks: sheets and their kinds, the active sheet, cell kinds and displayed text,
// the used range, and the odd shapes other writers produce.
#include <gtest/gtest.h>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/numfmt/renderer.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx/styles.h"
#include "tests/spreadsheet/fixture.h"

namespace veltrano::spreadsheet {
namespace {

using testing::TempDir;
using testing::WorkbookFixture;

Workbook openFixture(const WorkbookFixture& fixture, const TempDir& dir, const char* name = "book.xlsx")
{
    auto result = Workbook::open(fixture.write(dir / name).string());
    if (!result)
        throw std::runtime_error(result.error().message());
    return std::move(result.value());
}

TEST(Sheets, ListsEveryKindInOrderAndWorksheetsWithoutTheOthers)
{
    TempDir dir;
    auto book = openFixture(WorkbookFixture()
                                .worksheet("First", "")
                                .chartsheet("Chart")
                                .worksheet("Hidden", "", {}, {}, "hidden")
                                .dialogsheet("Dialog")
                                .macrosheet("Macro")
                                .worksheet("Secret", "", {}, {}, "veryHidden")
                                .activeTab(1),
                            dir);
    const auto& sheets = book.sheets();
    ASSERT_EQ(sheets.size(), 6u);
    EXPECT_EQ(sheets[1].kind, SheetKind::Chartsheet);
    EXPECT_EQ(sheets[3].kind, SheetKind::Dialogsheet);
    EXPECT_EQ(sheets[4].kind, SheetKind::Macrosheet);
    EXPECT_EQ(sheets[2].visibility, SheetVisibility::Hidden);
    EXPECT_EQ(sheets[5].visibility, SheetVisibility::VeryHidden);
    ASSERT_EQ(book.worksheetCount(), 3u);
    EXPECT_EQ(book.worksheet(0).name(), "First");
    EXPECT_EQ(book.worksheet(1).name(), "Hidden");
    EXPECT_EQ(book.worksheet(2).name(), "Secret");
    EXPECT_EQ(book.activeSheet(), 1u);
    EXPECT_FALSE(book.worksheetOfSheet(1).has_value());
    EXPECT_EQ(book.worksheetOfSheet(2), 1u);
    EXPECT_EQ(book.findWorksheet("secret"), 2u);
}

TEST(Sheets, ActiveTabOutOfRangeFallsBackToTheFirstSheet)
{
    TempDir dir;
    auto book = openFixture(WorkbookFixture().worksheet("A", "").worksheet("B", "").activeTab(9), dir);
    EXPECT_EQ(book.activeSheet(), 0u);
}

TEST(Sheets, MalformedUtf8InNamesAndTextsReadsAsReplacementCharacters)
{
    TempDir dir;
    auto book =
        openFixture(WorkbookFixture()
                        .sharedStrings({"<t>b\xFF</t>"})
                        .worksheet("Ho\xFEja", "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a\xC3</t></is></c>"
                                               R"(<c r="B1" t="s"><v>0</v></c></row>)"),
                    dir);
    EXPECT_EQ(book.sheets()[0].name, "Ho\uFFFDja");
    EXPECT_EQ(book.worksheet(0).text(1, 1), "a\uFFFD");
    EXPECT_EQ(book.worksheet(0).text(1, 2), "b\uFFFD");
}

struct CellCase {
    const char* cell;
    int row;
    CellKind kind;
    std::string text;
};

void PrintTo(const CellCase& c, std::ostream* out)
{
    *out << c.cell;
}

class CellReading : public ::testing::TestWithParam<CellCase> {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new TempDir;
        const std::string rows =
            R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)"
            R"(<row r="2"><c r="A2" t="s"><v>1</v></c></row>)"
            R"(<row r="3"><c r="A3" t="inlineStr"><is><t>a_x000D_
b</t></is></c></row>)"
            R"(<row r="4"><c r="A4" t="str"><f>"x"&amp;"y"</f><v>xy</v></c></row>)"
            R"(<row r="5"><c r="A5" t="b"><v>1</v></c></row>)"
            R"(<row r="6"><c r="A6" t="e"><v>#DIV/0!</v></c></row>)"
            R"(<row r="7"><c r="A7"><f>1/0</f></c></row>)"
            R"(<row r="8"><c r="A8" s="1"><v>1234.5</v></c></row>)"
            R"(<row r="9"><c r="A9" t="b"><f>TRUE()</f><v>0</v></c></row>)"
            R"(<row r="10"><c r="A10" s="1"/></row>)"
            R"(<row r="11"><c r="A11"><v>1E+20</v></c></row>)"
            R"(<row r="12"><c r="A12" t="inlineStr"><is><r><t>in</t></r><r><t>line</t></r></is></c></row>)"
            R"(<row r="13"><c r="A13" t="s"><v>2</v></c></row>)";
        auto fixture =
            WorkbookFixture()
                .sharedStrings(
                    {"<t>Hello</t>",
                     R"(<r><t>Bold</t></r><r><t xml:space="preserve"> text</t></r><rPh sb="0" eb="1"><t>HINT</t></rPh><phoneticPr fontId="1"/>)",
                     "<t xml:space=\"preserve\"> </t>"})
                .cellXf(0)
                .cellXf(4)
                .worksheet("S", rows);
        s_book = new Workbook(openFixture(fixture, *s_dir));
    }
    static void TearDownTestSuite()
    {
        delete s_book;
        delete s_dir;
    }
    static TempDir* s_dir;
    static Workbook* s_book;
};
TempDir* CellReading::s_dir = nullptr;
Workbook* CellReading::s_book = nullptr;

TEST_P(CellReading, GivesKindAndDisplayedText)
{
    const auto& c = GetParam();
    auto sheet = s_book->worksheet(0);
    EXPECT_EQ(sheet.kind(c.row, 1), c.kind) << c.cell;
    EXPECT_EQ(sheet.text(c.row, 1), c.text) << c.cell;
}

std::string general(double value)
{
    return numfmt::Renderer(numfmt::DateSystem::Excel1900).number(0, value);
}

std::string withCode(const char* code, double value)
{
    numfmt::Renderer renderer(numfmt::DateSystem::Excel1900);
    return renderer.number(renderer.intern(code), value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CellReading,
    ::testing::Values(CellCase{"shared string", 1, CellKind::Text, "Hello"},
                      CellCase{"rich text without phonetic hint", 2, CellKind::Text, "Bold text"},
                      CellCase{"inline string with escaped CR", 3, CellKind::Text, "a\r\nb"},
                      CellCase{"formula string result", 4, CellKind::Formula, "xy"},
                      CellCase{"boolean", 5, CellKind::Boolean, "TRUE"},
                      CellCase{"error", 6, CellKind::Error, "#DIV/0!"},
                      CellCase{"formula without cached value", 7, CellKind::Formula, ""},
                      CellCase{"formatted number", 8, CellKind::Number, withCode("#,##0.00", 1234.5)},
                      CellCase{"formula boolean result", 9, CellKind::Formula, "FALSE"},
                      CellCase{"styled blank", 10, CellKind::Empty, ""},
                      CellCase{"large number", 11, CellKind::Number, general(1e20)},
                      CellCase{"inline rich text", 12, CellKind::Text, "inline"},
                      CellCase{"single space", 13, CellKind::Text, " "}, CellCase{"no cell", 14, CellKind::Empty, ""}));

TEST(CellReading, LooksUpOutsideTheSheetAsEmpty)
{
    TempDir dir;
    auto book = openFixture(WorkbookFixture().worksheet("S", R"(<row r="1"><c r="A1"><v>1</v></c></row>)"), dir);
    auto sheet = book.worksheet(0);
    for (auto [row, column] : {std::pair{0, 1}, {1, 0}, {-5, 3}, {1048577, 1}, {1, 16385}}) {
        EXPECT_EQ(sheet.text(row, column), "");
        EXPECT_EQ(sheet.kind(row, column), CellKind::Empty);
    }
}

TEST(CellReading, DatesFromIsoTextAreDatesInBothSystems)
{
    for (const char* pr : {"", "date1904=\"1\"", "date1904=\"true\""}) {
        TempDir dir;
        auto book =
            openFixture(WorkbookFixture()
                            .cellXf(0)
                            .cellXf(14)
                            .workbookPr(*pr ? pr : "defaultThemeVersion=\"1\"")
                            .worksheet("S", R"(<row r="1"><c r="A1" s="1" t="d"><v>2024-03-01T00:00:00</v></c></row>)"),
                        dir);
        auto system = *pr ? numfmt::DateSystem::Excel1904 : numfmt::DateSystem::Excel1900;
        numfmt::Renderer renderer(system);
        double serial = *pr ? 45352 - 1462 : 45352;
        EXPECT_EQ(book.worksheet(0).kind(1, 1), CellKind::Date) << pr;
        EXPECT_EQ(book.worksheet(0).text(1, 1), renderer.number(renderer.intern("m/d/yyyy"), serial)) << pr;
    }
}

TEST(CellReading, NumbersUnderDateFormatsAreDates)
{
    TempDir dir;
    auto book =
        openFixture(WorkbookFixture().cellXf(0).cellXf(14).cellXf(4).worksheet(
                        "S", R"(<row r="1"><c r="A1" s="1"><v>45352</v></c><c r="B1" s="2"><v>45352</v></c></row>)"),
                    dir);
    EXPECT_EQ(book.worksheet(0).kind(1, 1), CellKind::Date);
    EXPECT_EQ(book.worksheet(0).kind(1, 2), CellKind::Number);
}

TEST(Styles, ChooseCustomThenBuiltInThenGeneralAndReadLocking)
{
    numfmt::Renderer renderer(numfmt::DateSystem::Excel1900);
    const std::string xml =
        R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
        R"(<numFmts count="2"><numFmt numFmtId="164" formatCode="0.0%"/><numFmt numFmtId="14" formatCode="dd/mm"/></numFmts>)"
        R"(<cellStyleXfs><xf numFmtId="3"/></cellStyleXfs>)"
        R"(<cellXfs><xf numFmtId="164"/><xf numFmtId="14"/><xf numFmtId="4"><protection locked="0"/></xf><xf numFmtId="999"/></cellXfs>)"
        R"(<dxfs><dxf><numFmt numFmtId="165" formatCode="#"/></dxf></dxfs></styleSheet>)";
    auto styles = Styles::parse(xml, {"", "styles"}, renderer);
    ASSERT_TRUE(styles.ok());
    EXPECT_EQ(styles.value().of(0).format, renderer.intern("0.0%"));
    EXPECT_EQ(styles.value().of(1).format, renderer.intern("dd/mm"));
    EXPECT_EQ(styles.value().of(2).format, renderer.intern("#,##0.00"));
    EXPECT_EQ(styles.value().of(3).format, renderer.intern("General"));
    EXPECT_EQ(styles.value().of(77).format, renderer.intern("0.0%"));
    EXPECT_TRUE(styles.value().of(0).locked);
    EXPECT_FALSE(styles.value().of(2).locked);
}

struct UsedRangeCase {
    const char* name;
    std::string rows;
    CellRange expected;
};

void PrintTo(const UsedRangeCase& c, std::ostream* out)
{
    *out << c.name;
}

class UsedRange : public ::testing::TestWithParam<UsedRangeCase> {};

TEST_P(UsedRange, IsTheBoxOfCellsHoldingValues)
{
    TempDir dir;
    auto book = openFixture(
        WorkbookFixture().cellXf(0).cellXf(0).worksheet("S", GetParam().rows, R"(<dimension ref="A1"/>)"), dir);
    EXPECT_EQ(book.worksheet(0).usedRange(), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsedRange,
    ::testing::Values(
        UsedRangeCase{"empty sheet", "", CellRange{1, 1, 1, 1}},
        UsedRangeCase{
            "C5 to E9",
            R"(<row r="5"><c r="C5"><v>1</v></c></row><row r="9"><c r="E9" t="inlineStr"><is><t>x</t></is></c></row>)",
            CellRange{5, 3, 9, 5}},
        UsedRangeCase{
            "styled blank and formula without value ignored",
            R"(<row r="2"><c r="B2"><v>1</v></c></row><row r="500"><c r="Z500" s="1"/><c r="AA500"><f>A1</f></c></row>)",
            CellRange{2, 2, 2, 2}},
        UsedRangeCase{"cells without r counted by position",
                      R"(<row><c><v>1</v></c><c><v>2</v></c></row><row><c/><c/><c><v>3</v></c></row>)",
                      CellRange{1, 1, 2, 3}}));

TEST(Layout, ReadsRowsOutOfOrderAndPositionalCells)
{
    TempDir dir;
    auto book = openFixture(
        WorkbookFixture().worksheet(
            "S",
            R"(<row r="3"><c r="B3"><v>3</v></c><c r="A3"><v>4</v></c></row><row r="1"><c><v>1</v></c><c><v>2</v></c></row>)"),
        dir);
    auto sheet = book.worksheet(0);
    EXPECT_EQ(sheet.text(1, 1), "1");
    EXPECT_EQ(sheet.text(1, 2), "2");
    EXPECT_EQ(sheet.text(3, 1), "4");
    EXPECT_EQ(sheet.text(3, 2), "3");
}

// Stored cells come row by row, left to right, whatever the part's order, with styled blanks
// and cells written where the part had none; nothing outside the range.
TEST(StoredCells, AreListedInRowMajorOrderWithinTheRange)
{
    TempDir dir;
    auto book = openFixture(
        WorkbookFixture().cellXf(0).worksheet(
            "S", R"(<row r="9"><c r="XFD9"><v>9</v></c></row><row r="3"><c r="D3" s="0"/><c r="B3"><v>3</v></c></row>)"
                 R"(<row r="1"><c r="A1"><v>1</v></c><c r="C1"><f>A1</f></c></row><row r="5"/>)"),
        dir);
    auto sheet = book.worksheet(0);
    ASSERT_TRUE(sheet.setValue(3, 3, "added").ok());
    ASSERT_TRUE(sheet.setValue(1048576, 1, "last").ok());
    const struct {
        CellRange range;
        std::vector<CellAddress> expected;
    } cases[] = {
        {{1, 1, kMaxRows, kMaxColumns}, {{1, 1}, {1, 3}, {3, 2}, {3, 3}, {3, 4}, {9, 16384}, {1048576, 1}}},
        {{2, 2, 9, 3}, {{3, 2}, {3, 3}}},
        {{1, 3, 3, 3}, {{1, 3}, {3, 3}}},
        {{4, 1, 8, kMaxColumns}, {}},
        {{9, 16384, 9, 16384}, {{9, 16384}}},
    };
    for (const auto& c : cases) {
        const auto found = sheet.storedCells(c.range);
        EXPECT_EQ(found, c.expected) << rangeName(c.range);
    }
}

TEST(Layout, ReadsPrefixedAndStrictWorkbooks)
{
    TempDir dir;
    auto prefixed = openFixture(WorkbookFixture()
                                    .elementPrefix("x")
                                    .sharedStrings({"<x:t>prefixed</x:t>"})
                                    .worksheet("S", R"(<x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v></x:c></x:row>)"),
                                dir, "prefixed.xlsx");
    EXPECT_EQ(prefixed.worksheet(0).text(1, 1), "prefixed");
    auto strict = openFixture(WorkbookFixture()
                                  .strict()
                                  .sharedStrings({"<t>strict</t>"})
                                  .chartsheet("C")
                                  .worksheet("S", R"(<row r="2"><c r="B2" t="s"><v>0</v></c></row>)")
                                  .activeTab(1),
                              dir, "strict.xlsx");
    ASSERT_EQ(strict.worksheetCount(), 1u);
    EXPECT_EQ(strict.worksheet(0).text(2, 2), "strict");
    EXPECT_EQ(strict.activeSheet(), 1u);
}

TEST(Layout, ReadsZipsWithDataDescriptorsAndStoredEntries)
{
    TempDir dir;
    auto fixture = WorkbookFixture()
                       .sharedStrings({"<t>zip</t>"})
                       .worksheet("S", R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)");
    for (auto style : {testing::ZipStyle::Stored, testing::ZipStyle::DataDescriptors}) {
        auto book = Workbook::open(fixture.write(dir / "z.xlsx", style).string());
        ASSERT_TRUE(book.ok()) << book.error().message();
        EXPECT_EQ(book.value().worksheet(0).text(1, 1), "zip");
    }
}

}  // namespace
}  // namespace veltrano::spreadsheet
