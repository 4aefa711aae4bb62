// Writing cells: which cells are not ours to replace, and the exact markup a write leaves in
// the worksheet, the shared strings, the tables and the package.
#include <gtest/gtest.h>

#include "spreadsheet/workbook.h"
#include "tests/spreadsheet/fixture.h"

namespace veltrano::spreadsheet {
namespace {

using testing::TempDir;
using testing::WorkbookFixture;

constexpr const char* kTableType = "application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml";

Workbook openPath(const std::filesystem::path& path)
{
    auto result = Workbook::open(path.string());
    if (!result)
        throw std::runtime_error(result.error().message());
    return std::move(result.value());
}

std::string part(const std::filesystem::path& path, const std::string& name)
{
    for (const auto& [n, content] : testing::readZip(path))
        if (n == name)
            return content;
    return "<missing>";
}

bool hasPart(const std::filesystem::path& path, const std::string& name)
{
    return part(path, name) != "<missing>";
}

void write(Worksheet sheet, int row, int column, const std::string& text, FormulaPolicy policy = FormulaPolicy::Keep)
{
    auto written = sheet.setValue(row, column, text, policy);
    if (!written)
        throw std::runtime_error(written.error().message());
}

// One sheet holding each structure that protects its cells.
class WriteBlocks : public ::testing::Test {
protected:
    void SetUp() override
    {
        WorkbookFixture fixture;
        const std::string rows =
            R"(<row r="1"><c r="A1"><f>1+1</f><v>2</v></c><c r="B1"><f t="array" ref="B1:B3">ROW(B1:B3)</f><v>1</v></c>)"
            R"(<c r="C1"><f t="array" ref="C1">1</f><v>1</v></c><c r="D1" cm="1"><f t="array" ref="D1:D3">SEQUENCE(3)</f><v>1</v></c>)"
            R"(<c r="E1"><f t="dataTable" ref="E1:F2" dt2D="0" dtr="0" r1="A1"/><v>5</v></c><c r="G1" t="e" vm="1"><v>#VALUE!</v></c>)"
            R"(<c r="J1" t="inlineStr"><is><t>Name</t></is></c><c r="K1" t="inlineStr"><is><t>Amount</t></is></c>)"
            R"(<c r="L1" t="inlineStr"><is><t>Price </t></is></c></row>)"
            R"(<row r="2"><c r="B2"><v>2</v></c><c r="D2"><v>2</v></c><c r="E2"><v>6</v></c><c r="F2"><v>7</v></c><c r="H2" t="inlineStr"><is><t>pivot</t></is></c>)"
            R"(<c r="J2" t="inlineStr"><is><t>a</t></is></c><c r="K2"><v>1</v></c><c r="L2"><v>3</v></c></row>)";
        fixture.definedName("Total", "SUM(Table1[Amount])+SUM(Table1[Price])");
        std::string tableId = fixture.relatedPart(
            1, "table", "xl/tables/table1.xml",
            R"(<table xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" id="1" name="Table1" displayName="Table1" ref="J1:L2">)"
            R"(<tableColumns count="3"><tableColumn id="1" name="Name"/><tableColumn id="2" name="Amount"/>)"
            R"(<tableColumn id="3" name="Price "/></tableColumns></table>)",
            kTableType);
        fixture.relatedPart(
            1, "pivotTable", "xl/pivotTables/pivotTable1.xml",
            R"(<pivotTableDefinition xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" name="P"><location ref="H1:I3" firstHeaderRow="1" firstDataRow="1" firstDataCol="1"/></pivotTableDefinition>)",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.pivotTable+xml");
        fixture.relatedPart(
            1, "pivotTable", "xl/pivotTables/pivotTable2.xml",
            R"(<pivotTableDefinition xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" name="Q"><location ref="H8:H9" firstHeaderRow="1" firstDataRow="1" firstDataCol="1" rowPageCount="2" colPageCount="1"/></pivotTableDefinition>)",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.pivotTable+xml");
        fixture.cellXf(0).cellXf(0, false);
        fixture.worksheet("S", rows, "<tableParts count=\"1\"><tablePart r:id=\"" + tableId + "\"/></tableParts>");
        fixture.worksheet(
            "Locked",
            R"(<row r="1"><c r="A1" t="inlineStr"><is><t>x</t></is></c><c r="B1" s="1" t="inlineStr"><is><t>y</t></is></c></row>)",
            {}, R"(<sheetPr/><sheetProtection sheet="1" objects="1"/>)");
        // sheetProtection belongs after sheetData; the fixture puts "before" first, so move it.
        auto parts = fixture.parts();
        for (auto& [name, content] : parts) {
            if (name == "xl/worksheets/sheet2.xml") {
                std::string protection = R"(<sheetProtection sheet="1" objects="1"/>)";
                content.erase(content.find(protection), protection.size());
                content.insert(content.find("</worksheet>"), protection);
            }
        }
        testing::writeZip(m_dir / "blocks.xlsx", parts);
        m_book.emplace(openPath(m_dir / "blocks.xlsx"));
    }

    TempDir m_dir;
    std::optional<Workbook> m_book;
};

