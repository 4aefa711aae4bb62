#pragma once
// Third stage of parsing: decides what kind of section a token list makes (number,
// scientific, fraction, date/time, General, literals only) and the role of every placeholder.

#include "spreadsheet/numfmt/format_model.h"

namespace veltrano::numfmt::detail {

// Fills kind and layout fields of section and rewrites its tokens into their final kinds.
// isTextSection: the section shows text values (tokens read in text mode).
void layoutSection(Section& section, bool isTextSection);

}  // namespace veltrano::numfmt::detail
