#pragma once
// Internal to the engine: reading a worksheet part of the zip package into the worksheet model.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "spreadsheet/internal/part_place.h"
#include "spreadsheet/internal/worksheet_model.h"
#include "spreadsheet/numfmt/renderer.h"
#include "spreadsheet/result.h"

namespace veltrano::spreadsheet {

struct WorksheetParseContext {
    numfmt::DateSystem dateSystem = numfmt::DateSystem::Excel1900;
    std::set<std::string>* bracketNames = nullptr;  // names used in structured references
    std::size_t maxCells = SIZE_MAX;                // how many more cells the workbook may hold
};

// Parses a worksheet part (model.xml must be filled). where names it in error messages.
// Shared-string indexes are only noted: checkSharedStringIndexes() holds them to the table.
Status parseWorksheet(WorksheetModel& model, const WorksheetParseContext& context, const PartPlace& where);

// Refuses the sheet when a cell names a shared string past the table's count entries.
Status checkSharedStringIndexes(const WorksheetModel& model, std::size_t count, const PartPlace& where);

}  // namespace veltrano::spreadsheet
