// Finding a running spreadsheet program in a process table laid out by the test.

#include "excel/running_programs.h"
#include "tests/spreadsheet/fixture.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace {

using namespace veltrano::excel;
using veltrano::spreadsheet::testing::TempDir;
using veltrano::spreadsheet::testing::writeFile;

struct Process {
    std::string id;
    std::string commandLine;  // arguments separated by '|', written NUL-separated
    std::string shortName;
};

void addProcess(const std::filesystem::path& table, const Process& process)
{
    const auto folder = table / process.id;
    std::filesystem::create_directories(folder);
    std::string arguments = process.commandLine;
    std::replace(arguments.begin(), arguments.end(), '|', '\0');
    writeFile(folder / "cmdline", arguments);
    writeFile(folder / "comm", process.shortName + "\n");
}

TEST(ProcessTable, FindsTheUsersSpreadsheetProgramsThatCanHoldAWorkbookOpen)
{
    const unsigned me = ::getuid();
    const struct {
        const char* name;
        std::vector<Process> processes;
        unsigned user;
        const char* found;  // "" when none counts
    } cases[] = {
        {"nothing running", {{"10", "/bin/bash", "bash"}}, me, ""},
        {"LibreOffice",
         {{"10", "/bin/bash", "bash"}, {"42", "/usr/lib/libreoffice/program/soffice.bin|--calc", "soffice.bin"}},
         me,
         "soffice.bin"},
        {"LibreOffice converting files headless",
         {{"42", "/usr/lib/libreoffice/program/soffice.bin|--headless|--convert-to|pdf", "soffice.bin"}},
         me,
         ""},
        {"Excel under Wine",
         {{"77", "C:\\Program Files\\Microsoft Office\\root\\Office16\\EXCEL.EXE", "EXCEL.EXE"}},
         me,
         "EXCEL.EXE"},
        {"Gnumeric, seen by its short name", {{"90", "", "gnumeric"}}, me, "gnumeric"},
        {"another user's Gnumeric", {{"90", "/usr/bin/gnumeric", "gnumeric"}}, me + 1, ""},
        {"a name that only contains one", {{"91", "/usr/bin/gnumeric-helper", "gnumeric-helper"}}, me, ""},
        {"entries that are not processes", {{"self", "/usr/bin/gnumeric", "gnumeric"}}, me, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir table;
        for (const Process& process : c.processes)
            addProcess(table.path(), process);
        const auto found = ProcessTable(table.path(), c.user).findSpreadsheetProgram();
        EXPECT_EQ(found ? found->name : "", c.found);
    }
}

}  // namespace
