// The core's conversion of one open workbook, on the engine alone: which cells are sent and
// written, cell by cell and gathered alike, what a translation too long for a cell does, what a
// dry run reports, and where a failure stops.

#include "core/cell_rule.h"
#include "core/conversion.h"
#include "spreadsheet/workbook.h"
#include "tests/excel/sheet_cells.h"
#include "tests/spreadsheet/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace veltrano;
using core::Pace;
using core::Scope;
using spreadsheet::testing::TempDir;
using spreadsheet::testing::WorkbookFixture;
using veltrano::testing::sheetRows;
using veltrano::testing::text;

const std::string kTooLong(spreadsheet::kMaxCellTextUnits + 1, 'x');

// Upper case, except "long" (past a cell's limit), "same" (itself) and "fail" (no answer).
class StandInTranslator final : public core::Translator {
public:
    core::Result<std::vector<std::string>> translate(const std::vector<std::string_view>& texts) override
    {
        calls.push_back(texts.size());
        std::vector<std::string> out;
        for (const std::string_view text : texts) {
            sent.emplace_back(text);
            if (text == "fail")
                return core::Failure{"the translator went away", {}};
            std::string translation(text);
            std::transform(translation.begin(), translation.end(), translation.begin(), ::toupper);
            out.push_back(text == "long" ? kTooLong : text == "same" ? std::string(text) : translation);
        }
        return out;
    }
    void readAhead(const std::vector<std::string_view>& texts) override
    {
        EXPECT_TRUE(sent.empty()) << "read ahead after a translation";
        readFirst.assign(texts.begin(), texts.end());
    }
    std::vector<std::string> sent;
    std::vector<std::size_t> calls;  // texts per call
    std::vector<std::string> readFirst;
};

class EventLog final : public core::ConversionEvents {
public:
    void conversionStarted() override { log.push_back("start"); }
    void conversionEnded() override { log.push_back("end"); }
    void cellReached() override { ++reached; }
    void cellChanged(const core::ChangedCell& cell) override
    {
        changed.push_back(cell.sheet + "!" + cell.cell + " " + cell.before + ">" + cell.after);
    }
    std::vector<std::string> log;
    std::vector<std::string> changed;
    int reached = 0;
};

// Style 1 hides every value (;;;), style 2 shows text with a unit (@" kg").
WorkbookFixture mixedBook(std::vector<std::pair<std::string, std::string>> cells)
{
    return WorkbookFixture()
        .numFmt(164, ";;;")
        .numFmt(165, "@&quot; kg&quot;")
        .cellXf(0)
        .cellXf(164)
        .cellXf(165)
        .worksheet("Data", sheetRows(cells))
        .worksheet("Locked", sheetRows({{"A1", text("kept")}}), "<sheetProtection sheet=\"1\"/>");
}

// One cell per row of Data: what it holds, the text sent for it ("" for none), and what it
// shows after.
struct CellCase {
    const char* what;
    std::string markup;
    std::string sent;
    std::string shownAfter;
};

const CellCase kCellCases[] = {
    {"a text", text("total"), "total", "TOTAL"},
    {"a text its format hides", "s=\"1\" " + text("hidden"), "", ""},
    {"a formula", "t=\"str\"><f>\"formula\"</f><v>formula</v>", "", "formula"},
    {"a number", "><v>1234.5</v>", "", "1234.5"},
    {"a boolean", "t=\"b\"><v>1</v>", "", "TRUE"},
    {"a text with a unit, sent as stored", "s=\"2\" " + text("box"), "box", "BOX kg"},
    {"a translation too long for a cell", text("long"), "long", "long"},
    {"a translation equal to the text", text("same"), "same", "same"},
};

class ConversionTest : public ::testing::Test {
protected:
    spreadsheet::Workbook open(const WorkbookFixture& fixture)
    {
        auto opened = spreadsheet::Workbook::open(fixture.write(m_folder / "book.xlsx").string());
        EXPECT_TRUE(opened) << opened.error().message();
        return std::move(opened).value();
    }

    WorkbookFixture caseBook() const
    {
        std::vector<std::pair<std::string, std::string>> cells;
        for (std::size_t i = 0; i < std::size(kCellCases); ++i)
            cells.emplace_back("A" + std::to_string(i + 1), kCellCases[i].markup);
        return mixedBook(cells);
    }

    TempDir m_folder;
    StandInTranslator translator;
    EventLog events;
};

