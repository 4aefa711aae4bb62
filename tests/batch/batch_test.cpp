// veltrano-batch run as a program on workbooks in a folder of their own, with the real page host
// and Apertium: what it changes, what it leaves, what it says and how it ends.

#include "pageclient/page_host.h"
#include "spreadsheet/workbook.h"
#include "tests/excel/sheet_cells.h"
#include "tests/spreadsheet/fixture.h"

#include <QProcess>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

namespace {

namespace fs = std::filesystem;
using namespace veltrano;
using spreadsheet::testing::readFile;
using spreadsheet::testing::TempDir;
using spreadsheet::testing::WorkbookFixture;
using spreadsheet::testing::writeFile;
using veltrano::testing::sheetRows;
using veltrano::testing::text;

using CellValues = std::map<std::string, std::string>;  // "Sheet!A1" → displayed text

// Two worksheets (the second active) and a protected one: texts, a number, a formula.
WorkbookFixture englishBook()
{
    return WorkbookFixture()
        .worksheet("One", sheetRows({{"A1", text("The house")},
                                     {"B1", "><v>42</v>"},
                                     {"C1", "t=\"str\"><f>A1&amp;\"\"</f><v>The house</v>"},
                                     {"A2", text("Good morning")}}))
        .worksheet("Two", sheetRows({{"A1", text("The red car")}}))
        .worksheet("Locked", sheetRows({{"A1", text("The house")}}), "<sheetProtection sheet=\"1\"/>")
        .activeTab(1);
}

WorkbookFixture spanishBook()
{
    return WorkbookFixture().worksheet("Uno", sheetRows({{"A1", text("La casa")}, {"A2", text("Buenos días")}}));
}

CellValues valuesOf(const fs::path& path)
{
    auto book = spreadsheet::Workbook::open(path.string());
    EXPECT_TRUE(book) << book.error().message();
    CellValues values;
    for (std::size_t i = 0; book && i < book.value().worksheetCount(); ++i) {
        const spreadsheet::Worksheet sheet = book.value().worksheet(i);
        const spreadsheet::CellRange used = sheet.usedRange();
        for (int row = 1; row <= used.lastRow; ++row)
            for (int column = 1; column <= used.lastColumn; ++column)
                if (!sheet.text(row, column).empty())
                    values[sheet.name() + "!" + spreadsheet::cellName(row, column)] = sheet.text(row, column);
    }
    return values;
}

struct Ran {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class BatchTest : public ::testing::Test {
protected:
    // One page host for all the runs of a test: starting Apertium is what takes time.
    static void SetUpTestSuite()
    {
        qputenv(pageclient::kPageHostVariable, QByteArray());
        host = pageclient::PageHost::launch(QStringLiteral(VELTRANO_BIN_DIR),
                                            {{QStringLiteral("--jobs"), QStringLiteral("1")}, false});
        const auto waited = host->waitForAddress(QDeadlineTimer(60000));
        address = waited ? waited.value().toStdString() : std::string();
        failure = waited ? std::string() : waited.error().message.toStdString();
    }
    static void TearDownTestSuite() { host.reset(); }

    void SetUp() override { ASSERT_FALSE(address.empty()) << failure; }

    QProcess* start(std::vector<std::string> args, bool ownHost = false,
                    const QString& program = QStringLiteral(VELTRANO_BIN_DIR "/veltrano-batch"))
    {
        if (!ownHost)
            args.insert(args.begin(), {"--page-host", address});
        auto* process = new QProcess;
        m_processes.emplace_back(process);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), QString::fromStdString((m_dir / "cache").string()));
        environment.remove(QString::fromLatin1(pageclient::kPageHostVariable));
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(QString::fromStdString(m_dir.path().string()));
        QStringList arguments;
        for (const auto& arg : args)
            arguments << QString::fromStdString(arg);
        process->start(program, arguments);
        return process;
    }

    static Ran finish(QProcess* process)
    {
        process->waitForFinished(300000);
        return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
                process->readAllStandardOutput().toStdString(), process->readAllStandardError().toStdString()};
    }

    Ran run(std::vector<std::string> args, bool ownHost = false) { return finish(start(std::move(args), ownHost)); }

    fs::path book(const std::string& name, const WorkbookFixture& fixture = englishBook())
    {
        return fixture.write(m_dir / name);
    }

    std::vector<std::string> filesInFolder() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.path()))
            if (entry.is_regular_file())
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static inline std::unique_ptr<pageclient::PageHost> host;
    static inline std::string address;
    static inline std::string failure;  // why there is no address
    TempDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

