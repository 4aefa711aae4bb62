// A saved workbook must open in another spreadsheet program with the new texts in place:
// LibreOffice headless converts it to CSV, sheet by sheet.
#include <gtest/gtest.h>

#include "spreadsheet/workbook.h"
#include "tests/spreadsheet/fixture.h"
#include "tests/spreadsheet/libreoffice.h"

namespace veltrano::spreadsheet {
namespace {

TEST(LibreOffice, OpensSavedWorkbooksWithTheNewTexts)
{
    if (!testing::haveSoffice())
        GTEST_SKIP() << testing::kNoSoffice;
    testing::TempDir dir;
    auto path = dir / "saved.xlsx";
    std::filesystem::copy_file(
        std::filesystem::path(VELTRANO_SOURCE_DIR) / "tests/spreadsheet/data/openpyxl_features.xlsx", path);
    auto book = Workbook::open(path.string());
    ASSERT_TRUE(book.ok()) << book.error().message();
    const std::vector<std::tuple<std::size_t, int, int, std::string>> writes = {
        {0, 2, 1, "Manzanas rojas"}, {0, 3, 4, "  con espacios  "}, {0, 4, 4, "dos\r\nlíneas & más"},
        {0, 12, 2, "celda nueva"},   {1, 1, 1, "Nombre"},           {1, 2, 2, "Azul"},
        {2, 1, 1, "=no es fórmula"},
    };
    for (const auto& [sheet, row, column, text] : writes)
        ASSERT_TRUE(book.value().worksheet(sheet).setValue(row, column, text).ok()) << text;
    ASSERT_TRUE(book.value().save().ok());

    const auto sheets = testing::libreOfficeSheets(dir, "saved.xlsx");
    ASSERT_FALSE(HasFailure());
    const std::string& datos = sheets.at("Datos");
    const std::string& tabla = sheets.at("Tabla");
    const std::string& empty = sheets.at("Empty");
    EXPECT_NE(datos.find("Manzanas rojas,1234.5"), std::string::npos) << datos;
    EXPECT_NE(datos.find(",  con espacios  ,"), std::string::npos) << datos;
    EXPECT_NE(datos.find("líneas & más"), std::string::npos) << datos;
    EXPECT_NE(datos.find("celda nueva"), std::string::npos) << datos;
    EXPECT_NE(tabla.find("Nombre,Team,Score"), std::string::npos) << tabla;
    EXPECT_NE(tabla.find("Ana,Azul,10"), std::string::npos) << tabla;
    EXPECT_NE(empty.find("=no es fórmula"), std::string::npos) << empty;
}

}  // namespace
}  // namespace veltrano::spreadsheet