TEST_F(WriteBlocks, NameWhyEachProtectedCellIsNotOurs)
{
    auto sheet = m_book->worksheet(0);
    const std::vector<std::tuple<const char*, int, int, WriteBlock>> cases = {
        {"formula", 1, 1, WriteBlock::Formula},
        {"array member", 2, 2, WriteBlock::ArrayFormula},
        {"array anchor", 1, 2, WriteBlock::ArrayFormula},
        {"single-cell array", 1, 3, WriteBlock::Formula},
        {"spill member", 2, 4, WriteBlock::SpillRange},
        {"data table", 2, 6, WriteBlock::DataTable},
        {"rich value", 1, 7, WriteBlock::RichValue},
        {"pivot", 2, 8, WriteBlock::PivotTable},
        {"empty pivot cell", 3, 9, WriteBlock::PivotTable},
        {"pivot filter value", 5, 9, WriteBlock::PivotTable},
        {"row below pivot filters", 7, 8, WriteBlock::PivotTable},
        {"above pivot filters", 4, 8, WriteBlock::None},
        {"header named in a formula", 1, 11, WriteBlock::TableColumnInUse},
        {"header named in a formula, its name ending in a space", 1, 12, WriteBlock::TableColumnInUse},
        {"header not named anywhere", 1, 10, WriteBlock::None},
        {"table data", 2, 10, WriteBlock::None},
    };
    for (const auto& [name, row, column, expected] : cases)
        EXPECT_EQ(sheet.writeBlock(row, column), expected) << name;

    auto locked = m_book->worksheet(1);
    EXPECT_EQ(locked.writeBlock(1, 1), WriteBlock::ProtectedCell);
    EXPECT_EQ(locked.writeBlock(1, 2), WriteBlock::None);
}

TEST_F(WriteBlocks, RefusedWritesSayWhereAndWhyAndChangeNothing)
{
    auto sheet = m_book->worksheet(0);
    auto refused = sheet.setValue(2, 2, "x");
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, ErrorCode::NotWritable);
    EXPECT_NE(refused.error().message().find("S!B2: part of an array formula"), std::string::npos)
        << refused.error().message();
    EXPECT_FALSE(m_book->isModified());
    EXPECT_EQ(sheet.setValue(0, 1, "x").error().code, ErrorCode::InvalidArgument);
    EXPECT_EQ(sheet.writeBlock(1, 1, FormulaPolicy::Replace), WriteBlock::None);
}

// Only a cell whose stored value is text is for a translation to replace, whatever a number
// format shows; writeBlock()'s reasons come first.
TEST(TranslationBlock, OnlyStoredTextIsOursToTranslate)
{
    TempDir dir;
    const std::string rows =
        R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="inlineStr"><is><t>x</t></is></c>)"
        R"(<c r="D1" s="1" t="inlineStr"><is><t>7</t></is></c><c r="E1"><v>8412345678901</v></c><c r="F1" s="2"><v>0.378</v></c>)"
        R"(<c r="G1" t="d"><v>2017-09-23</v></c><c r="H1" t="b"><v>1</v></c><c r="I1" t="e"><v>#N/A</v></c>)"
        R"(<c r="J1" s="1"/><c r="K1" t="str"><f>A1</f><v>house</v></c><c r="L1" s="3"><v>1234.5</v></c></row>)";
    const auto path = WorkbookFixture()
                          .sharedStrings({"<t>house</t>", "<r><t>big </t></r><r><rPr><b/></rPr><t>house</t></r>"})
                          .numFmt(164, "h:mm AM/PM")
                          .cellXf(0)
                          .cellXf(49)
                          .cellXf(164)
                          .cellXf(4)
                          .worksheet("S", rows)
                          .worksheet("Locked", R"(<row r="1"><c r="A1" t="inlineStr"><is><t>x</t></is></c></row>)",
                                     R"(<sheetProtection sheet="1"/>)")
                          .write(dir / "kinds.xlsx");
    Workbook book = openPath(path);
    const Worksheet sheet = book.worksheet(0);
    const std::pair<int, WriteBlock> cases[] = {
        {1, WriteBlock::None},       {2, WriteBlock::None},         {3, WriteBlock::None},
        {4, WriteBlock::None},       {5, WriteBlock::NumberValue},  {6, WriteBlock::DateValue},
        {7, WriteBlock::DateValue},  {8, WriteBlock::BooleanValue}, {9, WriteBlock::ErrorValue},
        {10, WriteBlock::EmptyCell}, {11, WriteBlock::Formula},     {12, WriteBlock::NumberValue},
        {13, WriteBlock::EmptyCell},
    };
    for (const auto& [column, expected] : cases)
        EXPECT_EQ(sheet.translationBlock(1, column), expected) << "column " << column << ": " << sheet.text(1, column);
    EXPECT_EQ(book.worksheet(1).translationBlock(1, 1), WriteBlock::ProtectedCell);
}