// The cells each choice changes; every other cell keeps its value.
struct ConversionCase {
    const char* name;
    std::function<WorkbookFixture()> workbook;
    std::vector<std::string> options;
    CellValues changed;
};

const ConversionCase kConversionCases[] = {
    {"whole workbook to Spanish: texts only, the locked sheet and the formula kept",
     englishBook,
     {"--to", "es"},
     {{"One!A1", "La casa"}, {"One!A2", "Buenos días"}, {"Two!A1", "El coche rojo"}}},
    {"the active sheet only", englishBook, {"--scope", "active-sheet"}, {{"Two!A1", "El coche rojo"}}},
    {"a block only", englishBook, {"--scope", "One!A2:C9"}, {{"One!A2", "Buenos días"}}},
    {"Spanish to English", spanishBook, {"--to", "en"}, {{"Uno!A1", "The house"}, {"Uno!A2", "Good morning"}}},
};

TEST_F(BatchTest, ConvertsTheCellsOfTheChosenDirectionAndScope)
{
    for (const ConversionCase& c : kConversionCases) {
        SCOPED_TRACE(c.name);
        const fs::path path = book(std::string(c.name).substr(0, 12) + ".xlsx", c.workbook());
        CellValues expected = valuesOf(path);
        for (const auto& [cell, value] : c.changed)
            expected[cell] = value;
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"--no-backup", path.string()});
        const Ran ran = run(args);
        EXPECT_EQ(ran.exitCode, 0) << ran.err;
        EXPECT_EQ(valuesOf(path), expected);
    }
}

TEST_F(BatchTest, AFileThatFailsIsNamedAndLeftWhileTheOthersAreConverted)
{
    const fs::path first = book("first.xlsx");
    writeFile(m_dir / "broken.xlsx", "not a workbook at all");
    const fs::path last = book("last.xlsx");
    const Ran ran = run({"--no-backup", first.string(), (m_dir / "broken.xlsx").string(), last.string(),
                         (m_dir / "missing.xlsx").string()});
    EXPECT_EQ(ran.exitCode, 1);
    EXPECT_NE(ran.err.find("broken.xlsx"), std::string::npos) << ran.err;
    EXPECT_NE(ran.err.find("missing.xlsx"), std::string::npos) << ran.err;
    EXPECT_EQ(readFile(m_dir / "broken.xlsx"), "not a workbook at all");
    EXPECT_EQ(valuesOf(first).at("One!A1"), "La casa");
    EXPECT_EQ(valuesOf(last).at("One!A1"), "La casa");
    EXPECT_NE(ran.out.find("2 files converted, 2 failed"), std::string::npos) << ran.out;
}

// A translation longer than a cell holds leaves that cell as it was, as the window does: the file
// is saved with its other cells, the cell is named, and the run ends with 1.
TEST_F(BatchTest, ATranslationTooLongForItsCellLeavesItAndTheRunSaysSo)
{
    std::string longText;
    for (int i = 0; i < 4000; ++i)
        longText += i == 0 ? "red car" : " red car";
    const fs::path path = book(
        "long.xlsx", WorkbookFixture().worksheet("S", sheetRows({{"A1", text("The house")}, {"A2", text(longText)}})));
    const Ran ran = run({"--no-memory", path.string()});
    EXPECT_EQ(ran.exitCode, 1) << ran.err;
    EXPECT_NE(ran.err.find("long.xlsx, sheet \"S\", cell A2: the translation is "), std::string::npos) << ran.err;
    EXPECT_NE(ran.out.find("1 files converted, 1 with cells left as they were"), std::string::npos) << ran.out;
    const CellValues values = valuesOf(path);
    EXPECT_EQ(values.at("S!A1"), "La casa");
    EXPECT_EQ(values.at("S!A2"), longText);
    EXPECT_EQ(filesInFolder().size(), 2u);  // the file and its backup
}

