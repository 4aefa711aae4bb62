// Saving changes only what was written: every other zip entry is copied with its original
// compressed bytes, and the edited parts differ from the originals only in the written cells
// and the shared-string counts. Saving never leaves a half-written file behind.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <regex>
#include <set>

#include "spreadsheet/workbook.h"
#include "tests/spreadsheet/fixture.h"

namespace veltrano::spreadsheet {
namespace {

using testing::TempDir;
using testing::WorkbookFixture;

const std::filesystem::path kData = std::filesystem::path(VELTRANO_SOURCE_DIR) / "tests/spreadsheet/data";

// The part with the <c> elements of the given cells cut out.
std::string withoutCells(const std::string& xml, const std::set<std::string>& cells)
{
    std::string out = xml;
    for (const auto& cell : cells) {
        std::regex element("<c r=\"" + cell + "\"[^>]*?(/>|>.*?</c>)");
        out = std::regex_replace(out, element, "");
    }
    return out;
}

// The shared strings without their counts and without entries from index `keep` on.
std::string stringsPrefix(const std::string& xml, std::size_t keep)
{
    std::string out = std::regex_replace(xml, std::regex(" (count|uniqueCount)=\"[0-9]+\""), "");
    std::size_t pos = 0;
    for (std::size_t i = 0; i <= keep && pos != std::string::npos; ++i) {
        pos = out.find("<si>", pos);
        if (pos != std::string::npos && i < keep)
            pos += 4;
    }
    return out.substr(0, pos == std::string::npos ? out.rfind("</sst>") : pos);
}

bool usesZip64(const std::string& zip)
{
    if (zip.find("PK\x06\x06") != std::string::npos)
        return true;
    std::size_t pos = 0;
    auto u16 = [&](std::size_t at) {
        return unsigned(static_cast<unsigned char>(zip[at])) | unsigned(static_cast<unsigned char>(zip[at + 1])) << 8;
    };
    auto u32 = [&](std::size_t at) { return std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16; };
    while (pos + 30 <= zip.size() && zip.compare(pos, 4, "PK\x03\x04") == 0) {
        std::size_t nameLength = u16(pos + 26), extraLength = u16(pos + 28);
        for (std::size_t e = pos + 30 + nameLength; e + 4 <= pos + 30 + nameLength + extraLength; e += 4 + u16(e + 2))
            if (u16(e) == 0x0001)
                return true;
        pos += 30 + nameLength + extraLength + u32(pos + 18);
    }
    return false;
}

struct Source {
    const char* name;
    std::filesystem::path file;
    std::string sheetPart;
    std::vector<std::pair<int, int>> cells;  // on the first worksheet
    std::set<std::string> cellNames;
};

void PrintTo(const Source& s, std::ostream* out)
{
    *out << s.name;
}

class RoundTrip : public ::testing::TestWithParam<Source> {};

TEST_P(RoundTrip, ChangesOnlyTheWrittenCells)
{
    const auto& source = GetParam();
    TempDir dir;
    auto path = dir / "book.xlsx";
    std::filesystem::copy_file(source.file, path);
    const auto beforeRaw = testing::readRawZip(path);
    const auto before = testing::readZip(path);

    auto book = Workbook::open(path.string());
    ASSERT_TRUE(book.ok()) << book.error().message();
    auto sheet = book.value().worksheet(0);
    std::size_t stringsBefore = 0;
    for (const auto& [name, content] : before)
        if (name == "xl/sharedStrings.xml")
            for (std::size_t pos = 0; (pos = content.find("<si>", pos)) != std::string::npos; ++pos)
                ++stringsBefore;
    for (auto [row, column] : source.cells)
        ASSERT_TRUE(sheet.setValue(row, column, "traducido " + std::to_string(row)).ok());
    ASSERT_TRUE(book.value().save().ok());

    const auto afterRaw = testing::readRawZip(path);
    const auto after = testing::readZip(path);
    ASSERT_EQ(afterRaw.size(), beforeRaw.size() + (stringsBefore == 0 ? 1 : 0));
    std::set<std::string> edited = {source.sheetPart, "xl/sharedStrings.xml", "xl/workbook.xml"};
    if (stringsBefore == 0)
        edited.insert({"[Content_Types].xml", "xl/_rels/workbook.xml.rels"});
    for (std::size_t i = 0; i < beforeRaw.size(); ++i) {
        const auto& old = beforeRaw[i];
        ASSERT_EQ(afterRaw[i].name, old.name) << "entry order";
        if (edited.count(old.name))
            continue;
        EXPECT_EQ(afterRaw[i].crc, old.crc) << old.name;
        EXPECT_EQ(afterRaw[i].compressed, old.compressed) << old.name << " was not copied as it was";
    }
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i].first == source.sheetPart) {
            EXPECT_EQ(withoutCells(after[i].second, source.cellNames),
                      withoutCells(before[i].second, source.cellNames));
        }
        if (before[i].first == "xl/workbook.xml") {
            // A workbook with formulas asks to be recalculated; nothing else changes.
            const std::regex fullCalc(" fullCalcOnLoad=\"1\"");
            EXPECT_EQ(std::regex_replace(after[i].second, fullCalc, ""),
                      std::regex_replace(before[i].second, fullCalc, ""));
        }
        if (before[i].first == "xl/sharedStrings.xml") {
            EXPECT_EQ(stringsPrefix(after[i].second, stringsBefore), stringsPrefix(before[i].second, stringsBefore));
        }
    }
    EXPECT_FALSE(usesZip64(testing::readFile(path)));

    auto reopened = Workbook::open(path.string());
    ASSERT_TRUE(reopened.ok()) << reopened.error().message();
    for (auto [row, column] : source.cells)
        EXPECT_EQ(reopened.value().worksheet(0).text(row, column), "traducido " + std::to_string(row));
}

