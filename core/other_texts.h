#pragma once
// The texts outside the cells (notes, charts, shapes, headers and footers) of the sheets a scope
// covers, translated the way the cells are and written through the engine. veltrano-batch asks
// for them with --include; the window converts cells only.

#include "core/conversion.h"
#include "core/scope.h"
#include "spreadsheet/workbook_texts.h"

namespace veltrano::core {

// Converts the texts of kinds on the scope's sheets (every sheet for the whole workbook, else
// the active or named worksheet), all translated together. Each changed text is told through
// cellChanged() with its place ("note A1", "chart 2 title", "header") as the cell; with write
// false nothing is written. Parts the engine leaves as they are, and a text too long for its
// place, come back as notices and cellsLeft; they do not fail the file.
Result<Converted> convertOtherTexts(spreadsheet::Workbook& workbook, const Scope& scope, spreadsheet::TextKinds kinds,
                                    Translator& translator, ConversionEvents& events, bool write = true);

}  // namespace veltrano::core