TEST_F(BatchTest, TheReportListsExactlyTheChangedCellsAndADryRunWritesNothingElse)
{
    const fs::path path = book("book.xlsx");
    const std::string before = readFile(path);
    const std::string expected =
        "file\tsheet\tcell\tbefore\tafter\n" + path.string() + "\tOne\tA1\tThe house\tLa casa\n" + path.string()
        + "\tOne\tA2\tGood morning\tBuenos días\n" + path.string() + "\tTwo\tA1\tThe red car\tEl coche rojo\n";
    for (const bool dryRun : {true, false}) {
        SCOPED_TRACE(dryRun ? "dry run" : "conversion");
        const fs::path report = m_dir / "report" / (dryRun ? "dry.tsv" : "real.tsv");
        fs::create_directories(report.parent_path());
        std::vector<std::string> args = {"--report", report.string(), path.string()};
        if (dryRun)
            args.insert(args.begin(), "--dry-run");
        const Ran ran = run(args);
        EXPECT_EQ(ran.exitCode, 0) << ran.err;
        EXPECT_EQ(readFile(report), expected);
        if (dryRun) {
            EXPECT_EQ(readFile(path), before);
            EXPECT_EQ(filesInFolder(), std::vector<std::string>{"book.xlsx"});
            EXPECT_NE(ran.out.find("3 cells would be translated"), std::string::npos) << ran.out;
        }
    }
}

TEST_F(BatchTest, BackupsAreMadeBesideTheFileAsTheWindowNamesThem)
{
    const fs::path path = book("Sales.final.xlsx");
    const std::string before = readFile(path);
    const Ran ran = run({path.string()});
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    const std::vector<std::string> files = filesInFolder();
    ASSERT_EQ(files.size(), 2u);
    const std::string& backup = files[0] == "Sales.final.xlsx" ? files[1] : files[0];
    EXPECT_TRUE(backup.starts_with("Sales.final Backup ") && backup.ends_with(".xlsx")) << backup;
    EXPECT_EQ(readFile(m_dir / backup), before);
    EXPECT_EQ(valuesOf(path).at("One!A1"), "La casa");
}

TEST_F(BatchTest, TheMemoryIsReusedSharedByTwoRunsAtOnceAndRebuiltWhenDamaged)
{
    const fs::path memory = m_dir / "cache" / "veltrano" / "translations.sqlite";
    const Ran first = run({"--no-backup", book("a.xlsx").string()});
    EXPECT_NE(first.out.find("3 distinct texts (0 from memory)"), std::string::npos) << first.out;
    const Ran second = run({"--no-backup", book("b.xlsx").string()});
    EXPECT_NE(second.out.find("3 distinct texts (3 from memory)"), std::string::npos) << second.out;

    QProcess* one = start({"--no-backup", book("c.xlsx", spanishBook()).string(), "--to", "en"});
    QProcess* two = start({"--no-backup", book("d.xlsx", spanishBook()).string(), "--to", "en"});
    for (const Ran& ran : {finish(one), finish(two)}) {
        EXPECT_EQ(ran.exitCode, 0) << ran.err;
        EXPECT_EQ(ran.err.find("warning"), std::string::npos) << ran.err;
    }

    // A damaged database: its header says SQLite, the rest is not.
    writeFile(memory, std::string("SQLite format 3\0", 16) + std::string(8192, 'x'));
    const Ran damaged = run({"--no-backup", book("e.xlsx").string()});
    EXPECT_EQ(damaged.exitCode, 0) << damaged.err;
    EXPECT_NE(damaged.err.find("set aside"), std::string::npos) << damaged.err;
    EXPECT_EQ(valuesOf(m_dir / "e.xlsx").at("One!A1"), "La casa");
    const Ran rebuilt = run({"--no-backup", book("f.xlsx").string()});
    EXPECT_NE(rebuilt.out.find("(3 from memory)"), std::string::npos) << rebuilt.out;
}

