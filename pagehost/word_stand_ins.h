#pragma once
// Words that stand in for what the pipeline must not translate but must see as a word: carried
// past its rules in a protected block, such a thing is a space to them, and the words around it
// are read and ordered without it. A code that starts an English label and qualifies the words
// after it ("Q1 sales", "CO2 emissions") goes as an acronym the pipeline knows as a noun and
// translates as itself, so that its rules put it after them as Spanish does ("Ventas de Q1", where
// the block kept "Q1 ventas"); a person's name after a title as a place's name ("Mr. Smith
// approved" gave "Señor aprobado. Smith"); a time of the clock as a number, which the analyser
// cut at its colon as at a sentence's end, so that Spanish rules give it its article ("Meeting at
// 9:30": "Reunión a las 9:30", not "a 9:30"). What they stand in for is put back in the translation.

#include "pagehost/verbatim.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {

// The acronym that stands in for a code, and the name that stands in for a person's name.
inline constexpr std::string_view kCodeStandIn = "SKU";
inline constexpr std::string_view kNameStandIn = "Madrid";

// The numbers that stand in for times of the clock, in order: those of one o'clock ("1:30", which
// Spanish says in the singular: "a la 1:30") and those of the other hours. The Spanish rules know
// them by their first figures.
inline constexpr std::string_view kOneOClockStandIns[] = {"80101", "80102", "80103", "80104"};
inline constexpr std::string_view kTimeStandIns[] = {"80001", "80002", "80003", "80004"};

// The numbers that stand in for capital letters that name one of a series ("Plan B", "Vitamin A
// Level"), in order. The analyser reads such a letter as a word ("A" the article, "B" one it does
// not know), so the rules made the word before it a verb ("Schedule A": "Programe A") or left the
// heading in English order ("Vitamina un nivel"); a number after a noun they order as a label is
// ordered ("Nivel de vitamina A", "Licencia de clase B").
inline constexpr std::string_view kSeriesLetterStandIns[] = {"80201", "80202", "80203", "80204"};

// The capital letters of core that name one of a series: a capital standing as a word after a
// word isNoun accepts ("Plan B"; not "with an X", "John F Kennedy"), then the end, a space or a
// mark other than a dot (which makes it an initial). A letter that is a word of the source
// language (sourceWordLetters: "A" and "I" in English) is one only before the end, a mark, a word
// in small letters ("Plan A cost") or, in a text that has small letters, a capitalised word after
// a word that onlyNoun accepts ("Vitamin A Level"; not "Enter A Value", "INVENTARIO A 31/12").
// "I" never is (the English pronoun, the Roman one), nor is any where core holds a stand-in.
std::vector<VerbatimSpan> seriesLettersIn(std::string_view core, std::string_view sourceWordLetters,
                                          const std::function<bool(std::string_view)>& isNoun,
                                          const std::function<bool(std::string_view)>& onlyNoun);

// The times of the clock in figures in text, each a word of its own: an hour to 23, a colon and two
// figures of minutes ("9:30", "18:00"; not "3:1" or "25:00").
std::vector<VerbatimSpan> clockTimesIn(std::string_view text);

// Whether text holds word, in any case, so that a stand-in found in its translation might be its own.
bool holdsWord(std::string_view text, std::string_view word);

// The code that starts core and qualifies the words after it: one to five letters, a dash or not,
// and one to four digits ("Q1", "FY2024", "ICD-10", "Covid-19"; not "INV-2024-00317"), then a
// word that is not a verb or a joining word ("A1 is the first cell", "Q1 and Q2" have none). None
// when core holds the stand-in itself.
std::optional<std::string_view> qualifyingCodeAtStart(std::string_view core);

// The first word of core in two to six capitals that knows (asked as written and in small
// letters) does not know, an organisation's or a system's acronym ("NHS", "ERP"), where core has
// small letters too (in a heading all in capitals every word is). The pipeline breaks a phrase
// at a word it does not know ("Monthly NHS report" gave "Mensual NHS informe"); the acronym it
// knows as a noun, standing in, is ordered as one ("Informe mensual de NHS"). None for Roman
// numerals and where core holds the stand-in itself.
std::optional<VerbatimSpan> unknownAcronymIn(std::string_view core, const std::function<bool(std::string_view)>& knows);

// The first word of core that stands apart with a capital and small letters and that knows
// (asked as written and in small letters) does not know, a name of a product, a firm or a place
// ("Monthly Xero export", "Plantilla Excel"; core's first word only with a capital inside:
// "PayPal fees"), where the words beside it do not start with a capital, but for a first word
// that knows in small letters (a name of several words stays whole), and the word before it is
// not a verb of an instruction. It breaks the phrase as an unknown acronym does ("Staff Excel");
// after a verb it needs no help, and the acronym's stand-in would take an article there
// ("Habilite el BitLocker"). None where core holds the code's stand-in itself.
std::optional<VerbatimSpan> unknownNameIn(std::string_view core, const std::function<bool(std::string_view)>& knows,
                                          const std::function<bool(std::string_view)>& isInstructionVerb);

// translated with standIn, which must come back exactly once as a word of its own, in any case
// (it takes the case of where it moved to: "Ventas de sku"), replaced by original; none otherwise.
std::optional<std::string> withStandInRestored(std::string translated, std::string_view standIn,
                                               std::string_view original);

}  // namespace veltrano::pagehost
