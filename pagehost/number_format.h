#pragma once
// Numbers inside a translated text written with the target language's separators. English
// groups thousands with "," and marks decimals with "."; Spain's Spanish does the reverse, so a
// number carried across as it was reads as another number ("1.000 €" is one euro to an English
// reader, "15,000 km" fifteen kilometres to a Spanish one).

#include <string>
#include <string_view>

namespace veltrano::pagehost {

// translated, the translation of source, with each number that stands as a word (after a space,
// a sign or a currency symbol; before a space, punctuation, a unit or a currency symbol) in the
// separators of the target:
//  - into English: "1.234.567" and "1.234,56" (groups of three after dots) become "1,234,567" and
//    "1,234.56", and a decimal comma "2,5" becomes "2.5"; "1,000" (thousands in Mexico, a
//    decimal in Spain) stays;
//  - into Spanish: "1,234,567" and "1,234.56" become "1.234.567" and "1.234,56", and a decimal
//    point becomes a comma only in a quantity (after a currency symbol, or before "%", a currency
//    symbol or a unit: "$3.50", "2.5%", "0.75 kg", in translated or in source, from which the
//    pipeline may have moved the unit away), since "12.3" alone may number a clause.
// Digits after a letter, or that run on with other separators (codes, versions, dates, addresses),
// stay as they are.
std::string withTargetNumberFormat(std::string_view source, std::string_view translated, bool spanishTarget);

}  // namespace veltrano::pagehost
