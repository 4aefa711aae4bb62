// .xls workbooks: real files saved by Excel (data/xls, listed in its MANIFEST.tsv) and one made
// by LibreOffice. Each opens or is refused with its reason; a text written and saved changes
// that cell and nothing else, every other stream of the compound file byte for byte.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>

#include "spreadsheet/workbook.h"
#include "spreadsheet/xls/compound_file.h"
#include "tests/spreadsheet/fixture.h"
#include "tests/spreadsheet/libreoffice.h"
#include "tests/spreadsheet/test_name.h"

namespace veltrano::spreadsheet {
namespace {

namespace fs = std::filesystem;
const fs::path kData = fs::path(VELTRANO_SOURCE_DIR) / "tests/spreadsheet/data";
const std::string kNewText = "Texto nuevo: año 東京";

struct CorpusFile {
    std::string name;  // under data/
    std::optional<ErrorCode> refusal;
};
void PrintTo(const CorpusFile& file, std::ostream* out)
{
    *out << file.name;
}

// Every file of the manifest, refused when it is older than BIFF8 or encrypted.
std::vector<CorpusFile> corpus()
{
    std::vector<CorpusFile> files{{"libreoffice_legacy.xls", std::nullopt}};
    std::ifstream manifest(kData / "xls/MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);  // the header
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields;
        std::stringstream row(line);
        for (std::string field; std::getline(row, field, '\t');)
            fields.push_back(field);
        if (fields.size() < 7)
            continue;
        std::optional<ErrorCode> refusal;
        if (fields[5] != "BIFF8")
            refusal = ErrorCode::LegacyBinary;
        else if (fields[6] == "yes")
            refusal = ErrorCode::Encrypted;
        files.push_back({"xls/" + fields[0], refusal});
    }
    return files;
}

using Place = std::tuple<std::size_t, int, int>;
using Texts = std::map<Place, std::string>;

Texts allTexts(Workbook& book)
{
    Texts texts;
    for (std::size_t s = 0; s < book.worksheetCount(); ++s) {
        Worksheet sheet = book.worksheet(s);
        const CellRange used = sheet.usedRange();
        for (int row = used.firstRow; row <= used.lastRow; ++row)
            for (int column = used.firstColumn; column <= used.lastColumn; ++column)
                if (std::string text = sheet.text(row, column); !text.empty())
                    texts[{s, row, column}] = text;
    }
    return texts;
}

// Writes text into the first text cell that takes it, in sheet order.
std::optional<Place> writeFirstText(Workbook& book, const std::string& text)
{
    for (const auto& [place, shown] : allTexts(book)) {
        auto [s, row, column] = place;
        Worksheet sheet = book.worksheet(s);
        if (sheet.kind(row, column) == CellKind::Text && sheet.writeBlock(row, column) == WriteBlock::None
            && sheet.setValue(row, column, text).ok())
            return place;
    }
    return std::nullopt;
}

void expectSameEntries(const xls::CompoundEntry& before, const xls::CompoundEntry& after, const std::string& where,
                       bool root)
{
    EXPECT_EQ(before.classId, after.classId) << where;
    ASSERT_EQ(before.children.size(), after.children.size()) << where;
    std::map<std::string, const xls::CompoundEntry*> saved;
    for (const auto& entry : after.children)
        saved[entry.name] = &entry;
    for (const auto& entry : before.children) {
        const std::string place = where + "/" + entry.name;
        ASSERT_TRUE(saved.count(entry.name)) << place;
        const xls::CompoundEntry& other = *saved[entry.name];
        EXPECT_EQ(entry.isStorage, other.isStorage) << place;
        if (!(root && entry.name == "Workbook")) {
            EXPECT_TRUE(entry.data == other.data) << place << " changed";
        }
        expectSameEntries(entry, other, place, false);
    }
}

fs::path writableCopy(const testing::TempDir& dir, const std::string& name, const std::string& as)
{
    fs::path path = dir / as;
    fs::copy_file(kData / name, path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    return path;
}

class XlsCorpus : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(XlsCorpus, OpensOrIsRefusedAndOneWrittenCellIsTheOnlyChange)
{
    testing::TempDir dir;
    const fs::path path = writableCopy(dir, GetParam().name, "book.xls");
    auto book = Workbook::open(path.string());
    if (GetParam().refusal) {
        ASSERT_FALSE(book.ok());
        EXPECT_EQ(book.error().code, *GetParam().refusal) << book.error().message();
        EXPECT_EQ(book.error().message().find('\n'), std::string::npos);
        EXPECT_EQ(testing::readFile(path), testing::readFile(kData / GetParam().name));
        return;
    }
    ASSERT_TRUE(book.ok()) << book.error().message();
    Texts expected = allTexts(book.value());
    const auto written = writeFirstText(book.value(), kNewText);
    ASSERT_TRUE(written) << "no text cell took a new text";
    ASSERT_TRUE(book.value().save().ok());

    auto saved = Workbook::open(path.string());
    ASSERT_TRUE(saved.ok()) << saved.error().message();
    auto [sheet, row, column] = *written;
    EXPECT_EQ(saved.value().worksheet(sheet).storedText(row, column), kNewText);
    Texts now = allTexts(saved.value());
    expected.erase(*written);
    now.erase(*written);
    EXPECT_TRUE(now == expected);
    auto before = xls::CompoundFile::read(testing::readFile(kData / GetParam().name), "before");
    auto after = xls::CompoundFile::read(testing::readFile(path), "after");
    ASSERT_TRUE(before.ok() && after.ok());
    expectSameEntries(before.value().root(), after.value().root(), "", true);
}

INSTANTIATE_TEST_SUITE_P(Files, XlsCorpus, ::testing::ValuesIn(corpus()),
                         [](const auto& test) { return testing::testName(fs::path(test.param.name).stem().string()); });

TEST(XlsWrite, ManyNewTextsRunOverRecordBoundariesAndAnXltStaysATemplate)
{
    testing::TempDir dir;
    const fs::path path = writableCopy(dir, "libreoffice_legacy.xls", "many.xlt");
    auto book = Workbook::open(path.string());
    ASSERT_TRUE(book.ok()) << book.error().message();
    Worksheet sheet = book.value().worksheet(0);
    for (int row = 1; row <= 2000; ++row)
        ASSERT_TRUE(
            sheet.setValue(row, 1, "Texto " + std::to_string(row) + (row % 3 ? " largo de la tabla" : " 東京")).ok())
            << row;
    EXPECT_EQ(sheet.setValue(3000, 1, "x").error().code, ErrorCode::NotWritable);  // no record to take it
    EXPECT_EQ(book.value().worksheet(2).setValue(1, 1, "x", FormulaPolicy::Replace).error().code,
              ErrorCode::NotWritable);
    ASSERT_TRUE(book.value().save().ok());
    auto saved = Workbook::open(path.string());
    ASSERT_TRUE(saved.ok()) << saved.error().message();
    Worksheet again = saved.value().worksheet(0);
    for (int row = 1; row <= 2000; ++row)
        ASSERT_EQ(again.text(row, 1), "Texto " + std::to_string(row) + (row % 3 ? " largo de la tabla" : " 東京"))
            << row;
    EXPECT_EQ(again.text(14, 2), "Fila 14: año, niño, 東京");
    EXPECT_EQ(saved.value().worksheet(1).writeBlock(1, 1), WriteBlock::ProtectedCell);
    EXPECT_EQ(saved.value().worksheet(2).writeBlock(2, 1), WriteBlock::ArrayFormula);
}

// A workbook stream as some older writers make it: no shared string table, texts in LABEL
// records, one row block indexed by INDEX and DBCELL.
struct Biff {
    std::string bytes;
    std::uint32_t record(std::uint16_t type, const std::string& payload)
    {
        const auto at = std::uint32_t(bytes.size());
        bytes += {char(type & 0xFF), char(type >> 8), char(payload.size() & 0xFF), char(payload.size() >> 8)};
        bytes += payload;
        return at;
    }
};
std::string le(std::uint32_t value, int size)
{
    std::string out;
    for (int i = 0; i < size; ++i)
        out += char((value >> (8 * i)) & 0xFF);
    return out;
}
std::string label(int row, int column, const std::string& text)
{
    return le(row, 2) + le(column, 2) + le(0, 2) + le(static_cast<std::uint32_t>(text.size()), 2) + '\0' + text;
}

std::string labelWorkbook()
{
    Biff s;
    const std::string bof = le(0x0600, 2) + le(0x0005, 2) + std::string(12, '\0');
    s.record(0x0809, bof);
    const std::uint32_t sheetEntry = s.record(0x0085, le(0, 4) + '\0' + '\0' + '\4' + '\0' + "Hoja");
    s.record(0x000A, "");
    const auto sheetAt = std::uint32_t(s.bytes.size());
    s.bytes.replace(sheetEntry + 4, 4, le(sheetAt, 4));
    s.record(0x0809, le(0x0600, 2) + le(0x0010, 2) + std::string(12, '\0'));
    const std::uint32_t index = s.record(0x020B, le(0, 4) + le(0, 4) + le(2, 4) + le(0, 4) + le(0, 4));
    const std::uint32_t firstRow = s.record(0x0208, le(0, 2) + le(0, 2) + le(2, 2) + le(255, 2) + std::string(8, '\0'));
    s.record(0x0208, le(1, 2) + le(0, 2) + le(1, 2) + le(255, 2) + std::string(8, '\0'));
    const std::uint32_t row0 = s.record(0x0204, label(0, 0, "Hello"));
    s.record(0x0204, label(0, 1, "World"));
    const std::uint32_t row1 = s.record(0x0204, label(1, 0, "Second row"));
    const auto dbCell = std::uint32_t(s.bytes.size());
    s.record(0x00D7, le(dbCell - firstRow, 4) + le(row0 - (firstRow + 20), 2) + le(row1 - row0, 2));
    s.bytes.replace(index + 4 + 16, 4, le(dbCell, 4));
    s.record(0x000A, "");
    return s.bytes;
}

std::string rec(std::uint16_t type, const std::string& payload)
{
    Biff b;
    b.record(type, payload);
    return b.bytes;
}

// A workbook stream of one worksheet: a BIFF8 BOF, the globals given, the sheet's entry, and
// the sheet holding the records given.
std::string oneSheet(const std::string& globals, const std::string& sheet, std::uint16_t version = 0x0600)
{
    const std::string bof = rec(0x0809, le(version, 2) + le(0x0005, 2) + std::string(12, '\0'));
    std::string head = bof + globals;
    const std::size_t entrySize = 4 + 6 + 2 + 5, eofSize = 4;
    const auto sheetAt = std::uint32_t(head.size() + entrySize + eofSize);
    head += rec(0x0085, le(sheetAt, 4) + '\0' + '\0' + '\5' + '\0' + "Sheet") + rec(0x000A, "");
    return head + rec(0x0809, le(version, 2) + le(0x0010, 2) + std::string(12, '\0')) + sheet + rec(0x000A, "");
}

// A compound file of these root entries; a name ending in '/' is an (empty) storage.
std::string compoundFile(const std::vector<std::pair<std::string, std::string>>& entries)
{
    xls::CompoundEntry root;
    for (const auto& [name, data] : entries) {
        xls::CompoundEntry entry;
        entry.isStorage = name.back() == '/';
        entry.name = entry.isStorage ? name.substr(0, name.size() - 1) : name;
        entry.data = data;
        root.children.push_back(entry);
    }
    return xls::CompoundFile::fromRoot(root, "test").write("", "").value();
}

using Entries = std::vector<std::pair<std::string, std::string>>;

struct XlsRefusal {
    const char* name;
    // Made when the case runs: every test process registers all cases, and the flood is 16 MB.
    std::function<Entries()> entries;
    ErrorCode code;
    const char* says;
};
void PrintTo(const XlsRefusal& r, std::ostream* out)
{
    *out << r.name;
}

class XlsRefuses : public ::testing::TestWithParam<XlsRefusal> {};

TEST_P(XlsRefuses, WithOneLineSayingWhy)
{
    testing::TempDir dir;
    const fs::path path = dir / "refused.xls";
    testing::writeFile(path, compoundFile(GetParam().entries()));
    auto book = Workbook::open(path.string());
    ASSERT_FALSE(book.ok());
    EXPECT_EQ(book.error().code, GetParam().code) << book.error().message();
    EXPECT_NE(book.error().message().find(GetParam().says), std::string::npos) << book.error().message();
    EXPECT_EQ(book.error().message().rfind(path.string(), 0), 0u) << book.error().message();
    EXPECT_EQ(book.error().message().find('\n'), std::string::npos);
}

const std::string kSst = rec(0x00FC, le(1, 4) + le(1, 4) + le(1, 2) + '\0' + "a");

// MULBLANK records of 4,108 cells each, rows after rows, past the engine's cell limit.
std::string blankFlood()
{
    std::string records;
    for (std::uint32_t row = 0; row < 2000; ++row)
        records += rec(0x00BE, le(row, 2) + le(0, 2) + std::string(8216, '\0') + le(4107, 2));
    return records;
}
const std::string kText = rec(0x00FD, le(0, 2) + le(0, 2) + le(15, 2) + le(0, 4));

INSTANTIATE_TEST_SUITE_P(
    Cases, XlsRefuses,
    ::testing::Values(
        XlsRefusal{"Excel 5.0/95 stream",
                   [] {
                       return Entries{{"Book", oneSheet("", "", 0x0500)}};
                   },
                   ErrorCode::LegacyBinary, "Excel 5.0/95"},
        XlsRefusal{"Excel 97 & 5.0/95 file",
                   [] {
                       return Entries{{"Workbook", oneSheet(kSst, kText)}, {"Book", oneSheet("", "", 0x0500)}};
                   },
                   ErrorCode::LegacyBinary, "Excel 5.0/95"},
        XlsRefusal{"BIFF5 records",
                   [] {
                       return Entries{{"Workbook", oneSheet("", "", 0x0500)}};
                   },
                   ErrorCode::LegacyBinary, "Excel 5.0/95"},
        XlsRefusal{
            "FILEPASS",
            [] {
                return Entries{{"Workbook", oneSheet(rec(0x002F, le(1, 2) + std::string(52, '\0')) + kSst, kText)}};
            },
            ErrorCode::Encrypted, "password"},
        XlsRefusal{"encrypted package",
                   [] {
                       return Entries{{"EncryptionInfo", "x"}, {"EncryptedPackage", "y"}};
                   },
                   ErrorCode::Encrypted, "password"},
        XlsRefusal{"signed",
                   [] {
                       return Entries{{"Workbook", oneSheet(kSst, kText)}, {"_xmlsignatures/", ""}};
                   },
                   ErrorCode::Signed, "signature"},
        XlsRefusal{"no workbook stream",
                   [] {
                       return Entries{{"WordDocument", "text"}};
                   },
                   ErrorCode::NotAWorkbook, "no Excel workbook"},
        XlsRefusal{"records cut short",
                   [] {
                       return Entries{{"Workbook", oneSheet(kSst, kText).substr(0, 80)}};
                   },
                   ErrorCode::Damaged, "workbook stream"},
        XlsRefusal{
            "string past the table",
            [] {
                return Entries{{"Workbook", oneSheet(kSst, rec(0x00FD, le(0, 2) + le(0, 2) + le(15, 2) + le(7, 4)))}};
            },
            ErrorCode::Damaged, "shared string 7"},
        XlsRefusal{
            "table shorter than its count",
            [] {
                return Entries{{"Workbook", oneSheet(rec(0x00FC, le(2, 4) + le(2, 4) + le(1, 2) + '\0' + "a"), kText)}};
            },
            ErrorCode::Damaged, "holds 1 strings"},
        XlsRefusal{"more cells than the limit",
                   [] {
                       return Entries{{"Workbook", oneSheet("", blankFlood())}};
                   },
                   ErrorCode::TooLarge, "more cells than the limit"}));

TEST(XlsRead, AMinimalWorkbookOfOneTextOpens)
{
    testing::TempDir dir;
    const fs::path path = dir / "minimal.xls";
    testing::writeFile(path, compoundFile({{"Workbook", oneSheet(kSst, kText)}}));
    auto book = Workbook::open(path.string());
    ASSERT_TRUE(book.ok()) << book.error().message();
    EXPECT_EQ(book.value().worksheet(0).text(1, 1), "a");
}

// Whether every DBCELL of the stream points at its block's first ROW record and at the first
// cell record of each row.
bool rowBlocksIndexed(const std::string& stream)
{
    auto u16 = [&](std::size_t at) {
        return std::uint32_t(std::uint8_t(stream[at]) | std::uint8_t(stream[at + 1]) << 8);
    };
    auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    bool found = false;
    for (std::size_t at = 0; at + 4 <= stream.size(); at += 4 + u16(at + 2)) {
        if (u16(at) != 0x00D7)
            continue;
        found = true;
        const std::size_t firstRow = at - u32(at + 4);
        if (u16(firstRow) != 0x0208)
            return false;
        std::size_t cell = firstRow + 20;
        for (std::size_t i = 8; i < 4 + u16(at + 2); i += 2) {
            cell += u16(at + i);
            static const std::set<std::uint32_t> cellRecords{0x00FD, 0x0204, 0x00D6, 0x0203, 0x027E,
                                                             0x00BD, 0x0205, 0x0006, 0x0201, 0x00BE};
            if (!cellRecords.count(u16(cell)))
                return false;
        }
    }
    return found;
}

TEST(XlsWrite, TextsInLabelRecordsBecomeSharedStringsWithTheRowBlockIndexKept)
{
    testing::TempDir dir;
    auto file = xls::CompoundFile::read(testing::readFile(kData / "libreoffice_legacy.xls"), "template");
    ASSERT_TRUE(file.ok());
    auto bytes = file.value().write("Workbook", labelWorkbook());
    ASSERT_TRUE(bytes.ok());
    const fs::path path = dir / "labels.xls";
    testing::writeFile(path, bytes.value());
    auto book = Workbook::open(path.string());
    ASSERT_TRUE(book.ok()) << book.error().message();
    Worksheet sheet = book.value().worksheet(0);
    ASSERT_EQ(sheet.text(1, 2), "World");
    ASSERT_TRUE(sheet.setValue(1, 1, "Hola, año").ok());
    ASSERT_TRUE(sheet.setValue(2, 1, "World").ok());
    ASSERT_TRUE(book.value().save().ok());

    auto saved = Workbook::open(path.string());
    ASSERT_TRUE(saved.ok()) << saved.error().message();
    Worksheet again = saved.value().worksheet(0);
    EXPECT_EQ(again.text(1, 1), "Hola, año");
    EXPECT_EQ(again.text(1, 2), "World");
    EXPECT_EQ(again.text(2, 1), "World");
    auto written = xls::CompoundFile::read(testing::readFile(path), "saved");
    ASSERT_TRUE(written.ok());
    EXPECT_TRUE(rowBlocksIndexed(written.value().find("Workbook")->data));
}

struct SplitCase {
    const char* file;
    std::vector<std::pair<int, int>> cells;  // written, in sheet 0
};
void PrintTo(const SplitCase& c, std::ostream* out)
{
    *out << c.file;
}

class XlsSplit : public ::testing::TestWithParam<SplitCase> {};

// Numbers and blanks stored several to a record (MULRK, MULBLANK) take a text each while the
// record's other cells keep theirs.
TEST_P(XlsSplit, ACellOfAMultiCellRecordTakesATextAndItsNeighboursKeepTheirs)
{
    testing::TempDir dir;
    const fs::path path = writableCopy(dir, GetParam().file, "split.xls");
    auto book = Workbook::open(path.string());
    ASSERT_TRUE(book.ok()) << book.error().message();
    Texts expected = allTexts(book.value());
    for (auto [row, column] : GetParam().cells) {
        ASSERT_TRUE(book.value().worksheet(0).setValue(row, column, kNewText).ok()) << row << "," << column;
        expected.erase({0, row, column});
    }
    ASSERT_TRUE(book.value().save().ok());
    auto saved = Workbook::open(path.string());
    ASSERT_TRUE(saved.ok()) << saved.error().message();
    Texts now = allTexts(saved.value());
    for (auto [row, column] : GetParam().cells) {
        EXPECT_EQ(saved.value().worksheet(0).storedText(row, column), kNewText);
        now.erase({0, row, column});
    }
    EXPECT_TRUE(now == expected);
    auto file = xls::CompoundFile::read(testing::readFile(path), "saved");
    ASSERT_TRUE(file.ok());
    EXPECT_TRUE(rowBlocksIndexed(file.value().find("Workbook")->data));
}

INSTANTIATE_TEST_SUITE_P(Files, XlsSplit,
                         ::testing::Values(SplitCase{"xls/NumberFormatCondition.xls", {{1, 2}, {1, 4}, {2, 1}}},
                                           SplitCase{"xls/46445.xls", {{1, 3}}}, SplitCase{"xls/write.xls", {{1, 3}}}));

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// The cells given (in the first sheet), or else the first text cell, are written.
class XlsInLibreOffice : public ::testing::TestWithParam<SplitCase> {};

TEST_P(XlsInLibreOffice, SeesTheWrittenCellsAndNothingElse)
{
    if (!testing::haveSoffice())
        GTEST_SKIP() << testing::kNoSoffice;
    testing::TempDir dir;
    writableCopy(dir, GetParam().file, "before.xls");
    const fs::path path = writableCopy(dir, GetParam().file, "after.xls");
    auto book = Workbook::open(path.string());
    ASSERT_TRUE(book.ok()) << book.error().message();
    std::set<int> rows;
    for (auto [row, column] : GetParam().cells) {
        ASSERT_TRUE(book.value().worksheet(0).setValue(row, column, kNewText).ok());
        rows.insert(row);
    }
    if (GetParam().cells.empty()) {
        ASSERT_TRUE(writeFirstText(book.value(), kNewText));
    }
    ASSERT_TRUE(book.value().save().ok());

    const auto before = testing::libreOfficeSheets(dir, "before.xls");
    const auto after = testing::libreOfficeSheets(dir, "after.xls");
    ASSERT_EQ(before.size(), after.size());
    int changedLines = 0;
    for (const auto& [sheet, csv] : before) {
        const auto old = lines(csv), now = lines(after.at(sheet));
        ASSERT_EQ(old.size(), now.size()) << sheet;
        for (std::size_t i = 0; i < old.size(); ++i)
            if (old[i] != now[i]) {
                ++changedLines;
                EXPECT_NE(now[i].find(kNewText), std::string::npos) << now[i];
            }
    }
    EXPECT_EQ(changedLines, std::max<int>(1, int(rows.size())));
}

INSTANTIATE_TEST_SUITE_P(Files, XlsInLibreOffice,
                         ::testing::Values(SplitCase{"libreoffice_legacy.xls", {}}, SplitCase{"xls/19599-1.xls", {}},
                                           SplitCase{"xls/pivot_table_test.xls", {}},
                                           SplitCase{"xls/DrawingAndComments.xls", {}},
                                           SplitCase{"xls/numfmt_1_russian.xls", {}},
                                           SplitCase{"xls/NumberFormatCondition.xls", {{1, 2}, {1, 4}, {2, 1}}}));

}  // namespace
}  // namespace veltrano::spreadsheet
