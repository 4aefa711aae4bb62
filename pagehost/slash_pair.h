#pragma once
// Two words joined by a slash inside a longer label ("Delivery date/time", "Fecha/hora de
// entrega", "Cost/benefit analysis"). The pipeline reads the slash as a space and the two words
// as one compound, and moves the slash with neither ("Tiempo/de fecha de entrega"); the label
// goes once with each word alone, and the two translations are joined where they differ.

#include <optional>
#include <string>
#include <string_view>

namespace veltrano::pagehost {

struct SlashPair {
    std::size_t begin = 0;  // the first word's first byte
    std::size_t slash = 0;  // the slash's byte
    std::size_t end = 0;    // past the second word
};

// The first pair in text of two words of letters, three or more each, joined by one slash and
// standing as a word of their own, when text holds another word besides; none for units, dates,
// paths and word endings ("km/h", "y/o", "Profesor/a"), which are no pair of words.
std::optional<SlashPair> slashPairIn(std::string_view text);

// text with the pair's second word in place of the pair (first: the first word's) and the slash
// left out.
std::string withOneWord(std::string_view text, const SlashPair& pair, bool first);

// The translations of the text with the first word and with the second put back together: the
// words where they differ, joined by "/", amid the words they share ("Fecha de entrega" and "Hora
// de entrega" give "Fecha/hora de entrega"), the second's first letter in the case of
// secondSource's; the first when they do not differ. None when they share no word or differ in
// more than one run of at most three words.
std::optional<std::string> joinedAtTheirDifference(std::string_view withFirst, std::string_view withSecond,
                                                   std::string_view secondSource);

}  // namespace veltrano::pagehost
