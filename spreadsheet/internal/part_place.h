#pragma once
// A part of a workbook file as errors name it: the file, then the part inside it.

#include "spreadsheet/result.h"

#include <string>
#include <utility>

namespace veltrano::spreadsheet {

struct PartPlace {
    std::string file;
    std::string part;  // "xl/workbook.xml", or a zip entry's name

    // An error about the part as a whole.
    Error error(ErrorCode code, std::string reason) const { return {code, file, part, std::move(reason)}; }
};

}  // namespace veltrano::spreadsheet
