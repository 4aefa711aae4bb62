// Excel's objects over the engine: references as typed and shown, and handles after their
// instance has quit.

#include "platform/excel/application.h"
#include "platform/excel/reference.h"
#include "spreadsheet/workbook.h"
#include "tests/platform/excel/sheet_cells.h"
#include "tests/spreadsheet/fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace veltrano::platform::excel;
using veltrano::spreadsheet::CellRange;
using veltrano::spreadsheet::kMaxColumns;
using veltrano::spreadsheet::kMaxRows;
using veltrano::spreadsheet::testing::TempDir;
using veltrano::spreadsheet::testing::WorkbookFixture;
using veltrano::testing::namedCells;
using veltrano::testing::sheetRows;

TEST(Reference, ParsesWhatPeopleTypeAndShowsItBack)
{
    const struct {
        const char* typed;
        const char* sheet;
        CellRange range;
        const char* shown;  // qualifiedAddress of the result; "" when typed is not a reference
    } cases[] = {
        {"B2:C3", "", {2, 2, 3, 3}, "X!$B$2:$C$3"},
        {"Sheet1!B2", "Sheet1", {2, 2, 2, 2}, "Sheet1!$B$2"},
        {"'My ''best'' sheet'!A1:A2", "My 'best' sheet", {1, 1, 2, 1}, "'My ''best'' sheet'!$A$1:$A$2"},
        {"A:A", "", {1, 1, kMaxRows, 1}, "X!$A:$A"},
        {"$C:$B", "", {1, 2, kMaxRows, 3}, "X!$B:$C"},
        {"2:3", "", {2, 1, 3, kMaxColumns}, "X!$2:$3"},
        {"B2:C3,E5:F6", "", {2, 2, 3, 3}, "X!$B$2:$C$3"},
        {"XFD1048576", "", {kMaxRows, kMaxColumns, kMaxRows, kMaxColumns}, "X!$XFD$1048576"},
        {"XFE1", "", {}, ""},
        {"A0", "", {}, ""},
        {"A1:", "", {}, ""},
        {"A:1", "", {}, ""},
        {"!A1", "", {}, ""},
        {"'Open!A1", "", {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const auto parsed = parseReference(c.typed);
        ASSERT_EQ(parsed.has_value(), *c.shown != '\0');
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->sheet, c.sheet);
        EXPECT_EQ(parsed->range, c.range);
        EXPECT_EQ(qualifiedAddress(parsed->sheet.empty() ? "X" : parsed->sheet, parsed->range), c.shown);
    }
    // Names that would read as something else are quoted.
    EXPECT_EQ(qualifiedAddress("A1", {1, 1, 1, 1}), "'A1'!$A$1");
    EXPECT_EQ(qualifiedAddress("2024", {1, 1, 1, 1}), "'2024'!$A$1");
    EXPECT_EQ(qualifiedAddress("Año_1", {1, 1, 1, 1}), "Año_1!$A$1");
}

class ExcelObjectsTest : public ::testing::Test {
protected:
    Workbook open(const WorkbookFixture& fixture, const std::string& name = "book.xlsx")
    {
        return m_excel.Workbooks().Open({.FileName = fixture.write(m_folder / name).string()});
    }
    TempDir m_folder;
    Application m_excel;
};

TEST_F(ExcelObjectsTest, QuitLetsGoOfEverythingUnsaved)
{
    const Workbook first = open(WorkbookFixture().worksheet("S", sheetRows(namedCells({"A1"}))), "first.xlsx");
    const Workbook second = open(WorkbookFixture().worksheet("S", sheetRows(namedCells({"A1"}))), "second.xlsx");
    EXPECT_EQ(m_excel.Workbooks().Count(), 2);
    EXPECT_EQ(m_excel.Workbooks().Item(2).Name(), "second.xlsx");
    const Range cell = second.Worksheets().at(0).Cells(1, 1);
    cell.setValue("changed");
    m_excel.Quit();
    EXPECT_THROW(cell.Text(), ExcelError);
    EXPECT_THROW(first.Save(), ExcelError);
    EXPECT_THROW(m_excel.Workbooks(), ExcelError);
    auto reopened = veltrano::spreadsheet::Workbook::open((m_folder / "second.xlsx").string());
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened.value().worksheet(0).text(1, 1), "A1");
}

}  // namespace
