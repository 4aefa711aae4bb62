// The walks with a page client that answers at once and no pauses: which cells are visited and
// in what order, what is sent and written, and where a walk stops when something fails.

#include "excel/application.h"
#include "pageclient/scope_walk.h"
#include "spreadsheet/workbook.h"
#include "tests/excel/sheet_cells.h"
#include "tests/pageclient/fake_page_client.h"
#include "tests/spreadsheet/fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>

// Readable failure messages for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

using namespace veltrano;
using excel::Application;
using excel::Workbook;
using pageclient::CellTranslation;
using pageclient::testing::FakePageClient;
using spreadsheet::testing::WorkbookFixture;
using veltrano::testing::namedCells;
using veltrano::testing::sheetRows;
using veltrano::testing::text;

enum class Scope {
    Workbook,
    ActiveSheet,
    Block
};

class ScopeWalkTest : public ::testing::Test {
protected:
    Workbook open(const WorkbookFixture& fixture)
    {
        return m_excel.Workbooks().Open({.FileName = fixture.write(m_folder / "book.xlsx").string()});
    }

    // Walks the scope (block: a reference such as "Two!B2:C3") and counts the event pumps,
    // one per cell visited.
    void walk(const Workbook& book, Scope scope, const std::string& block = {})
    {
        pageclient::WalkPacing pacing{0.0, [this] { ++pumps; }};
        switch (scope) {
        case Scope::Workbook:
            return keep(pageclient::ConvertWorkbook(book, page, pacing));
        case Scope::ActiveSheet:
            return keep(pageclient::ConvertActiveSheet(book, page, pacing));
        case Scope::Block: {
            const auto bang = block.find('!');
            const std::string sheetName = bang == std::string::npos ? "" : block.substr(0, bang);
            for (const auto& sheet : book.Worksheets())
                if (sheetName.empty() || sheet.Name() == sheetName)
                    return keep(pageclient::ConvertCellBlock(book, sheet.Range(block), page, pacing));
            FAIL() << "no sheet " << sheetName;
        }
        }
    }

    // A walk's failure is kept for the tests that look for one; any other test fails on it.
    void keep(pageclient::Walked walked)
    {
        if (walked) {
            passedOver = std::move(walked).value();
            return;
        }
        failure = walked.error();
        EXPECT_TRUE(failureExpected) << failure->message();
    }

    spreadsheet::testing::TempDir m_folder;
    Application m_excel;
    FakePageClient page;
    int pumps = 0;
    pageclient::PassedOver passedOver;
    bool failureExpected = false;
    std::optional<core::Failure> failure;
};

struct VisitCase {
    const char* name;
    std::function<WorkbookFixture()> workbook;
    Scope scope;
    std::string block;
    QStringList sent;
    int storedCellsVisited;  // one event pump each; the empty cells between are not visited
};

const std::vector<std::string> kFourByFour = {"A1", "B1", "C1", "D1", "A2", "B2", "C2", "D2",
                                              "A3", "B3", "C3", "D3", "A4", "B4", "C4", "D4"};

// A workbook of one worksheet, "One", whose cells hold their own names.
std::function<WorkbookFixture()> oneSheet(std::vector<std::string> names)
{
    return [names] { return WorkbookFixture().worksheet("One", sheetRows(namedCells(names))); };
}

