// The backup copy itself: the first free name, nothing replaced, and the system's reason when no
// copy can be made.

#include "core/backup_file.h"
#include "tests/spreadsheet/fixture.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

namespace {

using namespace veltrano::core;
using veltrano::spreadsheet::testing::readFile;
using veltrano::spreadsheet::testing::TempDir;
using veltrano::spreadsheet::testing::writeFile;

// A taken name, whether by a file or a folder, is passed over for the next number; what had
// the name stays as it was, and nothing else is left in the folder.
TEST(BackupCopy, TakesTheFirstFreeNameAndReplacesNothing)
{
    const std::string longName(250, 'n');  // with ".xlsx", as long as a name may be
    const struct {
        const char* name;
        std::string file;
        std::vector<std::string> takenFiles;
        std::vector<std::string> takenFolders;
        std::string made;  // "" when no copy can be made
    } cases[] = {
        {"a free name", "Sales.xlsx", {}, {}, "Sales Backup S.xlsx"},
        {"taken by an earlier backup", "Sales.xlsx", {"Sales Backup S.xlsx"}, {}, "Sales Backup S (2).xlsx"},
        {"two taken", "Sales.xlsx", {"Sales Backup S.xlsx", "Sales Backup S (2).xlsx"}, {}, "Sales Backup S (3).xlsx"},
        {"taken by a folder", "Sales.xlsx", {}, {"Sales Backup S.xlsx"}, "Sales Backup S (2).xlsx"},
        {"only a numbered name taken", "Sales.xlsx", {"Sales Backup S (2).xlsx"}, {}, "Sales Backup S.xlsx"},
        {"no extension", "notes", {"notes Backup S"}, {}, "notes Backup S (2)"},
        {"a name too long for the folder", longName + ".xlsx", {}, {}, ""},
        // A copy of a file that could not be saved in place would only pile up.
        {"a read-only file", "ReadOnly.xlsx", {}, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeFile(dir / c.file, "workbook");
        if (c.file == "ReadOnly.xlsx")
            std::filesystem::permissions(dir / c.file, std::filesystem::perms::owner_read);
        std::map<std::string, std::string> expected{{c.file, "workbook"}};
        for (const auto& taken : c.takenFiles) {
            writeFile(dir / taken, "older " + taken);
            expected[taken] = "older " + taken;
        }
        for (const auto& folder : c.takenFolders) {
            std::filesystem::create_directory(dir / folder);
            expected[folder] = "<folder>";
        }
        const auto backup = copyForBackup((dir / c.file).string(), "S");
        if (c.made.empty()) {
            ASSERT_FALSE(backup);
            EXPECT_FALSE(backup.error().reason.empty());
        } else {
            ASSERT_TRUE(backup) << backup.error().reason;
            EXPECT_EQ(backup.value(), (dir / c.made).string());
            expected[c.made] = "workbook";
        }
        std::map<std::string, std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            found[entry.path().filename().string()] = entry.is_directory() ? "<folder>" : readFile(entry.path());
        EXPECT_EQ(found, expected);
    }
}

// A copy that cannot be written says why, as the system does (a full disk: "No space left on
// device"); here the file-size limit stands in for the disk.
TEST(BackupCopy, AFailedCopySaysWhyInTheSystemsWords)
{
    TempDir dir;
    writeFile(dir / "Big.xlsx", std::string(64 * 1024, 'x'));
    int answer[2];
    ASSERT_EQ(::pipe(answer), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto backup = copyForBackup((dir / "Big.xlsx").string(), "S");
        const std::string failure = backup ? std::string() : backup.error().reason;
        (void)!::write(answer[1], failure.data(), failure.size());
        ::_exit(0);
    }
    ::close(answer[1]);
    std::string failure;
    char buffer[512];
    for (ssize_t got; (got = ::read(answer[0], buffer, sizeof buffer)) > 0;)
        failure.append(buffer, std::size_t(got));
    ::close(answer[0]);
    ::waitpid(child, nullptr, 0);
    EXPECT_NE(failure.find("File too large"), std::string::npos) << failure;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "Big.xlsx");
}

}  // namespace