struct CellShape {
    const char* name;
    std::string original;
    std::string text;
    std::string expected;  // the rewritten <c>; N stands for the new string's index (2)
};

void PrintTo(const CellShape& c, std::ostream* out)
{
    *out << c.name;
}

class CellMarkup : public ::testing::TestWithParam<CellShape> {};

TEST_P(CellMarkup, KeepsStyleAndExtensionsDropsTheRest)
{
    const auto& c = GetParam();
    TempDir dir;
    auto path = WorkbookFixture()
                    .sharedStrings({"<t>a</t>", "<t>b</t>"}, R"(count="2" uniqueCount="2")")
                    .cellXf(0)
                    .cellXf(3)
                    .worksheet("S", "<row r=\"1\">" + c.original + "</row>")
                    .write(dir / "in.xlsx");
    auto book = openPath(path);
    auto outcome = book.worksheet(0).setValue(1, 1, c.text, FormulaPolicy::Replace);
    ASSERT_TRUE(outcome.ok()) << outcome.error().message();
    ASSERT_TRUE(book.save().ok());
    std::string expected = c.expected;
    expected.replace(expected.find('N'), 1, "2");
    std::string sheetXml = part(path, "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheetXml.find("<row r=\"1\">" + expected + "</row>"), std::string::npos) << sheetXml;
    auto reopened = openPath(path);
    EXPECT_EQ(reopened.worksheet(0).text(1, 1), c.text);
    EXPECT_EQ(reopened.worksheet(0).kind(1, 1), CellKind::Text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CellMarkup,
    ::testing::Values(
        CellShape{"error with metadata and extension",
                  R"(<c r="A1" s="1" t="e" cm="1"><v>#N/A</v><extLst><ext uri="u"/></extLst></c>)", "hola",
                  R"(<c r="A1" s="1" t="s"><v>N</v><extLst><ext uri="u"/></extLst></c>)"},
        CellShape{"inline string", R"(<c r="A1" t="inlineStr"><is><t>x</t></is></c>)", "  two spaces ",
                  R"(<c r="A1" t="s"><v>N</v></c>)"},
        CellShape{"styled blank", R"(<c r="A1" s="1"/>)", "=1+2", R"(<c r="A1" s="1" t="s"><v>N</v></c>)"},
        CellShape{"formula replaced", R"(<c r='A1' t="str"><f>"x"</f><v>x</v></c>)", "tab\tand\r\nCRLF",
                  R"(<c r='A1' t="s"><v>N</v></c>)"},
        CellShape{"number", R"(<c r="A1"><v>1234.5</v></c>)", "_x0041_ & <b>", R"(<c r="A1" t="s"><v>N</v></c>)"}));