const VisitCase kVisitCases[] = {
    {"a block, row by row", oneSheet(kFourByFour), Scope::Block, "B2:C3", {"B2", "C2", "B3", "C3"}, 4},
    {"a block of one cell", oneSheet(kFourByFour), Scope::Block, "C3", {"C3"}, 1},
    {"a sheet from A1 to the end of its used range",
     oneSheet({"E9", "C5", "D7"}),
     Scope::ActiveSheet,
     {},
     {"C5", "D7", "E9"},
     3},
    {"a far-off cell", oneSheet({"A1", "XFD1048576"}), Scope::ActiveSheet, {}, {"A1", "XFD1048576"}, 2},
    {"an empty sheet: A1 only", oneSheet({}), Scope::ActiveSheet, {}, {}, 0},
    {"the active sheet alone",
     [] {
         return WorkbookFixture()
             .worksheet("One", sheetRows(namedCells({"A1"})))
             .worksheet("Two", sheetRows(namedCells({"B1"})))
             .activeTab(1);
     },
     Scope::ActiveSheet,
     {},
     {"B1"},
     1},
    {"worksheets in order, a chart sheet between them skipped",
     [] {
         return WorkbookFixture()
             .worksheet("One", sheetRows(namedCells({"A1"})))
             .chartsheet("Chart")
             .worksheet("Two", sheetRows(namedCells({"B2"})));
     },
     Scope::Workbook,
     {},
     {"A1", "B2"},
     2},
    {"a block on its own sheet",
     [] {
         return WorkbookFixture()
             .worksheet("One", sheetRows(namedCells({"B2"})))
             .worksheet("Two", sheetRows(namedCells({"A1", "B2", "C3"})));
     },
     Scope::Block,
     "Two!B2:C3",
     {"B2", "C3"},
     2},
    {"whole columns stop at the used range", oneSheet({"A1", "A2", "C100"}), Scope::Block, "A:A", {"A1", "A2"}, 2},
    {"a block of 32,767 rows walks to its last row",
     oneSheet({"A1", "A32767", "A40000"}),
     Scope::Block,
     "A1:A32767",
     {"A1", "A32767"},
     2},
};

TEST_F(ScopeWalkTest, VisitsTheCellsOfEachScopeInOrder)
{
    for (const VisitCase& c : kVisitCases) {
        SCOPED_TRACE(c.name);
        page = FakePageClient();
        pumps = 0;
        Workbook book = open(c.workbook());
        walk(book, c.scope, c.block);
        EXPECT_EQ(page.sent, c.sent);
        EXPECT_EQ(pumps, c.storedCellsVisited);
        // The page's document is held once, around the whole walk.
        EXPECT_EQ(page.log.count("take"), 1);
        EXPECT_EQ(page.log.front(), "take");
        EXPECT_EQ(page.log.back(), "release");
    }
}

// What is sent and what is written: only text; numbers, booleans, formulas and locked cells of
// a protected sheet are passed over; equal texts
// are asked twice; a cell the page has no result for stays as it was; text shown through a
// format with literals goes as stored, so the format's literals are not written into it.
TEST_F(ScopeWalkTest, SendsWhatCellsShowAndWritesOnlyChangedTranslations)
{
    page.answer = [](const QString& text) {
        return text == "no result" ? CellTranslation::noResult() : CellTranslation::translated(text.toUpper());
    };
    const Workbook book =
        open(WorkbookFixture()
                 .cellXf(0)
                 .cellXf(4)
                 .cellXf(0, /*locked=*/false)
                 .numFmt(164, "@&quot; kg&quot;")
                 .cellXf(164)
                 .worksheet("Data", sheetRows({{"A1", text("total")},
                                               {"A2", "s=\"1\"><v>1234.5</v>"},
                                               {"A3", "t=\"str\"><f>A1&amp;\"x\"</f><v>totalx</v>"},
                                               {"A4", "t=\"str\"><f>\"\"</f><v></v>"},
                                               {"A5", text("year")},
                                               {"A6", text("year")},
                                               {"A7", "t=\"b\"><v>1</v>"},
                                               {"A8", text("no result")},
                                               {"A9", "s=\"3\" " + text("box")}}))
                 .worksheet("Locked", sheetRows({{"A1", text("kept")}, {"A2", "s=\"2\" " + text("open")}}),
                            "<sheetProtection sheet=\"1\"/>"));
    walk(book, Scope::Workbook);

    EXPECT_EQ(page.sent, QStringList({"total", "year", "year", "no result", "box", "open"}));
    spreadsheet::Worksheet data = book.Worksheets().at(0).engineSheet();
    const struct {
        int row;
        const char* shown;
        spreadsheet::CellKind kind;
    } expected[] = {{1, "TOTAL", spreadsheet::CellKind::Text},     {2, "1,234.50", spreadsheet::CellKind::Number},
                    {3, "totalx", spreadsheet::CellKind::Formula}, {5, "YEAR", spreadsheet::CellKind::Text},
                    {6, "YEAR", spreadsheet::CellKind::Text},      {7, "TRUE", spreadsheet::CellKind::Boolean},
                    {8, "no result", spreadsheet::CellKind::Text}, {9, "BOX kg", spreadsheet::CellKind::Text}};
    for (const auto& cell : expected) {
        EXPECT_EQ(data.text(cell.row, 1), cell.shown) << "row " << cell.row;
        EXPECT_EQ(data.kind(cell.row, 1), cell.kind) << "row " << cell.row;
    }
    EXPECT_EQ(book.Worksheets().at(1).Cells(1, 1).Text(), "kept");
    EXPECT_EQ(book.Worksheets().at(1).Cells(2, 1).Text(), "OPEN");
}

