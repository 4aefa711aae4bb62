#pragma once
// Page header and footer texts: the literal text between their codes (&L &C &R sections, &P
// page, &N pages, &D date, &"font,style", &12 size, &K colour, ...), so that only the words
// change and every code stays where it was. Shared by the zip package and BIFF8 records.

#include <string>
#include <string_view>
#include <vector>

namespace veltrano::spreadsheet {

struct HeaderPiece {
    bool code = false;  // a code, kept as written; else literal text
    std::string text;   // a code as written ("&P", "&\"Arial,Bold\""); literal text with "&&" read as "&"
};

// The header text cut into codes and literal runs, in order; joinHeaderPieces gives it back.
std::vector<HeaderPiece> splitHeaderCodes(std::string_view text);

// The header text again, every '&' of the literal runs doubled.
std::string joinHeaderPieces(const std::vector<HeaderPiece>& pieces);

}  // namespace veltrano::spreadsheet