TEST(SharedStrings, AppendsWithoutTouchingExistingEntriesAndKeepsCountsRight)
{
    TempDir dir;
    auto path =
        WorkbookFixture()
            .sharedStrings({"<t>same</t>", "<t>other</t>"}, R"(count="3" uniqueCount="2")")
            .worksheet(
                "S",
                R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>0</v></c><c r="C1" t="s"><v>1</v></c><c r="D1"><v>7</v></c></row>)")
            .write(dir / "in.xlsx");
    const std::string before = part(path, "xl/sharedStrings.xml");
    auto book = openPath(path);
    write(book.worksheet(0), 1, 1, " lead");
    write(book.worksheet(0), 1, 4, " lead");
    ASSERT_TRUE(book.save().ok());
    const std::string after = part(path, "xl/sharedStrings.xml");
    const std::string items = R"(<si><t>same</t></si><si><t>other</t></si>)";
    EXPECT_NE(
        after.find(R"(count="4" uniqueCount="3">)" + items + R"(<si><t xml:space="preserve"> lead</t></si></sst>)"),
        std::string::npos)
        << after;
    EXPECT_EQ(after.substr(0, before.find("count=")), before.substr(0, before.find("count=")));
    auto reopened = openPath(path);
    EXPECT_EQ(reopened.worksheet(0).text(1, 2), "same");  // still shares the untouched entry
    EXPECT_EQ(reopened.worksheet(0).text(1, 4), " lead");
}

TEST(SharedStrings, PartIsCreatedWithRelationshipAndContentTypeInTheWorkbooksFamily)
{
    for (bool strict : {false, true}) {
        TempDir dir;
        WorkbookFixture fixture;
        if (strict)
            fixture.strict();
        auto path = fixture.worksheet("S", R"(<row r="1"><c r="A1"><v>1</v></c></row>)").write(dir / "in.xlsx");
        auto book = openPath(path);
        write(book.worksheet(0), 1, 1, "uno");
        ASSERT_TRUE(book.save().ok());
        const std::string family = strict ? "http://purl.oclc.org/ooxml/" : "http://schemas.openxmlformats.org/";
        EXPECT_NE(part(path, "xl/sharedStrings.xml").find("<sst xmlns=\"" + family), std::string::npos);
        EXPECT_NE(part(path, "xl/_rels/workbook.xml.rels")
                      .find("Type=\"" + family
                            + (strict ? "officeDocument/relationships/sharedStrings\""
                                      : "officeDocument/2006/relationships/sharedStrings\"")),
                  std::string::npos);
        EXPECT_NE(
            part(path, "[Content_Types].xml")
                .find(
                    R"(<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>)"),
            std::string::npos);
        EXPECT_EQ(openPath(path).worksheet(0).text(1, 1), "uno") << strict;
    }
}

TEST(NewMarkup, UsesThePartsOwnPrefix)
{
    TempDir dir;
    auto path = WorkbookFixture()
                    .elementPrefix("x")
                    .sharedStrings({"<x:t>old</x:t>"}, R"(count="1" uniqueCount="1")")
                    .worksheet("S", R"(<x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v></x:c></x:row>)")
                    .write(dir / "x.xlsx");
    auto book = openPath(path);
    write(book.worksheet(0), 1, 1, "nuevo");
    write(book.worksheet(0), 2, 2, "otro");
    ASSERT_TRUE(book.save().ok());
    EXPECT_NE(
        part(path, "xl/worksheets/sheet1.xml")
            .find(
                R"(<x:c r="A1" t="s"><x:v>1</x:v></x:c></x:row><x:row r="2"><x:c r="B2" t="s"><x:v>2</x:v></x:c></x:row>)"),
        std::string::npos)
        << part(path, "xl/worksheets/sheet1.xml");
    EXPECT_NE(
        part(path, "xl/sharedStrings.xml").find("<x:si><x:t>nuevo</x:t></x:si><x:si><x:t>otro</x:t></x:si></x:sst>"),
        std::string::npos);
    EXPECT_EQ(openPath(path).worksheet(0).text(2, 2), "otro");
}

TEST(TextLimit, RefusesTextPastTheLimitInUtf16UnitsAndKeepsTheCell)
{
    TempDir dir;
    auto path = WorkbookFixture()
                    .worksheet("S", R"(<row r="1"><c r="A1"><v>1</v></c><c r="B1"><v>1</v></c></row>)")
                    .write(dir / "in.xlsx");
    auto book = openPath(path);
    const std::string emoji = "\xF0\x9F\x98\x80";  // two UTF-16 units
    auto tooLong = book.worksheet(0).setValue(1, 1, std::string(32766, 'a') + emoji);
    ASSERT_FALSE(tooLong.ok());
    EXPECT_EQ(tooLong.error().code, ErrorCode::TooLarge);
    EXPECT_NE(tooLong.error().message().find("S!A1: the text is 32768 characters long"), std::string::npos)
        << tooLong.error().message();
    EXPECT_EQ(book.worksheet(0).text(1, 1), "1");
    auto exact = book.worksheet(0).setValue(1, 2, std::string(32765, 'b') + emoji);
    ASSERT_TRUE(exact.ok());
    ASSERT_TRUE(book.save().ok());
    EXPECT_EQ(openPath(path).worksheet(0).text(1, 2), std::string(32765, 'b') + emoji);
}

