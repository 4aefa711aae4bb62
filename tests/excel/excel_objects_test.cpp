// Excel's objects over the engine: handles after their instance has quit.

#include "excel/application.h"
#include "spreadsheet/workbook.h"
#include "tests/excel/sheet_cells.h"
#include "tests/spreadsheet/fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace veltrano::excel;
using veltrano::spreadsheet::testing::TempDir;
using veltrano::spreadsheet::testing::WorkbookFixture;
using veltrano::testing::namedCells;
using veltrano::testing::sheetRows;

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
