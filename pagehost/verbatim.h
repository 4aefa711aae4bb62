#pragma once
// The parts of a cell's text that are not language: web and mail addresses, file paths, codes
// such as INV-2024-00317, companies' names, postal addresses, and text that reads as a formula.
// They come back as they were.

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {

struct VerbatimSpan {
    std::size_t begin = 0;
    std::size_t length = 0;
};

// The spans of text to keep as they are, in order and not overlapping: each is a whole
// whitespace-delimited token (without the punctuation that closes a sentence or a clause after
// it) that is a web address (a scheme or "www."), a mail address, a file path (a drive, "\\",
// "~/", or a "/" path of two parts or more), or a code (letters and digits, or joined by "-",
// "_", "/" or "." with a digit among them, such as INV-2024-00317, SKU12345, v2.1), or an amount
// the pipeline would cut ("$1,234.56", "1.234.567", "$2.5M"), or a token with a tilde ("~5");
// a template's placeholder in braces ("{FirstName}", "{{customer}}"); the whole
// text when it starts with "=" or "+" followed by something that reads as a formula, or when it
// is a company's name: up to five capitalised words and a designator such as Ltd, Inc, GmbH or
// S.L. ("Blue Fish Co", "Talleres Pérez y Hijos S.L."); such a name inside a text, after a
// word not its own ("Invoice to Delta Foods Inc."); a postal address, Spanish or English
// ("C/ Mayor, 12, 3º B", "Calle Real 14, 28001 Madrid", "45 High Street, London").
std::vector<VerbatimSpan> verbatimSpans(std::string_view text);

// The initialisms written with dots in text ("P.U.", "I.T.", "S.A"): two capital letters or more,
// each but the last followed by a dot, the last one's dot included. The pipeline reads an
// initialism it does not know letter by letter, and a letter may be a word ("U" is "or").
std::vector<VerbatimSpan> dottedInitialismsIn(std::string_view text);

// The firms' names in text written as two capitalised words, of two letters or more, joined by
// " & ", where isCommonWord does not take both ("Barnes & Noble", "Smith & Sons", "Procter &
// Gamble"; not "Windows & Doors"). The pipeline reads the mark as a space and turns the two
// words into one compound ("Hijos & de herrero").
std::vector<VerbatimSpan> ampersandNamesIn(std::string_view text,
                                           const std::function<bool(std::string_view)>& isCommonWord);

// The names in a Spanish text that open with an article in capitals after the text's first word
// ("Finca Los Olivos", "P-02 La Vega", "Hotel El Mirador"): the article and the capitalised
// words after it. Spanish writes an article inside a text in small letters, so one in capitals
// opens the name of a place or a firm, which the pipeline would translate ("Farm The Olive
// trees"); a heading that capitalises its joining words too ("Total De Las Ventas") has none.
std::vector<VerbatimSpan> spanishArticleNamesIn(std::string_view text);

}  // namespace veltrano::pagehost