TEST(NewCells, GoIntoTheirRowInColumnOrderOrIntoNewRowsInRowOrder)
{
    TempDir dir;
    const std::vector<std::pair<std::string, std::string>> sheets = {
        {R"(<row r="2"><c r="A2"><v>1</v></c><c r="D2"><v>4</v></c></row><row r="5"/><row r="9"><c r="A9"><v>9</v></c></row>)",
         R"(<row r="1"><c r="B1" t="s"><v>0</v></c></row><row r="2"><c r="A2"><v>1</v></c><c r="B2" t="s"><v>0</v></c><c r="D2"><v>4</v></c><c r="F2" t="s"><v>0</v></c></row><row r="5"><c r="C5" t="s"><v>0</v></c></row><row r="7"><c r="A7" t="s"><v>0</v></c></row><row r="9"><c r="A9"><v>9</v></c></row><row r="12"><c r="A12" t="s"><v>0</v></c></row>)"},
    };
    auto path = WorkbookFixture().worksheet("S", sheets[0].first).worksheet("Empty", "").write(dir / "in.xlsx");
    auto book = openPath(path);
    for (auto [row, column] : {std::pair{1, 2}, {2, 2}, {2, 6}, {5, 3}, {7, 1}, {12, 1}})
        write(book.worksheet(0), row, column, "n");
    write(book.worksheet(1), 3, 3, "n");
    ASSERT_TRUE(book.save().ok());
    EXPECT_NE(part(path, "xl/worksheets/sheet1.xml").find("<sheetData>" + sheets[0].second + "</sheetData>"),
              std::string::npos)
        << part(path, "xl/worksheets/sheet1.xml");
    EXPECT_NE(part(path, "xl/worksheets/sheet2.xml")
                  .find(R"(<sheetData><row r="3"><c r="C3" t="s"><v>0</v></c></row></sheetData>)"),
              std::string::npos);
    auto reopened = openPath(path);
    EXPECT_EQ(reopened.worksheet(0).text(7, 1), "n");
    EXPECT_EQ(reopened.worksheet(0).usedRange(), (CellRange{1, 1, 12, 6}));
}

class TableHeaders : public ::testing::Test {
protected:
    std::filesystem::path make(const std::string& tableAttributes, const std::string& columns, const std::string& rows)
    {
        WorkbookFixture fixture;
        std::string id = fixture.relatedPart(
            1, "table", "xl/tables/table1.xml",
            R"(<table xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" id="1" name="T" displayName="T" )"
                + tableAttributes + "><tableColumns count=\"2\">" + columns + "</tableColumns></table>",
            kTableType);
        fixture.worksheet("S", rows, "<tableParts count=\"1\"><tablePart r:id=\"" + id + "\"/></tableParts>");
        return fixture.write(m_dir / "t.xlsx");
    }
    TempDir m_dir;
};

const std::string kHeaderRows =
    R"(<row r="1"><c r="A1" t="inlineStr"><is><t>Name</t></is></c><c r="B1" t="inlineStr"><is><t>Amount</t></is></c></row>)"
    R"(<row r="2"><c r="A2" t="inlineStr"><is><t>x</t></is></c><c r="B2"><v>1</v></c></row>)"
    R"(<row r="3"><c r="A3" t="inlineStr"><is><t>Total</t></is></c><c r="B3"><f>SUBTOTAL(109,B2)</f><v>1</v></c></row>)";

TEST_F(TableHeaders, RenameTheirColumnUniquelyAndKeepLabelsInStep)
{
    auto path = make(
        R"(ref="A1:B3" totalsRowCount="1")",
        R"(<tableColumn id="1" name="Name" totalsRowLabel="Total"/><tableColumn id="2" name="Amount" totalsRowFunction="sum"/>)",
        kHeaderRows);
    auto book = openPath(path);
    auto renamed = book.worksheet(0).setValue(1, 1, "amount ");
    ASSERT_TRUE(renamed.ok());
    EXPECT_TRUE(renamed.value().renamedColumn);
    EXPECT_EQ(renamed.value().storedText, "amount 2");
    write(book.worksheet(0), 3, 1, "Suma & total");
    ASSERT_TRUE(book.save().ok());
    EXPECT_NE(part(path, "xl/tables/table1.xml")
                  .find(R"(<tableColumn id="1" name="amount 2" totalsRowLabel="Suma &amp; total"/>)"),
              std::string::npos)
        << part(path, "xl/tables/table1.xml");
    EXPECT_EQ(openPath(path).worksheet(0).text(1, 1), "amount 2");
}

