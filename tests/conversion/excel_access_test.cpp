// Reaching Excel before and at the start of each file: the question about a running
// spreadsheet program, which paths are templates, and a new instance per workbook.

#include "conversion/excel_access.h"
#include "spreadsheet/workbook.h"
#include "tests/excel/sheet_cells.h"
#include "tests/spreadsheet/fixture.h"
#include "tests/support/scripted_shell.h"

#include <gtest/gtest.h>

namespace {

using namespace veltrano;
using namespace veltrano::conversion;
using excel::Application;
using excel::RunningProgram;
using excel::RunningProgramLookup;
using spreadsheet::testing::TempDir;
using spreadsheet::testing::WorkbookFixture;

class SaysRunning final : public RunningProgramLookup {
public:
    explicit SaysRunning(bool running)
        : m_running(running)
    {}
    std::optional<RunningProgram> findSpreadsheetProgram() const override
    {
        return m_running ? std::optional(RunningProgram{4242, "soffice.bin"}) : std::nullopt;
    }

private:
    bool m_running;
};

TEST(StopForOpenExcel, AsksOnlyWhenAProgramRunsAndGoesOnOnlyOnYes)
{
    const struct {
        const char* name;
        bool running;
        int answer;
        bool stops;
        std::size_t questions;
    } cases[] = {
        {"nothing runs", false, platform::shell::kAnswerNo, false, 0},
        {"runs, answer Yes", true, platform::shell::kAnswerYes, false, 1},
        {"runs, answer No", true, platform::shell::kAnswerNo, true, 1},
        {"runs, box closed", true, 0, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        veltrano::testing::ScriptedShell shell;
        shell.msgBoxAnswers.enqueue(c.answer);
        EXPECT_EQ(StopForOpenExcel(nullptr, shell, SaysRunning(c.running)), c.stops);
        ASSERT_EQ(shell.messages.size(), c.questions);
        if (c.questions == 0)
            continue;
        EXPECT_EQ(shell.messages[0].prompt, "Excel may be open. It is recommended that you close Excel first.\r\n\r\n"
                                            "Would you like to proceed anyway?");
        EXPECT_EQ(shell.messages[0].style, platform::shell::kYesNo);
        EXPECT_EQ(shell.messages[0].title, "Veltrano");
    }
}

TEST(OpenWorkbookInExcel, TemplatesAreTheFilesEndingInXltOrATemplateExtension)
{
    const struct {
        const char* path;
        bool isTemplate;
    } cases[] = {{"/d/a.xlt", true},   {"/d/a.xltx", true}, {"/d/a.XLTM", true},   {"/d/a.XLT", false},
                 {"/d/a.xlsx", false}, {"/d/xlt", true},    {"/d/a.xltxx", false}, {"", false}};
    for (const auto& c : cases)
        EXPECT_EQ(isTemplatePath(c.path), c.isTemplate) << c.path;
}

TEST(OpenWorkbookInExcel, EachCallIsAnInstanceOfItsOwnATemplateIsSavedAsItselfAndFailuresNameTheFile)
{
    TempDir folder;
    const std::string path = (folder / "form.xltx").string();
    WorkbookFixture()
        .mainContentType("application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml")
        .worksheet("Form", veltrano::testing::sheetRows(veltrano::testing::namedCells({"A1"})))
        .write(path);
    auto openedFirst = OpenWorkbookInExcel(path);
    auto openedSecond = OpenWorkbookInExcel(path);
    ASSERT_TRUE(openedFirst && openedSecond);
    Application& first = openedFirst.value();
    Application& second = openedSecond.value();
    const auto firstBook = first.Workbooks().Item(first.Workbooks().Count());
    const auto secondBook = second.Workbooks().Item(second.Workbooks().Count());
    EXPECT_EQ(first.Workbooks().Count(), 1);
    EXPECT_EQ(firstBook.FullName(), path);

    firstBook.Worksheets().at(0).Cells(1, 1).setValue("changed");
    EXPECT_EQ(secondBook.Worksheets().at(0).Cells(1, 1).Text(), "A1");
    firstBook.Save();
    first.Quit();
    auto saved = spreadsheet::Workbook::open(path);
    ASSERT_TRUE(saved) << saved.error().message();
    EXPECT_EQ(saved.value().worksheet(0).text(1, 1), "changed");

    const std::string legacy = (folder / "old.xls").string();
    spreadsheet::testing::writeFile(legacy,
                                    std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'));
    // A read-only workbook could never be saved: it fails at once.
    const std::string readOnly = (folder / "kept.xlsx").string();
    WorkbookFixture()
        .worksheet("Form", veltrano::testing::sheetRows(veltrano::testing::namedCells({"A1"})))
        .write(readOnly);
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    for (const std::string& failing : {legacy, readOnly}) {
        const auto opened = OpenWorkbookInExcel(failing);
        ASSERT_FALSE(opened) << failing << " was opened";
        EXPECT_EQ(opened.error().place.file, failing);
    }
}

}  // namespace
