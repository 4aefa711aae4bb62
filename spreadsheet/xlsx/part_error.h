#pragma once
// Errors about a place in a part: its place is "<part> at byte N".

#include <string>

#include "spreadsheet/internal/part_place.h"
#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/result.h"
#include "spreadsheet/xlsx/xml_scanner.h"

namespace veltrano::spreadsheet {

inline Error partError(ErrorCode code, const PartPlace& where, std::size_t offset, const std::string& what)
{
    return {code, where.file, where.part + " at byte " + std::to_string(offset), utf8::singleLine(what)};
}

// The scanner's failure as an error; nesting-depth failures count as too large.
inline Error scanError(const PartPlace& where, const xml::Scanner& scanner)
{
    bool tooDeep = scanner.errorMessage().starts_with("elements nested deeper");
    return partError(tooDeep ? ErrorCode::TooLarge : ErrorCode::Damaged, where, scanner.errorOffset(),
                     "malformed XML: " + scanner.errorMessage());
}

}  // namespace veltrano::spreadsheet
