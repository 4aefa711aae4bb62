#include "tools/xlcell/commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "spreadsheet/numfmt/renderer.h"
#include "tests/spreadsheet/fixture.h"

namespace veltrano::xlcell {
namespace {

using spreadsheet::testing::TempDir;
using spreadsheet::testing::WorkbookFixture;

struct Run {
    int status;
    std::string out;
    std::string err;
};

Run xlcell(std::vector<std::string> args, const std::string& input = {})
{
    std::istringstream in(input);
    std::ostringstream out, err;
    int status = run(args, in, out, err);
    return {status, out.str(), err.str()};
}

std::string sample(const TempDir& dir)
{
    return WorkbookFixture()
        .sharedStrings({"<t>tab\there</t>", "<t>back\\slash</t>"})
        .worksheet("Main", R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="C1"><f>1+1</f><v>2</v></c></row>)"
                           R"(<row r="2"><c r="B2" t="inlineStr"><is><t>two
lines</t></is></c><c r="C2" t="b"><v>0</v></c></row>)")
        .chartsheet("Chart")
        .worksheet("My Sheet", R"(<row r="3"><c r="A3" t="s"><v>1</v></c></row>)", {}, {}, "hidden")
        .activeTab(1)
        .write(dir / "book.xlsx")
        .string();
}

TEST(Xlcell, SheetsListsPositionNameKindStateAndTheActiveOne)
{
    TempDir dir;
    auto result = xlcell({"sheets", sample(dir)});
    EXPECT_EQ(result.status, kOk);
    EXPECT_EQ(result.out,
              "1\tMain\tworksheet\tvisible\n2\tChart\tchartsheet\tvisible\t*\n3\tMy Sheet\tworksheet\thidden\n");
}

TEST(Xlcell, DumpPrintsEscapedTsvRowMajorSheetBySheet)
{
    TempDir dir;
    auto path = sample(dir);
    auto all = xlcell({"dump", path});
    EXPECT_EQ(all.status, kOk);
    EXPECT_EQ(all.out, "Main\tA1\ttext\tyes\ttab\\there\n"
                       "Main\tC1\tformula\tno: formula cell\t2\n"
                       "Main\tB2\ttext\tyes\ttwo\\nlines\n"
                       "Main\tC2\tboolean\tno: TRUE or FALSE value\tFALSE\n"
                       "My Sheet\tA3\ttext\tyes\tback\\\\slash\n");
    auto one = xlcell({"dump", path, "--sheet", "my sheet"});
    EXPECT_EQ(one.out, "My Sheet\tA3\ttext\tyes\tback\\\\slash\n");
    auto missing = xlcell({"dump", path, "--sheet", "Chart"});
    EXPECT_EQ(missing.status, kFailed);
    EXPECT_NE(missing.err.find("no worksheet named \"Chart\""), std::string::npos);
}

TEST(Xlcell, SetWritesInPlaceOrToAnotherFileAndRefusesFormulas)
{
    TempDir dir;
    auto path = sample(dir);
    auto out = (dir / "out.xlsx").string();
    EXPECT_EQ(xlcell({"set", path, "-o", out, "Main!A1=hola", "'My Sheet'!B9=a=b"}).status, kOk);
    EXPECT_EQ(xlcell({"dump", out, "--sheet", "My Sheet"}).out,
              "My Sheet\tA3\ttext\tyes\tback\\\\slash\nMy Sheet\tB9\ttext\tyes\ta=b\n");
    EXPECT_NE(xlcell({"dump", path}).out.find("tab\\there"), std::string::npos) << "the source must stay as it was";

    auto refused = xlcell({"set", path, "Main!A1=x", "Main!C1=y"});
    EXPECT_EQ(refused.status, kFailed);
    EXPECT_NE(refused.err.find("Main!C1: formula cell"), std::string::npos) << refused.err;
    EXPECT_NE(xlcell({"dump", path}).out.find("tab\\there"), std::string::npos) << "nothing is saved after a refusal";

    EXPECT_EQ(xlcell({"set", path, "Main!A1=x"}).status, kOk);
    EXPECT_NE(xlcell({"dump", path}).out.find("Main\tA1\ttext\tyes\tx\n"), std::string::npos);
}

TEST(Xlcell, ParsesAssignments)
{
    auto plain = parseAssignment("Sheet1!B7=some = text");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->sheet, "Sheet1");
    EXPECT_EQ(plain->row, 7);
    EXPECT_EQ(plain->column, 2);
    EXPECT_EQ(plain->text, "some = text");
    auto bang = parseAssignment("Wow!Sheet!$C$2=");
    ASSERT_TRUE(bang);
    EXPECT_EQ(bang->sheet, "Wow!Sheet");
    EXPECT_EQ(bang->text, "");
    auto quoted = parseAssignment("'It''s'!A1=x");
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->sheet, "It's");
    for (const char* bad : {"A1=x", "Sheet1!A0=x", "Sheet1!A1", "'open!A1=x"})
        EXPECT_FALSE(parseAssignment(bad)) << bad;
}