std::filesystem::path fixtureFile()
{
    static TempDir dir;
    static auto path =
        WorkbookFixture()
            .sharedStrings({"<t>one</t>", "<t>two</t>"}, R"(count="3" uniqueCount="2")")
            .worksheet(
                "S",
                R"(<row r="1" spans="1:3"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1"><v>5</v></c></row>)"
                R"(<row r="2"><c r="A2" t="s"><v>0</v></c><c r="B2" s="0"/></row>)",
                R"(<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/>)")
            .worksheet("Untouched", R"(<row r="1"><c r="A1" t="s"><v>1</v></c></row>)")
            .extraPart("docProps/app.xml", "<Properties/>")
            .write(dir / "fixture.xlsx");
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Sources, RoundTrip,
    ::testing::Values(
        Source{"fixture", fixtureFile(), "xl/worksheets/sheet1.xml", {{1, 1}, {1, 3}, {2, 2}}, {"A1", "C1", "B2"}},
        Source{"openpyxl",
               kData / "openpyxl_features.xlsx",
               "xl/worksheets/sheet1.xml",
               {{2, 1}, {3, 4}, {8, 1}, {9, 4}},
               {"A2", "D3", "A8", "D9"}},
        Source{"libreoffice",
               kData / "libreoffice_features.xlsx",
               "xl/worksheets/sheet1.xml",
               {{2, 1}, {4, 4}, {6, 1}, {2, 2}},
               {"A2", "D4", "A6", "B2"}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(Save, KeepsTheFileModeAndLeavesNoTemporaryFile)
{
    TempDir dir;
    auto path = fixtureFile();
    auto copy = dir / "book.xlsx";
    std::filesystem::copy_file(path, copy);
    ::chmod(copy.c_str(), 0640);
    auto book = Workbook::open(copy.string());
    ASSERT_TRUE(book.ok());
    ASSERT_TRUE(book.value().worksheet(0).setValue(1, 1, "x").ok());
    ASSERT_TRUE(book.value().save().ok());
    struct stat info;
    ASSERT_EQ(::stat(copy.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(Save, OfAnUnchangedWorkbookLeavesTheFileAsItWas)
{
    TempDir dir;
    auto copy = dir / "book.xlsx";
    std::filesystem::copy_file(kData / "libreoffice_features.xlsx", copy);
    const std::string before = testing::readFile(copy);
    auto book = Workbook::open(copy.string());
    ASSERT_TRUE(book.ok());
    ASSERT_TRUE(book.value().save().ok());
    ASSERT_TRUE(book.value().saveAs((dir / "copy.xlsx").string()).ok());
    EXPECT_EQ(testing::readFile(copy), before);
    EXPECT_EQ(testing::readFile(dir / "copy.xlsx"), before);
}

TEST(Save, ThatFailsLeavesTheOriginalAndNoTemporaryFile)
{
    TempDir dir;
    auto copy = dir / "book.xlsx";
    std::filesystem::copy_file(kData / "libreoffice_features.xlsx", copy);
    const std::string before = testing::readFile(copy);
    auto book = Workbook::open(copy.string());
    ASSERT_TRUE(book.ok());
    ASSERT_TRUE(book.value().worksheet(0).setValue(2, 1, "x").ok());

    // Writes past 4 KiB fail, as on a full disk.
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    Status saved = book.value().save();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().code, ErrorCode::Io);
    EXPECT_EQ(testing::readFile(copy), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);

    Status elsewhere = book.value().saveAs((dir / "missing-folder" / "out.xlsx").string());
    EXPECT_FALSE(elsewhere.ok());
    EXPECT_TRUE(book.value().save().ok());
}

TEST(Save, CanBeFollowedByMoreEditsAndSaves)
{
    TempDir dir;
    auto copy = dir / "book.xlsx";
    std::filesystem::copy_file(fixtureFile(), copy);
    auto book = Workbook::open(copy.string());
    ASSERT_TRUE(book.ok());
    auto sheet = book.value().worksheet(0);
    ASSERT_TRUE(sheet.setValue(1, 1, "first").ok());
    ASSERT_TRUE(book.value().save().ok());
    EXPECT_FALSE(book.value().isModified());
    EXPECT_EQ(sheet.text(1, 1), "first");
    ASSERT_TRUE(sheet.setValue(1, 2, "second").ok());
    ASSERT_TRUE(sheet.setValue(5, 5, "new").ok());
    ASSERT_TRUE(book.value().save().ok());
    ASSERT_TRUE(book.value().saveAs((dir / "copy.xlsx").string()).ok());
    for (const char* name : {"book.xlsx", "copy.xlsx"}) {
        auto reopened = Workbook::open((dir / name).string());
        ASSERT_TRUE(reopened.ok()) << reopened.error().message();
        auto s = reopened.value().worksheet(0);
        EXPECT_EQ(s.text(1, 1), "first") << name;
        EXPECT_EQ(s.text(1, 2), "second") << name;
        EXPECT_EQ(s.text(5, 5), "new") << name;
        EXPECT_EQ(s.text(2, 1), "one") << name;
    }
}

// The file on disk is replaced only while it is still the one opened, and may be written.
TEST(Save, RefusesToReplaceAFileThatChangedOrIsReadOnly)
{
    namespace fs = std::filesystem;
    const struct {
        const char* name;
        std::function<void(const fs::path&)> meanwhile;
        const char* reason;
    } cases[] = {
        {"read-only", [](const fs::path& p) { fs::permissions(p, fs::perms::owner_read | fs::perms::group_read); },
         "read-only"},
        {"written in place", [](const fs::path& p) { std::ofstream(p, std::ios::app) << "more"; }, "changed on disk"},
        {"replaced through a rename",
         [](const fs::path& p) {
             fs::copy_file(fixtureFile(), p.string() + ".new");
             fs::rename(p.string() + ".new", p);
         },
         "changed on disk"},
        {"deleted", [](const fs::path& p) { fs::remove(p); }, "moved or deleted"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path path = dir / "book.xlsx";
        fs::copy_file(fixtureFile(), path);
        auto book = Workbook::open(path.string());
        ASSERT_TRUE(book.ok());
        ASSERT_TRUE(book.value().worksheet(0).setValue(1, 1, "x").ok());
        c.meanwhile(path);
        const std::string left = fs::exists(path) ? testing::readFile(path) : "";
        Status saved = book.value().save();
        ASSERT_FALSE(saved.ok());
        EXPECT_NE(saved.error().message().find(c.reason), std::string::npos) << saved.error().message();
        EXPECT_EQ(fs::exists(path) ? testing::readFile(path) : "", left);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), left.empty() ? 0 : 1);
    }
}

TEST(Save, KeepsTemplatesAndMacroProjectsAsTheyWere)
{
    const std::string vba("\xD0\xCF\x11\xE0 binary macro project \x00\x01\x02", 29);
    for (const char* type : {"application/vnd.ms-excel.template.macroEnabled.main+xml",
                             "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml"}) {
        TempDir dir;
        WorkbookFixture fixture;
        fixture.mainContentType(type).worksheet("S", R"(<row r="1"><c r="A1"><v>1</v></c></row>)");
        fixture.relatedPart(0, "http://schemas.microsoft.com/office/2006/relationships/vbaProject", "xl/vbaProject.bin",
                            vba, "application/vnd.ms-office.vbaProject");
        auto path = fixture.write(dir / "book.xltm");
        const std::string types = testing::readZip(path)[0].second;
        auto book = Workbook::open(path.string());
        ASSERT_TRUE(book.ok()) << book.error().message();
        ASSERT_TRUE(book.value().worksheet(0).setValue(1, 1, "plantilla").ok());
        ASSERT_TRUE(book.value().save().ok());
        auto after = testing::readZip(path);
        auto find = [&](const std::string& name) {
            for (const auto& [n, c] : after)
                if (n == name)
                    return c;
            return std::string();
        };
        EXPECT_EQ(find("xl/vbaProject.bin"), vba);
        EXPECT_NE(find("[Content_Types].xml").find(std::string("ContentType=\"") + type + "\""), std::string::npos);
        EXPECT_EQ(find("[Content_Types].xml").substr(0, types.size() - 8), types.substr(0, types.size() - 8));
    }
}

}  // namespace
}  // namespace veltrano::spreadsheet
