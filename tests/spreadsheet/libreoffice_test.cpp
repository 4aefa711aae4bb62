// A saved workbook must open in another spreadsheet program with the new texts in place:
// LibreOffice headless converts it to CSV, sheet by sheet.
#include <gtest/gtest.h>

#include <cstdlib>

#include "spreadsheet/workbook.h"
#include "tests/spreadsheet/fixture.h"

namespace veltrano::spreadsheet {
namespace {

bool haveSoffice()
{
    return std::system("command -v soffice >/dev/null 2>&1") == 0;
}

TEST(LibreOffice, OpensSavedWorkbooksWithTheNewTexts)
{
    if (!haveSoffice())
        GTEST_SKIP() << "soffice not installed (scripts/setup.sh --tests installs libreoffice-calc-nogui)";
    testing::TempDir dir;
    auto path = dir / "saved.xlsx";
    std::filesystem::copy_file(
        std::filesystem::path(VELTRANO_SOURCE_DIR) / "tests/spreadsheet/data/openpyxl_features.xlsx", path);
    auto book = Workbook::open(path.string());
    ASSERT_TRUE(book.ok()) << book.error().message;
    const std::vector<std::tuple<std::size_t, int, int, std::string>> writes = {
        {0, 2, 1, "Manzanas rojas"}, {0, 3, 4, "  con espacios  "}, {0, 4, 4, "dos\r\nlíneas & más"},
        {0, 12, 2, "celda nueva"},   {1, 1, 1, "Nombre"},           {1, 2, 2, "Azul"},
        {2, 1, 1, "=no es fórmula"},
    };
    for (const auto& [sheet, row, column, text] : writes)
        ASSERT_TRUE(book.value().worksheet(sheet).setValue(row, column, text).ok()) << text;
    ASSERT_TRUE(book.value().save().ok());

    const std::string command =
        "cd '" + dir.path().string() + "' && timeout 180 soffice -env:UserInstallation=file://" + dir.path().string()
        + "/profile --headless --convert-to "
          "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' saved.xlsx >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::string datos = testing::readFile(dir / "saved-Datos.csv");
    const std::string tabla = testing::readFile(dir / "saved-Tabla.csv");
    const std::string empty = testing::readFile(dir / "saved-Empty.csv");
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
