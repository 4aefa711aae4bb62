// .xls workbooks: real files saved by Excel (data/xls, listed in its MANIFEST.tsv) and one made
// by LibreOffice. Each opens or is refused with its reason; a text written and saved changes
// that cell and nothing else, every other stream of the compound file byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <tuple>

#include "spreadsheet/workbook.h"
#include "spreadsheet/xls/compound_file.h"
#include "tests/spreadsheet/fixture.h"

namespace veltrano::spreadsheet {
namespace {

namespace fs = std::filesystem;
const fs::path kData = fs::path(VELTRANO_SOURCE_DIR) / "tests/spreadsheet/data";
const std::string kNewText = "Texto nuevo: año 東京";

struct CorpusFile {
    std::string name;  // under data/
    std::optional<ErrorCode> refusal;
};
void PrintTo(const CorpusFile& file, std::ostream* out) { *out << file.name; }

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
        if (sheet.kind(row, column) == CellKind::Text && sheet.writeBlock(row, column) == WriteBlock::None &&
            sheet.setValue(row, column, text).ok())
            return place;
    }
    return std::nullopt;
}

void expectSameEntries(const xls::CompoundEntry& before, const xls::CompoundEntry& after, const std::string& where, bool root)
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
        EXPECT_EQ(book.error().code, *GetParam().refusal) << book.error().message;
        EXPECT_EQ(book.error().message.find('\n'), std::string::npos);
        EXPECT_EQ(testing::readFile(path), testing::readFile(kData / GetParam().name));
        return;
    }
    ASSERT_TRUE(book.ok()) << book.error().message;
    Texts expected = allTexts(book.value());
    const auto written = writeFirstText(book.value(), kNewText);
    ASSERT_TRUE(written) << "no text cell took a new text";
    ASSERT_TRUE(book.value().save().ok());

    auto saved = Workbook::open(path.string());
    ASSERT_TRUE(saved.ok()) << saved.error().message;
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

INSTANTIATE_TEST_SUITE_P(Files, XlsCorpus, ::testing::ValuesIn(corpus()), [](const auto& info) {
    std::string name = fs::path(info.param.name).stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

TEST(XlsWrite, ManyNewTextsRunOverRecordBoundariesAndAnXltStaysATemplate)
{
    testing::TempDir dir;
    const fs::path path = writableCopy(dir, "libreoffice_legacy.xls", "many.xlt");
    auto book = Workbook::open(path.string());
    ASSERT_TRUE(book.ok()) << book.error().message;
    Worksheet sheet = book.value().worksheet(0);
    for (int row = 1; row <= 2000; ++row)
        ASSERT_TRUE(sheet.setValue(row, 1, "Texto " + std::to_string(row) + (row % 3 ? " largo de la tabla" : " 東京")).ok()) << row;
    EXPECT_EQ(sheet.setValue(1, 2, "x").error().code, ErrorCode::NotWritable);  // a number record
    ASSERT_TRUE(book.value().save().ok());
    auto saved = Workbook::open(path.string());
    ASSERT_TRUE(saved.ok()) << saved.error().message;
    Worksheet again = saved.value().worksheet(0);
    for (int row = 1; row <= 2000; ++row)
        ASSERT_EQ(again.text(row, 1), "Texto " + std::to_string(row) + (row % 3 ? " largo de la tabla" : " 東京")) << row;
    EXPECT_EQ(again.text(14, 2), "Fila 14: año, niño, 東京");
    EXPECT_EQ(saved.value().worksheet(1).writeBlock(1, 1), WriteBlock::ProtectedCell);
    EXPECT_EQ(saved.value().worksheet(2).writeBlock(2, 1), WriteBlock::ArrayFormula);
}

bool haveSoffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

// The CSV of every sheet, as LibreOffice reads the file, keyed by sheet.
std::map<std::string, std::string> libreOfficeSheets(const testing::TempDir& dir, const std::string& file)
{
    const std::string command = "cd '" + dir.path().string() + "' && timeout 180 soffice -env:UserInstallation=file://" +
                                dir.path().string() + "/profile --headless --convert-to "
                                "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' " + file +
                                " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::map<std::string, std::string> sheets;
    const std::string stem = fs::path(file).stem().string() + "-";
    for (const auto& entry : fs::directory_iterator(dir.path()))
        if (entry.path().extension() == ".csv" && entry.path().filename().string().rfind(stem, 0) == 0)
            sheets[entry.path().filename().string().substr(stem.size())] = testing::readFile(entry.path());
    return sheets;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class XlsInLibreOffice : public ::testing::TestWithParam<std::string> {};

TEST_P(XlsInLibreOffice, SeesTheOneWrittenCellAndNothingElse)
{
    if (!haveSoffice())
        GTEST_SKIP() << "soffice not installed (scripts/setup.sh --tests installs libreoffice-calc-nogui)";
    testing::TempDir dir;
    writableCopy(dir, GetParam(), "before.xls");
    const fs::path path = writableCopy(dir, GetParam(), "after.xls");
    auto book = Workbook::open(path.string());
    ASSERT_TRUE(book.ok()) << book.error().message;
    ASSERT_TRUE(writeFirstText(book.value(), kNewText));
    ASSERT_TRUE(book.value().save().ok());

    const auto before = libreOfficeSheets(dir, "before.xls");
    const auto after = libreOfficeSheets(dir, "after.xls");
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
    EXPECT_EQ(changedLines, 1);
}

INSTANTIATE_TEST_SUITE_P(Files, XlsInLibreOffice,
                         ::testing::Values("libreoffice_legacy.xls", "xls/19599-1.xls", "xls/pivot_table_test.xls",
                                           "xls/DrawingAndComments.xls", "xls/numfmt_1_russian.xls"));

}  // namespace
}  // namespace veltrano::spreadsheet
