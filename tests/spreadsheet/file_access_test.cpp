// The file system around a workbook: what is refused at opening, what a save leaves behind,
// and two writers of one file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>

#include "spreadsheet/workbook.h"
#include "tests/spreadsheet/fixture.h"

namespace veltrano::spreadsheet {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::WorkbookFixture;

fs::path writeBook(const fs::path& path)
{
    return WorkbookFixture().worksheet("S", R"(<row r="1"><c r="A1"><v>1</v></c></row>)").write(path);
}

// Excel's owner file: the name's length and the name in one byte each, then at offset 54 the
// length in 16 bits and the name in UTF-16LE.
std::string excelOwnerFile(const std::u16string& name)
{
    std::string bytes(1, char(name.size()));
    for (char16_t c : name)
        bytes += char(c < 0x100 ? c : '?');
    bytes.resize(54, ' ');
    bytes += char(name.size());
    bytes += '\0';
    for (char16_t c : name) {
        bytes += char(c & 0xFF);
        bytes += char(c >> 8);
    }
    return bytes;
}

struct Fault {
    const char* name;
    std::function<void(const fs::path& book)> arrange;
    std::optional<ErrorCode> code;  // nullopt: opening, writing A1 and saving succeed
    const char* messagePart;
    std::function<void(const fs::path& book)> check;
};

void PrintTo(const Fault& f, std::ostream* out)
{
    *out << f.name;
}

class FileSystemFault : public ::testing::TestWithParam<Fault> {};

TEST_P(FileSystemFault, IsRefusedOnOneLineOrLeavesNothingBehind)
{
    TempDir dir;
    const fs::path book = dir / "book.xlsx";
    GetParam().arrange(book);
    Status status = [&]() -> Status {
        auto workbook = Workbook::open(book.string());
        if (!workbook)
            return workbook.error();
        EXPECT_TRUE(workbook.value().worksheet(0).setValue(1, 1, "x").ok());
        return workbook.value().save();
    }();
    if (!GetParam().code) {
        ASSERT_TRUE(status.ok()) << status.error().message();
    } else {
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().code, *GetParam().code) << status.error().message();
        EXPECT_NE(status.error().message().find(GetParam().messagePart), std::string::npos) << status.error().message();
        EXPECT_EQ(status.error().message().find('\n'), std::string::npos) << status.error().message();
    }
    if (GetParam().check)
        GetParam().check(book);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileSystemFault,
    ::testing::Values(
        Fault{"fifo",
              [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
              ErrorCode::NotAFile,
              "not a regular file",
              {}},
        Fault{"device",
              [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
              ErrorCode::NotAFile,
              "not a regular file",
              {}},
        Fault{"open in LibreOffice",
              [](const fs::path& p) {
                  writeBook(p);
                  testing::writeFile(p.parent_path() / ".~lock.book.xlsx#",
                                     "Jane Doe,jane,desk,07.12.2026 10:00,file:///home/jane;");
              },
              ErrorCode::InUse,
              "open in another program: LibreOffice, by Jane Doe",
              {}},
        Fault{"open in LibreOffice, login only, name across lines",
              [](const fs::path& p) {
                  writeBook(p);
                  testing::writeFile(p.parent_path() / ".~lock.book.xlsx#", ",ja\nne\xFF,desk,date,profile;");
              },
              ErrorCode::InUse,
              "by ja ne\xEF\xBF\xBD (lock file .~lock.book.xlsx#)",
              {}},
        Fault{"open in Excel",
              [](const fs::path& p) {
                  writeBook(p);
                  testing::writeFile(p.parent_path() / "~$book.xlsx", excelOwnerFile(u"Jos\u00e9 \u0141uk"));
              },
              ErrorCode::InUse,
              "Excel, by Jos\xC3\xA9 \xC5\x81uk",
              {}},
        Fault{"stale temporaries of ours",
              [](const fs::path& p) {
                  writeBook(p);
                  for (const char* name : {".book.xlsx.Ab12Cd", ".book.xlsx.kept", ".other.xlsx.Ab12Cd"})
                      testing::writeFile(p.parent_path() / name, "partial");
              },
              std::nullopt, "",
              [](const fs::path& p) {
                  std::set<std::string> names;
                  for (const auto& entry : fs::directory_iterator(p.parent_path()))
                      names.insert(entry.path().filename().string());
                  EXPECT_EQ(names, (std::set<std::string>{"book.xlsx", ".book.xlsx.kept", ".other.xlsx.Ab12Cd"}));
              }}));

// Another process opening the file while we edit it waits for our save and edits that, so
// neither edit is lost.
TEST(TwoWriters, TheSecondEditsWhatTheFirstSaved)
{
    TempDir dir;
    const fs::path book = writeBook(dir / "book.xlsx");
    int opened[2];
    ASSERT_EQ(::pipe(opened), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char byte;
        ::close(opened[1]);
        (void)!::read(opened[0], &byte, 1);  // until the parent holds the workbook
        auto workbook = Workbook::open(book.string());
        const bool ok =
            workbook && workbook.value().worksheet(0).setValue(2, 2, "second").ok() && workbook.value().save().ok();
        ::_exit(ok ? 0 : 1);
    }
    ::close(opened[0]);
    {
        auto workbook = Workbook::open(book.string());
        ASSERT_TRUE(workbook.ok());
        ASSERT_EQ(::write(opened[1], "x", 1), 1);
        ASSERT_TRUE(workbook.value().worksheet(0).setValue(1, 1, "first").ok());
        ASSERT_TRUE(workbook.value().save().ok());
    }
    ::close(opened[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    auto reopened = Workbook::open(book.string());
    ASSERT_TRUE(reopened.ok());
    EXPECT_EQ(reopened.value().worksheet(0).text(1, 1), "first");
    EXPECT_EQ(reopened.value().worksheet(0).text(2, 2), "second");
}

}  // namespace
}  // namespace veltrano::spreadsheet