TEST(Xlcell, FormatRendersArgumentsOrStandardInputLines)
{
    numfmt::Renderer renderer(numfmt::DateSystem::Excel1904);
    auto single = xlcell({"format", "0.00", "3.14159", "--date1904"});
    EXPECT_EQ(single.status, kOk);
    EXPECT_EQ(single.out, renderer.number(renderer.intern("0.00"), 3.14159) + "\n");
    auto lines = xlcell({"format"}, "General\t12\tignored\n@\tabc\n");
    EXPECT_EQ(lines.status, kOk);
    numfmt::Renderer r1900(numfmt::DateSystem::Excel1900);
    EXPECT_EQ(lines.out,
              r1900.number(r1900.intern("General"), 12) + "\n" + r1900.text(r1900.intern("@"), "abc") + "\n");
    EXPECT_EQ(xlcell({"format"}, "no tab here\n").status, kFailed);
}

TEST(Xlcell, ReportsUsageAndFailuresWithTheirStatus)
{
    EXPECT_EQ(xlcell({}).status, kUsage);
    for (const char* option : {"--help", "--version"}) {
        const auto answer = xlcell({option});
        EXPECT_EQ(answer.status, kOk) << option;
        EXPECT_NE(answer.out.find("xlcell"), std::string::npos) << option;
    }
    auto unknown = xlcell({"frobnicate"});
    EXPECT_EQ(unknown.status, kUsage);
    EXPECT_EQ(std::count(unknown.err.begin(), unknown.err.end(), '\n'), 1) << "one line per error";
    EXPECT_EQ(xlcell({"set", "x.xlsx", "nonsense"}).status, kUsage);
    auto missing = xlcell({"sheets", "/nonexistent/book.xlsx"});
    EXPECT_EQ(missing.status, kFailed);
    EXPECT_EQ(missing.err, "xlcell: /nonexistent/book.xlsx: no such file\n");
}

// Only the stored cells are visited: a sheet spanning the whole grid dumps in no time.
TEST(Xlcell, DumpOfASparseSheetListsItsStoredCells)
{
    TempDir dir;
    const std::string path = WorkbookFixture()
                                 .worksheet("S", R"(<row r="1"><c r="A1"><v>1</v></c></row>)"
                                                 R"(<row r="1048576"><c r="XFD1048576"><v>2</v></c></row>)")
                                 .write(dir / "sparse.xlsx")
                                 .string();
    auto result = xlcell({"dump", path});
    EXPECT_EQ(result.status, kOk);
    EXPECT_EQ(result.out, "S\tA1\tnumber\tno: number value\t1\nS\tXFD1048576\tnumber\tno: number value\t2\n");
}

}  // namespace
}  // namespace veltrano::xlcell