TEST_F(TableHeaders, NamesWithQuotesStayInsideThePartsOwnQuotes)
{
    const std::pair<char, const char*> cases[] = {{'"', R"(name="Customer's &quot;name&quot;")"},
                                                  {'\'', R"(name='Customer&apos;s "name"')"}};
    for (const auto& [quote, expected] : cases) {
        const std::string q(1, quote);
        auto path = make(R"(ref="A1:B3")",
                         "<tableColumn id=\"1\" name=" + q + "Name" + q + "/><tableColumn id=\"2\" name=\"Amount\"/>",
                         kHeaderRows);
        auto book = openPath(path);
        write(book.worksheet(0), 1, 1, "Customer's \"name\"");
        ASSERT_TRUE(book.save().ok());
        EXPECT_NE(part(path, "xl/tables/table1.xml").find(expected), std::string::npos)
            << part(path, "xl/tables/table1.xml");
        EXPECT_EQ(openPath(path).worksheet(0).text(1, 1), "Customer's \"name\"");
    }
}

TEST_F(TableHeaders, WithoutHeaderRowTheFirstRowIsJustData)
{
    auto path = make(R"(ref="A1:B3" headerRowCount="0")",
                     R"(<tableColumn id="1" name="Column1"/><tableColumn id="2" name="Column2"/>)", kHeaderRows);
    const std::string before = part(path, "xl/tables/table1.xml");
    auto book = openPath(path);
    auto written = book.worksheet(0).setValue(1, 1, "Column2");
    ASSERT_TRUE(written.ok());
    EXPECT_FALSE(written.value().renamedColumn);
    ASSERT_TRUE(book.save().ok());
    EXPECT_EQ(part(path, "xl/tables/table1.xml"), before);
}

struct SharedFormulaCase {
    const char* name;
    std::string rows;
    std::vector<std::pair<const char*, std::string>> expectedCells;  // markup fragments after writing B2
};

void PrintTo(const SharedFormulaCase& c, std::ostream* out)
{
    *out << c.name;
}

class SharedFormulas : public ::testing::TestWithParam<SharedFormulaCase> {};

TEST_P(SharedFormulas, KeepTheirMembersWhenTheMasterIsOverwritten)
{
    TempDir dir;
    auto path = WorkbookFixture().worksheet("S", GetParam().rows).write(dir / "f.xlsx");
    auto book = openPath(path);
    write(book.worksheet(0), 2, 2, "texto", FormulaPolicy::Replace);
    ASSERT_TRUE(book.save().ok());
    const std::string xml = part(path, "xl/worksheets/sheet1.xml");
    for (const auto& [cell, markup] : GetParam().expectedCells)
        EXPECT_NE(xml.find(markup), std::string::npos) << cell << "\n" << xml;
    auto reopened = openPath(path);
    EXPECT_EQ(reopened.worksheet(0).text(2, 2), "texto");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedFormulas,
    ::testing::Values(
        SharedFormulaCase{
            "fill down re-homes",
            R"(<row r="2"><c r="B2"><f t="shared" ref="B2:B4" si="0">A2*2</f><v>2</v></c></row>)"
            R"(<row r="3"><c r="B3"><f t="shared" si="0"/><v>4</v></c></row><row r="4"><c r="B4"><f t="shared" si="0"/><v>6</v></c></row>)",
            {{"B3", R"(<c r="B3"><f t="shared" ref="B3:B4" si="0">A3*2</f><v>4</v></c>)"},
             {"B4", R"(<c r="B4"><f t="shared" si="0"/><v>6</v></c>)"}}},
        SharedFormulaCase{
            "block expands",
            R"(<row r="2"><c r="B2"><f t="shared" ref="B2:C3" si="4">$A2+A$1</f><v>1</v></c><c r="C2"><f t="shared" si="4"/><v>1</v></c></row>)"
            R"(<row r="3"><c r="B3"><f t="shared" si="4"/><v>1</v></c><c r="C3"><f t="shared" si="4"/><v>1</v></c></row>)",
            {{"C2", R"(<c r="C2"><f>$A2+B$1</f><v>1</v></c>)"},
             {"B3", R"(<c r="B3"><f>$A3+A$1</f><v>1</v></c>)"},
             {"C3", R"(<c r="C3"><f>$A3+B$1</f><v>1</v></c>)"}}},
        SharedFormulaCase{
            "lone master", R"(<row r="2"><c r="B2"><f t="shared" ref="B2" si="1">1</f><v>1</v></c></row>)", {}}));

TEST(CalcChain, GoesWithItsRelationshipAndContentTypeOnceAFormulaGoes)
{
    for (bool removeFormula : {false, true}) {
        TempDir dir;
        WorkbookFixture fixture;
        fixture.relatedPart(
            0, "calcChain", "xl/calcChain.xml",
            R"(<calcChain xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><c r="A1" i="1"/></calcChain>)",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml");
        auto path = fixture.worksheet("S", R"(<row r="1"><c r="A1"><f>1+1</f><v>2</v></c><c r="B1"><v>3</v></c></row>)")
                        .write(dir / "c.xlsx");
        const auto before = testing::readZip(path);
        auto book = openPath(path);
        write(book.worksheet(0), 1, removeFormula ? 1 : 2, "x", FormulaPolicy::Replace);
        ASSERT_TRUE(book.save().ok());
        EXPECT_EQ(hasPart(path, "xl/calcChain.xml"), !removeFormula);
        EXPECT_EQ(part(path, "xl/_rels/workbook.xml.rels").find("calcChain") == std::string::npos, removeFormula);
        EXPECT_EQ(part(path, "[Content_Types].xml").find("calcChain") == std::string::npos, removeFormula);
        if (!removeFormula) {
            auto chain =
                std::find_if(before.begin(), before.end(), [](const auto& p) { return p.first == "xl/calcChain.xml"; });
            EXPECT_EQ(part(path, "xl/calcChain.xml"), chain->second);
        }
        EXPECT_TRUE(Workbook::open(path.string()).ok());
    }
}

// A workbook with formulas asks for a full recalculation once a cell is written: one attribute
// or one element in its place, the rest of workbook.xml byte for byte, and no second splice.
TEST(FullCalcOnLoad, IsSplicedIntoCalcPrOrAddedInItsPlace)
{
    const struct {
        const char* name;
        const char* prefix;
        const char* before;  // at the end of the workbook element
        const char* after;
        bool formula;
    } cases[] = {
        {"attribute added", "", R"(<calcPr calcId="191029"/>)", R"(<calcPr calcId="191029" fullCalcOnLoad="1"/>)",
         true},
        {"false turned true", "", "<calcPr fullCalcOnLoad='0'></calcPr>", "<calcPr fullCalcOnLoad='1'></calcPr>", true},
        {"element before extLst", "", "<extLst/>", R"(<calcPr fullCalcOnLoad="1"/><extLst/>)", true},
        {"element with the prefix", "x", "", R"(<x:calcPr fullCalcOnLoad="1"/>)", true},
        {"no formula, nothing", "", R"(<calcPr calcId="1"/>)", R"(<calcPr calcId="1"/>)", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string p = *c.prefix ? std::string(c.prefix) + ":" : "";
        const std::string cells = c.formula ? "<" + p + "row r=\"1\"><" + p + "c r=\"A1\"><" + p + "f>B1</" + p + "f></"
                                                  + p + "c></" + p + "row>"
                                            : "";
        auto parts = WorkbookFixture().elementPrefix(c.prefix).worksheet("S", cells).parts();
        std::string original;
        for (auto& [name, content] : parts)
            if (name == "xl/workbook.xml")
                original = content, content.insert(content.rfind("</"), c.before);
        std::string expected = original;
        expected.insert(expected.rfind("</"), c.after);
        const auto path = dir / "c.xlsx";
        testing::writeZip(path, parts);
        auto book = openPath(path);
        for (const char* text : {"x", "y"}) {
            write(book.worksheet(0), 2, 2, text);
            ASSERT_TRUE(book.save().ok());
            EXPECT_EQ(part(path, "xl/workbook.xml"), expected);
        }
    }
}

}  // namespace
}  // namespace veltrano::spreadsheet