TEST_F(ScopeWalkTest, ATranslationLongerThanACellHoldsLeavesTheCellAndIsNamed)
{
    const Workbook book = open(WorkbookFixture().worksheet("Notes", sheetRows(namedCells({"A1", "B1", "A2"}))));
    page.answer = [](const QString& text) {
        return CellTranslation::translated(text == "B1" ? QString(spreadsheet::kMaxCellTextUnits + 1, 'x')
                                                        : "es:" + text);
    };
    walk(book, Scope::Workbook);
    const auto sheet = book.Worksheets().at(0);
    EXPECT_EQ(sheet.Cells(1, 1).Text(), "es:A1");
    EXPECT_EQ(sheet.Cells(1, 2).Text(), "B1");
    EXPECT_EQ(sheet.Cells(2, 1).Text(), "es:A2");
    ASSERT_EQ(passedOver.size(), 1u);
    EXPECT_NE(passedOver[0].message().find("sheet \"Notes\", cell B1: the translation is 32768 characters long"),
              std::string::npos)
        << passedOver[0].message();
}

TEST_F(ScopeWalkTest, AFailedExchangeEndsTheWalkAtItsCell)
{
    const Workbook book =
        open(WorkbookFixture().worksheet("Sales", sheetRows(namedCells({"A1", "B1", "A2", "B2", "A3"}))));
    page.answer = [](const QString& text) { return CellTranslation::translated("es:" + text); };
    page.failOnExchange = 3;
    failureExpected = true;
    walk(book, Scope::Workbook);
    ASSERT_TRUE(failure) << "the walk went on";
    EXPECT_EQ(failure->place.sheet, "Sales");
    EXPECT_EQ(failure->place.cell, "A2");
    EXPECT_NE(failure->message().find("the page went away"), std::string::npos) << failure->message();
    const auto sheet = book.Worksheets().at(0);
    const std::string after[] = {sheet.Cells(1, 1).Text(), sheet.Cells(1, 2).Text(), sheet.Cells(2, 1).Text(),
                                 sheet.Cells(2, 2).Text(), sheet.Cells(3, 1).Text()};
    EXPECT_EQ(std::vector<std::string>(std::begin(after), std::end(after)),
              std::vector<std::string>({"es:A1", "es:B1", "A2", "B2", "A3"}));
    EXPECT_EQ(page.log.back(), "release");
}

TEST_F(ScopeWalkTest, AnActiveChartSheetEndsTheWalkNamingIt)
{
    const Workbook book =
        open(WorkbookFixture().worksheet("One", sheetRows(namedCells({"A1"}))).chartsheet("Plot").activeTab(1));
    failureExpected = true;
    walk(book, Scope::ActiveSheet);
    ASSERT_TRUE(failure) << "a chart sheet was walked";
    EXPECT_EQ(failure->place.sheet, "Plot");
    EXPECT_NE(failure->message().find("chart sheet"), std::string::npos) << failure->message();
    EXPECT_TRUE(page.sent.isEmpty());
}

}  // namespace