TEST_F(BatchTest, AMemoryThatRefusesNewTranslationsIsLeftWithItsReasonAndTheRunGoesOn)
{
    ASSERT_EQ(run({"--no-backup", book("a.xlsx").string()}).exitCode, 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((m_dir / "cache" / "veltrano" / "translations.sqlite").c_str(), &db), SQLITE_OK);
    const int made = sqlite3_exec(db,
                                  "CREATE TRIGGER refuse BEFORE INSERT ON translations "
                                  "BEGIN SELECT RAISE(ABORT, 'no room for more'); END",
                                  nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_EQ(made, SQLITE_OK);

    const fs::path path = book("b.xlsx", spanishBook());
    const Ran ran = run({"--no-backup", "--to", "en", path.string()});
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_NE(ran.err.find("cannot be written (no room for more)"), std::string::npos) << ran.err;
    EXPECT_EQ(valuesOf(path).at("Uno!A1"), "The house");
}

// A memory file that is anything but a translation memory is refused before any workbook is
// touched, and is left exactly as it was: the slip "--memory Ventas.xlsx Compras.xlsx" costs
// nothing.
TEST_F(BatchTest, OnlyATranslationMemoryIsUsedAsOne)
{
    const fs::path workbook = book("Ventas.xlsx");
    fs::create_symlink(workbook, m_dir / "link.sqlite");
    fs::create_directory(m_dir / "folder.sqlite");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((m_dir / "other.sqlite").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE customers (name TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    for (const char* memory : {"Ventas.xlsx", "link.sqlite", "folder.sqlite", "other.sqlite"}) {
        SCOPED_TRACE(memory);
        const fs::path target = book("Compras.xlsx");
        const std::string memoryBefore = fs::is_regular_file(m_dir / memory) ? readFile(m_dir / memory) : "";
        const std::string targetBefore = readFile(target);
        const Ran ran = run({"--memory", (m_dir / memory).string(), target.string()});
        EXPECT_EQ(ran.exitCode, 2) << ran.err;
        EXPECT_NE(ran.err.find("nothing was converted"), std::string::npos) << ran.err;
        EXPECT_EQ(readFile(target), targetBefore);
        if (fs::is_regular_file(m_dir / memory)) {
            EXPECT_EQ(readFile(m_dir / memory), memoryBefore);
        }
        EXPECT_TRUE(fs::is_symlink(m_dir / "link.sqlite"));
        for (const auto& entry : fs::directory_iterator(m_dir.path()))
            EXPECT_EQ(entry.path().string().find("damaged"), std::string::npos) << entry.path();
    }
}

TEST_F(BatchTest, AMemoryThatCanOnlyBeReadIsUsedAndKeepsNothingNew)
{
    ASSERT_EQ(run({"--no-backup", book("a.xlsx").string()}).exitCode, 0);
    const fs::path folder = m_dir / "cache" / "veltrano";
    const std::string kept = readFile(folder / "translations.sqlite");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read
                                | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const Ran ran = run({"--no-backup", book("b.xlsx").string(), book("c.xlsx", spanishBook()).string()});
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_NE(ran.err.find("can only be read"), std::string::npos) << ran.err;
    EXPECT_NE(ran.out.find("(3 from memory)"), std::string::npos) << ran.out;
    EXPECT_EQ(readFile(folder / "translations.sqlite"), kept);
}

// A folder search leaves out the backups this program made, which a second run over the folder
// would otherwise translate (with --no-backup, destroying the only originals); a backup named
// on the command line is converted as asked.
TEST_F(BatchTest, AFolderSearchLeavesOutThisProgramsBackups)
{
    fs::create_directories(m_dir / "tree");
    const fs::path original = book("tree/Sales.xlsx");
    const fs::path backups[] = {book("tree/Sales Backup 10 36 PM Monday, Dec 7 2026.xlsx"),
                                book("tree/Sales Backup 10 36 PM Monday, Dec 7 2026 (2).xlsx")};
    const Ran ran = run({"--no-backup", (m_dir / "tree").string()});
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_NE(ran.out.find("1 files converted, 2 backups in the folders left out"), std::string::npos) << ran.out;
    EXPECT_EQ(valuesOf(original).at("One!A1"), "La casa");
    for (const fs::path& backup : backups)
        EXPECT_EQ(valuesOf(backup).at("One!A1"), "The house") << backup;

    const Ran named = run({"--no-backup", backups[0].string()});
    EXPECT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(valuesOf(backups[0]).at("One!A1"), "La casa");
}

TEST_F(BatchTest, AFileThatCannotBeReplacedGetsNoBackup)
{
    const fs::path path = book("readonly.xlsx");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Ran ran = run({path.string()});
        EXPECT_EQ(ran.exitCode, 1) << ran.err;
        EXPECT_NE(ran.err.find("read-only"), std::string::npos) << ran.err;
    }
    EXPECT_EQ(filesInFolder(), std::vector<std::string>{"readonly.xlsx"});
}

// The report is the record of what changed: one that cannot be written whole fails the run,
// with the system's reason.
TEST_F(BatchTest, AReportThatCannotBeWrittenWholeFailsTheRunWithItsReason)
{
    const Ran full = run({"--report", "/dev/full", book("a.xlsx").string()});
    EXPECT_EQ(full.exitCode, 1) << full.err;
    EXPECT_NE(full.err.find("No space left on device"), std::string::npos) << full.err;
    EXPECT_EQ(valuesOf(m_dir / "a.xlsx").at("One!A1"), "The house");

    // Room for the header only: the first file's lines do not fit.
    QProcess* process = start({"--dry-run", "--no-memory", "--report", (m_dir / "report.tsv").string(),
                               book("b.xlsx").string(), book("c.xlsx").string()});
    process->kill();
    process->waitForFinished();
    process->setChildProcessModifier([] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{40, 40};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    process->start();
    const Ran cut = finish(process);
    EXPECT_EQ(cut.exitCode, 1) << cut.err;
    EXPECT_NE(cut.err.find("File too large"), std::string::npos) << cut.err;
    const auto said = [&](const std::string& text) {
        std::size_t count = 0;
        for (auto at = cut.err.find(text); at != std::string::npos; at = cut.err.find(text, at + 1))
            ++count;
        return count;
    };
    EXPECT_EQ(said("not whole"), 1u) << cut.err;
}

// Names are bytes: one that is not UTF-8 is converted when named, and control characters in a
// name reach the terminal escaped, never as themselves.
TEST_F(BatchTest, AnyNameIsConvertedAndShownSafely)
{
    const fs::path latin1 = m_dir / std::string("caf\xe9.xlsx");
    englishBook().write(latin1);
    const fs::path escape = book("red\x1b[31m.xlsx");
    const fs::path newline = book("two\nlines.xlsx");
    QProcess* process = start({});
    process->kill();
    process->waitForFinished();
    // A name that is not UTF-8 cannot travel as a Qt string; the shell passes the bytes.
    process->setProgram(QStringLiteral("/bin/sh"));
    process->setArguments({QStringLiteral("-c"),
                           QStringLiteral("exec \"$0\" --page-host \"$1\" \"$(printf 'caf\\351.xlsx')\" \"$2\" \"$3\""),
                           QStringLiteral(VELTRANO_BIN_DIR "/veltrano-batch"), QString::fromStdString(address),
                           QString::fromStdString(escape.string()), QString::fromStdString(newline.string())});
    process->start();
    const Ran ran = finish(process);
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(valuesOf(latin1).at("One!A1"), "La casa");
    for (const auto& entry : fs::directory_iterator(m_dir.path()))
        if (entry.path().filename().string().starts_with("caf\xe9 Backup ")) {
            EXPECT_EQ(valuesOf(entry.path()).at("One!A1"), "The house");
        }
    EXPECT_EQ((ran.err + ran.out).find('\x1b'), std::string::npos) << ran.err;
    EXPECT_NE(ran.err.find("red\\x1B[31m.xlsx"), std::string::npos) << ran.err;
    EXPECT_NE(ran.err.find("two\\nlines.xlsx: "), std::string::npos) << ran.err;
    EXPECT_NE(ran.err.find("caf\\xE9.xlsx: "), std::string::npos) << ran.err;
}

TEST_F(BatchTest, StartsItsOwnPageHostAndScansFoldersAsTheWindowDoes)
{
    fs::create_directories(m_dir / "tree" / "sub");
    fs::create_directories(m_dir / "tree" / ".hidden");
    book("tree/sub/deep.xlsx");
    book("tree/.hidden/skipped.xlsx");
    book("tree/~$lock.xlsx");
    const Ran ran =
        run({"--no-backup", "--no-memory", (m_dir / "tree").string(), (m_dir / "tree" / "sub").string()}, true);
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_NE(ran.out.find("1 files converted"), std::string::npos) << ran.out;
    EXPECT_EQ(valuesOf(m_dir / "tree" / "sub" / "deep.xlsx").at("One!A1"), "La casa");
    EXPECT_EQ(valuesOf(m_dir / "tree" / ".hidden" / "skipped.xlsx").at("One!A1"), "The house");
}

TEST_F(BatchTest, APageHostThatCannotStartFailsEachFileWithItsReason)
{
    // Alone in a folder, the program finds no page host beside it to start.
    fs::create_directories(m_dir / "alone");
    const fs::path program = m_dir / "alone" / "veltrano-batch";
    fs::copy_file(VELTRANO_BIN_DIR "/veltrano-batch", program);
    const fs::path path = book("book.xlsx");
    const std::string before = readFile(path);
    const Ran ran = finish(start({"--no-memory", path.string()}, true, QString::fromStdString(program.string())));
    EXPECT_EQ(ran.exitCode, 1) << ran.err;
    EXPECT_NE(ran.err.find("book.xlsx: not translated: "), std::string::npos) << ran.err;
    EXPECT_EQ(readFile(path), before);
}

// The texts outside the cells of a workbook, "place: text" in listing order.
std::vector<std::string> otherTexts(const fs::path& path)
{
    auto book = spreadsheet::Workbook::open(path.string());
    EXPECT_TRUE(book) << book.error().message();
    std::vector<std::string> texts;
    auto listing = book ? book.value().texts(spreadsheet::TextKinds::all())
                        : spreadsheet::Result<spreadsheet::WorkbookTexts>(book.error());
    for (const auto& text : listing ? listing.value().texts : std::vector<spreadsheet::PlacedText>())
        texts.push_back(text.place + ": " + text.text);
    return texts;
}

// texts.xlsx/.xls: made by tests/spreadsheet/data/make_texts.py.
TEST_F(BatchTest, IncludeTranslatesTheTextsOutsideTheCellsAsTheCells)
{
    const fs::path data = fs::path(VELTRANO_SOURCE_DIR) / "tests/spreadsheet/data";
    for (const char* name : {"texts.xlsx", "texts.xls", "cells.xlsx"})
        fs::copy_file(data / (name == std::string("cells.xlsx") ? "texts.xlsx" : name), m_dir / name);
    const std::vector<std::string> before = otherTexts(m_dir / "texts.xlsx");

    const Ran dry = run({"--no-memory", "--dry-run", "--include", "notes,charts", "--report", "dry.tsv",
                         (m_dir / "texts.xlsx").string()});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    const std::string dryReport = readFile(m_dir / "dry.tsv");
    EXPECT_NE(dryReport.find("\tSales\tnote A1\tCheck the monthly total\tCompruebe el total mensual\n"),
              std::string::npos)
        << dryReport;
    EXPECT_EQ(dryReport.find("\theader\t"), std::string::npos) << "only the kinds asked for";
    EXPECT_EQ(otherTexts(m_dir / "texts.xlsx"), before);

    const Ran ran = run({"--no-memory", "--no-backup", "--include", "all", (m_dir / "texts.xlsx").string(),
                         (m_dir / "texts.xls").string()});
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    const std::vector<std::string> after = otherTexts(m_dir / "texts.xlsx");
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i)
        EXPECT_NE(after[i], before[i]);
    for (const char* expected : {"header: Informe de ventas mensual", "note A1: Compruebe el total mensual",
                                 "chart 1 title: Ingresos trimestrales", "chart 1 axis title: Mes"})
        EXPECT_NE(std::find(after.begin(), after.end(), expected), after.end()) << expected;
    EXPECT_EQ(valuesOf(m_dir / "texts.xlsx").at("Sales!A1"), "Mes") << "the same word in a cell and a chart";
    const std::string xlsNote = "texts.xls: the charts of an Excel 97-2003 workbook cannot be edited safely in "
                                "this format";
    EXPECT_NE(ran.err.find(xlsNote), std::string::npos) << ran.err;
    EXPECT_EQ(ran.err.find(xlsNote), ran.err.rfind(xlsNote)) << "said once per file";

    const Ran cellsOnly = run({"--no-memory", "--no-backup", (m_dir / "cells.xlsx").string()});
    EXPECT_EQ(cellsOnly.exitCode, 0) << cellsOnly.err;
    EXPECT_EQ(otherTexts(m_dir / "cells.xlsx"), before) << "without --include the cells only";
}

struct UsageCase {
    std::vector<std::string> args;
    int exitCode;
    std::string quoted = {};  // the wrong value, as the message must quote it
};

TEST_F(BatchTest, WrongUsageEndsWithTwo)
{
    const UsageCase cases[] = {
        {{}, 2},
        {{"--to", "fr", "x.xlsx"}, 2},
        {{"--scope", "A1:B2", "x.xlsx"}, 2},
        {{"--scope", "'Unclosed!A1:B2", "x.xlsx"}, 2},
        {{"--bogus", "x.xlsx"}, 2},
        {{"--jobs", "0", "x.xlsx"}, 2, "not \"0\""},
        {{"--include", "notes,comments", "x.xlsx"}, 2, "not \"comments\""},
        {{"--help"}, 0},
        {{"--version"}, 0},
    };
    for (const UsageCase& c : cases) {
        const Ran ran = run(c.args, true);
        EXPECT_EQ(ran.exitCode, c.exitCode) << (c.args.empty() ? "" : c.args.front()) << ran.err;
        EXPECT_NE(ran.err.find(c.quoted), std::string::npos) << ran.err;
    }
}

}  // namespace
