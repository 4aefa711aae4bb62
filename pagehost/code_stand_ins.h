#pragma once
// A code that starts an English label and qualifies the words after it ("Q1 sales", "CO2
// emissions", "FY2024 budget") reaches the pipeline as an acronym it knows as a noun and
// translates as itself, so that its rules put it after them as Spanish does ("Ventas de Q1").
// Carried past them in a protected block, the code kept the English order ("Q1 ventas"). The code
// is put back in the translation.

#include <optional>
#include <string>
#include <string_view>

namespace veltrano::pagehost {

// The acronym that stands in for the code.
inline constexpr std::string_view kCodeStandIn = "SKU";

// The code that starts core and qualifies the words after it: one to five letters, a dash or not,
// and one to four digits ("Q1", "FY2024", "ICD-10", "Covid-19"; not "INV-2024-00317"), then a
// word that is not a verb or a joining word ("A1 is the first cell", "Q1 and Q2" have none). None
// when core holds the stand-in itself.
std::optional<std::string_view> qualifyingCodeAtStart(std::string_view core);

// translated with the stand-in, which must come back exactly once as a word of its own, in any
// case (it takes the case of where it moved to: "Ventas de sku"), replaced by code; none otherwise.
std::optional<std::string> withCodeRestored(std::string translated, std::string_view code);

}  // namespace veltrano::pagehost
