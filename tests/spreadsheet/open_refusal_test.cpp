// Files the engine must refuse when opening, each with a reason that says what and where.
#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "spreadsheet/workbook.h"
#include "tests/spreadsheet/fixture.h"
#include "tests/spreadsheet/test_name.h"

namespace veltrano::spreadsheet {
namespace {

using testing::Parts;
using testing::TempDir;
using testing::WorkbookFixture;

WorkbookFixture simple()
{
    return WorkbookFixture().worksheet("Sheet1", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
}

Parts replacing(Parts parts, const std::string& name, const std::string& content)
{
    for (auto& [n, c] : parts)
        if (n == name)
            c = content;
    return parts;
}

std::string compoundFile(bool encrypted)
{
    std::string bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    bytes.resize(1024, '\0');
    if (encrypted) {
        const char name[] = "EncryptionInfo";
        for (std::size_t i = 0; i < sizeof name - 1; ++i) {
            bytes[600 + 2 * i] = name[i];
        }
    }
    return bytes;
}

struct Refusal {
    const char* name;
    std::function<std::filesystem::path(const TempDir&)> make;
    ErrorCode code;
    const char* messagePart;
};

void PrintTo(const Refusal& r, std::ostream* out)
{
    *out << r.name;
}

class OpenRefuses : public ::testing::TestWithParam<Refusal> {};

TEST_P(OpenRefuses, WithCodeAndReason)
{
    TempDir dir;
    auto path = GetParam().make(dir);
    auto workbook = Workbook::open(path.string());
    ASSERT_FALSE(workbook.ok()) << GetParam().name;
    EXPECT_EQ(workbook.error().code, GetParam().code) << workbook.error().message();
    EXPECT_NE(workbook.error().message().find(GetParam().messagePart), std::string::npos) << workbook.error().message();
    EXPECT_NE(workbook.error().message().find(path.filename().string()), std::string::npos)
        << workbook.error().message();
    EXPECT_EQ(workbook.error().message().find('\n'), std::string::npos) << workbook.error().message();
}

std::filesystem::path withParts(const TempDir& dir, const Parts& parts)
{
    auto path = dir / "book.xlsx";
    testing::writeZip(path, parts);
    return path;
}

std::filesystem::path withBytes(const TempDir& dir, const std::string& bytes, const char* name = "book.xlsx")
{
    auto path = dir / name;
    testing::writeFile(path, bytes);
    return path;
}

std::filesystem::path withSheet(const TempDir& dir, const std::string& sheetXml)
{
    return withParts(dir, replacing(simple().parts(), "xl/worksheets/sheet1.xml", sheetXml));
}

// A workbook of one worksheet, "S", holding these rows.
std::filesystem::path withRows(const TempDir& dir, const std::string& rowsXml)
{
    return withParts(dir, WorkbookFixture().worksheet("S", rowsXml).parts());
}

const std::string kMain = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenRefuses,
    ::testing::Values(
        Refusal{"missing", [](const TempDir& d) { return d / "absent.xlsx"; }, ErrorCode::NotFound, "no such file"},
        Refusal{"folder",
                [](const TempDir& d) {
                    std::filesystem::create_directory(d / "dir.xlsx");
                    return d / "dir.xlsx";
                },
                ErrorCode::NotAFile, "folder"},
        Refusal{"damaged xls", [](const TempDir& d) { return withBytes(d, compoundFile(false), "old.xls"); },
                ErrorCode::Damaged, "compound file"},
        Refusal{"encrypted", [](const TempDir& d) { return withBytes(d, compoundFile(true)); }, ErrorCode::Encrypted,
                "password"},
        Refusal{"text file", [](const TempDir& d) { return withBytes(d, "name,amount\n"); }, ErrorCode::NotAWorkbook,
                "not a zip"},
        Refusal{"truncated zip",
                [](const TempDir& d) {
                    auto path = simple().write(d / "whole.xlsx");
                    std::string bytes = testing::readFile(path);
                    return withBytes(d, bytes.substr(0, bytes.size() / 2));
                },
                ErrorCode::Damaged, "damaged zip"},
        Refusal{"ods",
                [](const TempDir& d) {
                    return withParts(
                        d, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", "<x/>"}});
                },
                ErrorCode::OpenDocument, "OpenDocument"},
        Refusal{"xlsb",
                [](const TempDir& d) {
                    return withParts(
                        d, simple().mainContentType("application/vnd.ms-excel.sheet.binary.macroEnabled.main").parts());
                },
                ErrorCode::BinaryWorkbook, ".xlsb"},
        Refusal{"docx",
                [](const TempDir& d) {
                    return withParts(
                        d, simple()
                               .mainContentType(
                                   "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml")
                               .parts());
                },
                ErrorCode::NotAWorkbook, "not a workbook"},
        Refusal{"signature folder",
                [](const TempDir& d) {
                    return withParts(d, simple().extraPart("_xmlsignatures/sig1.xml", "<Signature/>").parts());
                },
                ErrorCode::Signed, "signed"},
        Refusal{"signature relationship",
                [](const TempDir& d) {
                    auto parts = simple().parts();
                    for (auto& [n, c] : parts)
                        if (n == "_rels/.rels")
                            c.insert(c.find("</Relationships>"),
                                     "<Relationship Id=\"s\" "
                                     "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/"
                                     "digital-signature/origin\" Target=\"_xmlsignatures/origin.sigs\"/>");
                    return withParts(d, parts);
                },
                ErrorCode::Signed, "signed"},
        Refusal{"broken sheet xml",
                [](const TempDir& d) { return withSheet(d, kMain + "<sheetData><row></sheetData></worksheet>"); },
                ErrorCode::Damaged, "xl/worksheets/sheet1.xml at byte"},
        Refusal{"dtd",
                [](const TempDir& d) {
                    return withSheet(d, "<!DOCTYPE w [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" + kMain
                                            + "<sheetData/></worksheet>");
                },
                ErrorCode::Damaged, "document type"},
        Refusal{"nesting bomb",
                [](const TempDir& d) {
                    std::string deep;
                    for (int i = 0; i < 5000; ++i)
                        deep += "<x>";
                    return withSheet(d, kMain + deep);
                },
                ErrorCode::TooLarge, "nested deeper"},
        Refusal{"compression bomb",
                [](const TempDir& d) {
                    return withSheet(d,
                                     kMain + "<sheetData>" + std::string(40u << 20, ' ') + "</sheetData></worksheet>");
                },
                ErrorCode::TooLarge, "compression ratio"},
        Refusal{"string index out of range",
                [](const TempDir& d) {
                    return withParts(d, WorkbookFixture()
                                            .sharedStrings({"<t>a</t>"})
                                            .worksheet("S", "<row r=\"2\"><c r=\"B2\" t=\"s\"><v>5</v></c></row>")
                                            .parts());
                },
                ErrorCode::Damaged, "cell B2: shared string index 5 is out of range"},
        Refusal{"string index without a string table",
                [](const TempDir& d) { return withRows(d, "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"); },
                ErrorCode::Damaged, "cell A1: shared string index 0 is out of range"},
        Refusal{"damaged string table named before the indexes it leaves out of range",
                [](const TempDir& d) {
                    auto parts = WorkbookFixture()
                                     .sharedStrings({"<t>a</t>"})
                                     .worksheet("S", "<row r=\"2\"><c r=\"B2\" t=\"s\"><v>5</v></c></row>")
                                     .parts();
                    return withParts(d, replacing(parts, "xl/sharedStrings.xml", "<sst><si><t>a</si></sst>"));
                },
                ErrorCode::Damaged, "sharedStrings.xml"},
        Refusal{"unreadable number",
                [](const TempDir& d) { return withRows(d, "<row r=\"3\"><c r=\"C3\"><v>12abc</v></c></row>"); },
                ErrorCode::Damaged, "cell C3: number \"12abc\""},
        Refusal{"two sheets sharing one part",
                [](const TempDir& d) {
                    auto parts = WorkbookFixture().worksheet("A", "").worksheet("B", "").parts();
                    for (auto& [n, c] : parts)
                        if (n == "xl/_rels/workbook.xml.rels")
                            c = std::regex_replace(c, std::regex("sheet2\\.xml"), "sheet1.xml");
                    return withParts(d, parts);
                },
                ErrorCode::Damaged, "sheets \"A\" and \"B\" share one part"},
        Refusal{"encoding name across lines",
                [](const TempDir& d) {
                    return withSheet(d, "<?xml version=\"1.0\" encoding=\"utf\n-16\"?>" + kMain
                                            + "<sheetData/></worksheet>");
                },
                ErrorCode::Damaged, "encoding \"utf -16\""},
        Refusal{"duplicate cell",
                [](const TempDir& d) {
                    return withRows(d, "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"A1\"><v>2</v></c></row>");
                },
                ErrorCode::Damaged, "cell A1 appears twice"},
        Refusal{"unnumbered row past the last",
                [](const TempDir& d) { return withRows(d, "<row r=\"1048576\"/><row><c><v>1</v></c></row>"); },
                ErrorCode::Damaged, "row 1048577 lies past the last row"},
        Refusal{"table column without a name",
                [](const TempDir& d) {
                    WorkbookFixture fixture;
                    const std::string id = fixture.relatedPart(
                        1, "table", "xl/tables/table1.xml",
                        "<table xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                        "id=\"1\" name=\"T\" displayName=\"T\" ref=\"A1:A2\"><tableColumns count=\"1\">"
                        "<tableColumn id=\"1\"/></tableColumns></table>",
                        "application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml");
                    fixture.worksheet("S", "", "<tableParts count=\"1\"><tablePart r:id=\"" + id + "\"/></tableParts>");
                    return withParts(d, fixture.parts());
                },
                ErrorCode::Damaged, "table column without a name"},
        Refusal{"missing sheet part",
                [](const TempDir& d) {
                    auto parts = simple().parts();
                    std::erase_if(parts, [](const auto& p) { return p.first == "xl/worksheets/sheet1.xml"; });
                    return withParts(d, parts);
                },
                ErrorCode::Damaged, "xl/worksheets/sheet1.xml: part is missing"},
        Refusal{"no sheets", [](const TempDir& d) { return withParts(d, WorkbookFixture().parts()); },
                ErrorCode::Damaged, "lists no sheets"}),
    [](const auto& test) { return testing::testName(test.param.name); });

}  // namespace
}  // namespace veltrano::spreadsheet
