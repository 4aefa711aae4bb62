#pragma once
// Internal to the engine: Excel 97-2003 workbooks and templates (.xls/.xlt), BIFF8 records in
// an OLE compound file, loaded into the same model as the zip package.

#include <memory>
#include <string>
#include <string_view>

#include "spreadsheet/internal/workbook_impl.h"

namespace veltrano::spreadsheet::xls {

// True when bytes start with the compound file signature.
bool isCompoundFile(std::string_view bytes);

// Loads a compound file's workbook stream with every check of opening; refuses, with one line
// saying why, encrypted, signed, Excel 5.0/95 and older, and damaged files, and compound files
// that are not workbooks.
Result<std::unique_ptr<Workbook::Impl>> loadWorkbook(const std::string& path, std::string bytes);

}  // namespace veltrano::spreadsheet::xls