TEST_F(ConversionTest, BothPacesSendAndWriteTheSameCells)
{
    for (const Pace pace : {Pace::CellByCell, Pace::Gathered}) {
        SCOPED_TRACE(pace == Pace::CellByCell ? "cell by cell" : "gathered");
        translator = StandInTranslator();
        events = EventLog();
        spreadsheet::Workbook book = open(caseBook());
        const auto converted = core::convertCells(book, Scope::wholeWorkbook(), translator, pace, events);
        ASSERT_TRUE(converted) << converted.error().message();

        std::vector<std::string> expectedSent;
        for (std::size_t i = 0; i < std::size(kCellCases); ++i) {
            const CellCase& c = kCellCases[i];
            EXPECT_EQ(book.worksheet(0).text(int(i) + 1, 1), c.shownAfter) << c.what;
            if (!c.sent.empty())
                expectedSent.push_back(c.sent);
        }
        EXPECT_EQ(translator.sent, expectedSent);
        // Cell by cell, the translator sees the scope's texts first, as a batch would.
        EXPECT_EQ(translator.readFirst, pace == Pace::CellByCell ? expectedSent : std::vector<std::string>());
        EXPECT_EQ(translator.calls,
                  pace == Pace::Gathered ? std::vector<std::size_t>{4} : std::vector<std::size_t>(4, 1));
        EXPECT_EQ(book.worksheet(1).text(1, 1), "kept");
        EXPECT_EQ(events.changed, (std::vector<std::string>{"Data!A1 total>TOTAL", "Data!A6 box>BOX"}));
        EXPECT_EQ(converted.value().changedCells, 2u);
        ASSERT_EQ(converted.value().cellsLeft.size(), 1u);
        EXPECT_NE(converted.value().cellsLeft[0].message().find(
                      "sheet \"Data\", cell A7: the translation is 32768 characters long"),
                  std::string::npos)
            << converted.value().cellsLeft[0].message();
        // Every stored cell is reached, the locked sheet's too.
        EXPECT_EQ(events.reached, int(std::size(kCellCases)) + 1);
        EXPECT_EQ(events.log, (std::vector<std::string>{"start", "end"}));
    }
}

TEST_F(ConversionTest, ADryRunWritesNothingAndSaysWhatWouldChange)
{
    spreadsheet::Workbook book = open(caseBook());
    const auto converted =
        core::convertCells(book, Scope::wholeWorkbook(), translator, Pace::Gathered, events, /*write=*/false);
    ASSERT_TRUE(converted) << converted.error().message();
    EXPECT_FALSE(book.isModified());
    EXPECT_EQ(book.worksheet(0).text(1, 1), "total");
    EXPECT_EQ(events.changed, (std::vector<std::string>{"Data!A1 total>TOTAL", "Data!A6 box>BOX"}));
    EXPECT_EQ(converted.value().cellsLeft.size(), 1u);
}

// A failed exchange ends a conversion cell by cell at its cell, the cells before it written; a
// failed batch ends a gathered one before any is written. Either way the events end.
TEST_F(ConversionTest, AFailureNamesWhereItStopped)
{
    const struct {
        Pace pace;
        std::string message;
        std::string cell;
        std::string firstAfter;
    } cases[] = {
        {Pace::CellByCell, "sheet \"Data\", cell B1: the translator went away", "B1", "ONE"},
        {Pace::Gathered, "book.xlsx: not translated: the translator went away", "", "one"},
    };
    for (const auto& c : cases) {
        events = EventLog();
        spreadsheet::Workbook book =
            open(mixedBook({{"A1", text("one")}, {"B1", text("fail")}, {"C1", text("three")}}));
        const auto converted = core::convertCells(book, Scope::wholeWorkbook(), translator, c.pace, events);
        ASSERT_FALSE(converted);
        EXPECT_NE(converted.error().message().find(c.message), std::string::npos) << converted.error().message();
        EXPECT_EQ(converted.error().place.cell, c.cell);
        EXPECT_EQ(book.worksheet(0).text(1, 1), c.firstAfter);
        EXPECT_EQ(book.worksheet(0).text(1, 3), "three");
        EXPECT_EQ(events.log, (std::vector<std::string>{"start", "end"}));
    }
}

// A scope the workbook does not have fails before any cell, with nothing begun.
TEST_F(ConversionTest, AScopeNotInTheWorkbookFailsNamingTheSheet)
{
    const struct {
        Scope scope;
        std::string sheet;
        std::string message;
    } cases[] = {
        {Scope::activeSheet(), "Plot", "the active sheet is a chart sheet, not a worksheet"},
        {Scope::cellBlock("Missing", {1, 1, 2, 2}), "Missing", "the workbook has no worksheet of that name"},
    };
    for (const auto& c : cases) {
        events = EventLog();
        spreadsheet::Workbook book =
            open(WorkbookFixture().worksheet("One", sheetRows({{"A1", text("one")}})).chartsheet("Plot").activeTab(1));
        for (const Pace pace : {Pace::CellByCell, Pace::Gathered}) {
            const auto converted = core::convertCells(book, c.scope, translator, pace, events);
            ASSERT_FALSE(converted);
            EXPECT_EQ(converted.error().place.sheet, c.sheet);
            EXPECT_NE(converted.error().message().find(c.message), std::string::npos) << converted.error().message();
        }
        EXPECT_TRUE(events.log.empty());
        EXPECT_TRUE(translator.sent.empty());
    }
}

TEST(CellRule, ACellsLimitCountsUtf16Units)
{
    const struct {
        std::string text;
        std::size_t units;
    } cases[] = {
        {"", 0},
        {"abc", 3},
        {"a\xC3\xB1o", 3},
        {"\xE2\x82\xAC", 1},
        {"\xF0\x9F\x98\x80", 2},
        // Malformed bytes count one each, as the engine stores each as U+FFFD.
        {"\xFF", 1},
        {"\xE2\x82", 2},
        {"\xED\xA0\x80", 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::utf16Units(c.text), c.units) << c.text;
    const std::string full(spreadsheet::kMaxCellTextUnits - 1, 'x');
    EXPECT_TRUE(core::fitsInACell(full + "x"));
    EXPECT_FALSE(core::fitsInACell(full + "\xF0\x9F\x98\x80"));
}

}  // namespace
