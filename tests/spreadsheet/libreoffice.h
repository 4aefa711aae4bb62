#pragma once
// LibreOffice headless as a second reader of saved workbooks: it converts each sheet to CSV.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "tests/spreadsheet/fixture.h"

namespace veltrano::spreadsheet::testing {

inline constexpr const char* kNoSoffice =
    "soffice not installed (scripts/setup.sh --tests installs libreoffice-calc-nogui)";

inline bool haveSoffice()
{
    return std::system("command -v soffice >/dev/null 2>&1") == 0;
}

// The CSV of every sheet of file (in dir), as LibreOffice reads the file, keyed by sheet; a
// conversion that fails is a test failure.
inline std::map<std::string, std::string> libreOfficeSheets(const TempDir& dir, const std::string& file)
{
    const std::string command = "cd '" + dir.path().string() + "' && timeout 180 soffice -env:UserInstallation=file://"
                                + dir.path().string()
                                + "/profile --headless --convert-to "
                                  "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' "
                                + file + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::map<std::string, std::string> sheets;
    const std::string stem = std::filesystem::path(file).stem().string() + "-";
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        if (entry.path().extension() == ".csv" && entry.path().filename().string().rfind(stem, 0) == 0)
            sheets[entry.path().stem().string().substr(stem.size())] = readFile(entry.path());
    return sheets;
}

// file (in dir) as LibreOffice writes it again as .xlsx, in dir/lo: the copy's path, or an empty
// path when the conversion failed.
inline std::filesystem::path libreOfficeXlsxCopy(const TempDir& dir, const std::string& file)
{
    const std::string command =
        "cd '" + dir.path().string() + "' && mkdir -p lo && timeout 180 soffice -env:UserInstallation=file://"
        + dir.path().string() + "/profile --headless --convert-to xlsx --outdir lo '" + file + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return {};
    return dir.path() / "lo" / std::filesystem::path(file).replace_extension(".xlsx");
}

}  // namespace veltrano::spreadsheet::testing
