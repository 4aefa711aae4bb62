// The steps one file goes through: when the backup is made, when the workbook is saved, and
// that a failure at any step leaves the file byte for byte as it was.

#include "core/backup_file.h"
#include "core/file_steps.h"
#include "spreadsheet/workbook.h"
#include "tests/excel/sheet_cells.h"
#include "tests/spreadsheet/fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace veltrano;
using core::BackupWhen;
using core::Pace;
using core::Scope;
using spreadsheet::testing::readFile;
using spreadsheet::testing::TempDir;
using spreadsheet::testing::WorkbookFixture;
using spreadsheet::testing::writeFile;
using veltrano::testing::sheetRows;
using veltrano::testing::text;

// "es:" before every text.
class PrefixTranslator final : public core::Translator {
public:
    core::Result<std::vector<std::string>> translate(const std::vector<std::string_view>& texts) override
    {
        std::vector<std::string> out;
        for (const std::string_view text : texts)
            out.push_back("es:" + std::string(text));
        return out;
    }
};

// The engine's steps, with a failure put in at one of them on request.
class Steps final : public core::FileSteps {
public:
    enum class FailAt {
        Nowhere,
        Choosing,
        Converting,
        Saving  // the file is made read-only after converting, so the save is refused
    };
    explicit Steps(FailAt failAt = FailAt::Nowhere)
        : m_engine(Scope::wholeWorkbook(), m_translator, Pace::Gathered, m_events),
          m_failAt(failAt)
    {}
    core::Result<spreadsheet::Workbook*> open(const std::string& path) override
    {
        m_path = path;
        return m_engine.open(path);
    }
    core::Result<std::optional<Scope>> chooseCells(spreadsheet::Workbook& workbook) override
    {
        if (m_failAt == FailAt::Choosing)
            return core::Failure{"no block of cells was chosen", {m_path, {}, {}}};
        return m_engine.chooseCells(workbook);
    }
    core::Result<core::Converted> convert(spreadsheet::Workbook& workbook, const Scope& scope) override
    {
        auto converted = m_engine.convert(workbook, scope);
        if (m_failAt == FailAt::Converting)
            return core::Failure{"the page went away", {m_path, "S", "A1"}};
        if (m_failAt == FailAt::Saving)
            fs::permissions(m_path, fs::perms::owner_read);
        return converted;
    }
    void close() override
    {
        ++closed;
        m_engine.close();
    }
    int closed = 0;

private:
    PrefixTranslator m_translator;
    core::ConversionEvents m_events;
    core::EngineSteps m_engine;
    FailAt m_failAt;
    std::string m_path;
};

std::vector<std::string> filesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string firstCell(const std::string& path)
{
    auto book = spreadsheet::Workbook::open(path);
    return book ? book.value().worksheet(0).text(1, 1) : book.error().message();
}

core::FilePlan plan(BackupWhen backup, bool saveUnchanged, bool dryRun = false)
{
    return {backup, [] { return std::string("S"); }, saveUnchanged, dryRun};
}

// The window backs every file up before opening it and saves it whatever changed; the batch
// backs up and saves only a file with changed cells; a dry run does neither.
TEST(FileSteps, BackupAndSaveComeWhenThePlanSays)
{
    const struct {
        const char* name;
        core::FilePlan plan;
        bool hasText;
        bool backedUp;
        bool saved;
    } cases[] = {
        {"window, changes", plan(BackupWhen::BeforeOpening, true), true, true, true},
        {"window, nothing to change", plan(BackupWhen::BeforeOpening, true), false, true, true},
        {"batch, changes", plan(BackupWhen::BeforeSavingChanges, false), true, true, true},
        {"batch, nothing to change", plan(BackupWhen::BeforeSavingChanges, false), false, false, false},
        {"no backups", plan(BackupWhen::Never, false), true, false, true},
        {"dry run", plan(BackupWhen::BeforeOpening, false, true), true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        const std::string path =
            WorkbookFixture()
                .worksheet("S", sheetRows({{"A1", c.hasText ? text("house") : std::string("><v>7</v>")}}))
                .write(folder / "book.xlsx")
                .string();
        const std::string before = readFile(path);
        Steps steps;
        const core::FileOutcome outcome = core::convertFile(path, c.plan, steps);
        ASSERT_FALSE(outcome.failure) << outcome.failure->message();
        EXPECT_EQ(outcome.saved, c.saved);
        EXPECT_EQ(steps.closed, 1);
        const std::vector<std::string> files = c.backedUp ? std::vector<std::string>{"book Backup S.xlsx", "book.xlsx"}
                                                          : std::vector<std::string>{"book.xlsx"};
        EXPECT_EQ(filesIn(folder.path()), files);
        if (c.backedUp) {
            EXPECT_EQ(readFile(folder / "book Backup S.xlsx"), before);
        }
        EXPECT_EQ(firstCell(path), c.hasText && c.saved ? "es:house" : c.hasText ? "house" : "7");
        if (!c.saved) {
            EXPECT_EQ(readFile(path), before);
        }
    }
}

// Whichever step fails, the file keeps its bytes and the message names it first; a failure
// after cells were written says that they were not kept.
TEST(FileSteps, AFailureAtAnyStepLeavesTheFileAsItWas)
{
    const struct {
        const char* name;
        Steps::FailAt failAt;
        bool readOnly;
        bool notAWorkbook;
        std::string reason;
    } cases[] = {
        {"no backup", Steps::FailAt::Nowhere, true, false, "no backup copy could be made ("},
        {"not a workbook", Steps::FailAt::Nowhere, false, true, ""},
        {"no block chosen", Steps::FailAt::Choosing, false, false, ": no block of cells was chosen"},
        {"a failed exchange", Steps::FailAt::Converting, false, false,
         "the page went away; the file was left as it was"},
        // Made read-only after converting, and so with no backup asked for, which it would not get.
        {"a refused save", Steps::FailAt::Saving, false, false, "; the file was left as it was"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        const std::string path = (folder / "book.xlsx").string();
        if (c.notAWorkbook)
            writeFile(path, "not a workbook");
        else
            WorkbookFixture().worksheet("S", sheetRows({{"A1", text("house")}})).write(path);
        if (c.readOnly)
            fs::permissions(path, fs::perms::owner_read);
        const std::string before = readFile(path);
        Steps steps(c.failAt);
        const BackupWhen backup =
            c.failAt == Steps::FailAt::Saving ? BackupWhen::Never : BackupWhen::BeforeSavingChanges;
        const core::FileOutcome outcome = core::convertFile(path, plan(backup, false), steps);
        ASSERT_TRUE(outcome.failure);
        EXPECT_TRUE(outcome.failure->message().starts_with(path)) << outcome.failure->message();
        EXPECT_NE(outcome.failure->message().find(c.reason), std::string::npos) << outcome.failure->message();
        EXPECT_FALSE(outcome.saved);
        EXPECT_EQ(readFile(path), before);
        EXPECT_EQ(filesIn(folder.path()), std::vector<std::string>{"book.xlsx"});
        EXPECT_EQ(steps.closed, 1);
    }
}

}  // namespace
