// Cell references and ISO dates: small value types the engine reads from parts.
#include <gtest/gtest.h>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/xlsx/iso_date.h"
#include "spreadsheet/xlsx/opc.h"

namespace veltrano::spreadsheet {
namespace {

TEST(CellNames, ParseAndFormat)
{
    EXPECT_EQ(parseCellName("B7"), (CellAddress{7, 2}));
    EXPECT_EQ(parseCellName("$aa$10"), (CellAddress{10, 27}));
    EXPECT_EQ(parseCellName("XFD1048576"), (CellAddress{1048576, 16384}));
    for (const char* bad :
         {"", "A", "7", "A0", "XFE1", "A1048577", "A1:B2", "A-1", "AAAA1", "A$$1", "$$A1", "B7C", "A00000001"})
        EXPECT_FALSE(parseCellName(bad).has_value()) << bad;
    EXPECT_EQ(cellName(10, 27), "AA10");
    EXPECT_EQ(columnName(16384), "XFD");
    EXPECT_EQ(parseRangeName("C3:A1"), (CellRange{1, 1, 3, 3}));
    EXPECT_EQ(rangeName(CellRange{2, 2, 2, 2}), "B2");
}

TEST(CellNames, QuotedSheetNamesAreReadToTheirClosingQuote)
{
    using Split = std::optional<std::pair<std::string, std::string_view>>;
    EXPECT_EQ(splitQuotedSheetName("'It''s'!A1"), (Split{{"It's", "!A1"}}));
    EXPECT_EQ(splitQuotedSheetName("'a!b'''"), (Split{{"a!b'", ""}}));
    for (const char* bad : {"", "Plain!A1", "'unclosed!A1", "'ends in a doubled quote''"})
        EXPECT_FALSE(splitQuotedSheetName(bad).has_value()) << bad;
}

TEST(PartNames, ResolveRelationshipTargetsAgainstTheSourceFolder)
{
    EXPECT_EQ(opc::resolveTarget("xl/workbook.xml", "worksheets/sheet1.xml"), "xl/worksheets/sheet1.xml");
    EXPECT_EQ(opc::resolveTarget("xl/workbook.xml", "/xl/worksheets/sheet1.xml"), "xl/worksheets/sheet1.xml");
    EXPECT_EQ(opc::resolveTarget("xl/worksheets/sheet1.xml", "../tables/./table1.xml"), "xl/tables/table1.xml");
    EXPECT_EQ(opc::resolveTarget("xl/workbook.xml", "worksheets/sheet%201.xml"), "xl/worksheets/sheet 1.xml");
    EXPECT_EQ(opc::resolveTarget("", "xl/workbook.xml"), "xl/workbook.xml");
    EXPECT_EQ(opc::resolveTarget("xl/workbook.xml", "../../escape.xml"), "");
    EXPECT_EQ(opc::relationshipsPartName("xl/workbook.xml"), "xl/_rels/workbook.xml.rels");
    EXPECT_EQ(opc::relationshipsPartName(""), "_rels/.rels");
}

struct IsoCase {
    const char* text;
    numfmt::DateSystem system;
    double serial;
};

void PrintTo(const IsoCase& c, std::ostream* out)
{
    *out << c.text;
}

class IsoDates : public ::testing::TestWithParam<IsoCase> {};

TEST_P(IsoDates, BecomeSerialsOfTheSameCalendarDay)
{
    auto serial = isoDateToSerial(GetParam().text, GetParam().system);
    ASSERT_TRUE(serial.has_value()) << GetParam().text;
    EXPECT_DOUBLE_EQ(*serial, GetParam().serial) << GetParam().text;
}

constexpr auto k1900 = numfmt::DateSystem::Excel1900;
constexpr auto k1904 = numfmt::DateSystem::Excel1904;

INSTANTIATE_TEST_SUITE_P(Cases, IsoDates,
                         ::testing::Values(IsoCase{"1900-01-01", k1900, 1}, IsoCase{"1900-02-28", k1900, 59},
                                           IsoCase{"1900-03-01", k1900, 61},
                                           IsoCase{"2024-03-01T12:00:00", k1900, 45352.5},
                                           IsoCase{"2024-03-01T06:00:00.5Z", k1900, 45352.25 + 0.5 / 86400},
                                           IsoCase{"2024-03-01T00:00:00+02:00", k1900, 45352},
                                           IsoCase{"1904-01-01", k1904, 0}, IsoCase{"2024-03-01", k1904, 45352 - 1462},
                                           IsoCase{"T18:00:00", k1900, 0.75}, IsoCase{"06:00", k1900, 0.25}));

TEST(IsoDates, RefuseMalformedText)
{
    for (const char* bad : {"", "2024-02-30", "2024-13-01", "2024/03/01", "24:30:00", "2024-03-01T", "yesterday"})
        EXPECT_FALSE(isoDateToSerial(bad, k1900).has_value()) << bad;
}

}  // namespace
}  // namespace veltrano::spreadsheet
