#pragma once
// The parts of a cell text that translation must leave alone: surrounding whitespace, and the
// letter case that the pipeline changes at every sentence start.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veltrano::pagehost {

// A text split into its leading whitespace, the core between, and its trailing whitespace.
// A whitespace-only text is all leading, with an empty core.
struct TextShape {
    std::string_view leading;
    std::string_view core;
    std::string_view trailing;
};

TextShape shapeOf(std::string_view text);

// False when the core cannot change in translation: nothing but digits, punctuation and
// symbols from ASCII (numbers, dates, codes). Anything with a letter, or any non-ASCII
// character, goes to the pipeline.
bool needsTranslation(std::string_view core);

// translated with its case brought back in line with source, where the pipeline forced one:
// an all-capitals source (two letters or more, not only initials with their dots such as "C.P.")
// gives an all-capitals translation; a source that starts with a small letter gives a
// translation that starts with one, but for an English month or day of the week ("3 March 2024"
// for "3 de marzo de 2024"); and a source that starts with a digit gives a capital to a
// translation that starts with a word ("Prueba de 30 días").
std::string matchCase(std::string_view source, std::string translated, bool englishTarget = false);

// translated without the spacing the pipeline adds that source does not have: runs of spaces
// become one unless source has such a run, and no space stays before , . ; : ! ? ) ] } % or
// after ( [ { ¿ ¡ where source has none there.
std::string tidySpacing(std::string_view source, std::string_view translated);

// translated with capitals only where source's case calls for them: when source has no capital
// but its first letter (a label or a sentence in sentence case) or none at all, a word that the
// pipeline capitalised right after a word it left untranslated ("Reorder Punto") is put in small
// letters; with strict (a target language that capitalises no more than the source, as Spanish
// against English), so is any word after the first that the pipeline capitalised. Otherwise
// names the pipeline capitalises (January, Madrid) stay; words in capitals (IVA) and words with
// a capital inside (iPhone) always stay as they are, and so, with strict, does a word that isName
// takes for a name (asked without the marks around it: "Oficina de Londres").
std::string keepSentenceCase(std::string_view source, std::string translated, bool strict = false,
                             const std::function<bool(std::string_view)>& isName = {});

// translated with the words source writes in capitals (two letters or more: ID, SKU, KPI) in
// capitals wherever they come through, in any case ("Id de la balanza" for "Balance ID"), and so
// the capital letters that stand alone as names, but for vowels and Y ("Sección C").
std::string keepSourceCapitals(std::string_view source, std::string translated);

// translated with the Spanish opening mark (¡ or ¿) before the sentence that source ends with
// ! or ? (before its choices in brackets: "¿Aprobado? (S/N)"), where the pipeline left it out.
std::string withOpeningMarks(std::string_view source, std::string translated);

// A byte of a letter: an ASCII letter, or any byte of a non-ASCII character (letters such as "ñ"
// and signs such as "º" alike).
bool isLetterByte(char c);

// A letter of the English alphabet, small or capital.
bool isAsciiLetter(char c);

// A small letter of the English alphabet.
bool isSmallAscii(char c);

// Whether text has a small letter of the English alphabet (a heading in capitals has none).
bool hasSmallAscii(std::string_view text);

// A byte of a word: a letter's, or an ASCII digit's, so that a term never matches inside a word.
bool isWordByte(char c);

// Where each run of bytes that inWord accepts begins in text, and how long it is.
std::vector<std::pair<std::size_t, std::size_t>> wordSpans(std::string_view text, bool (*inWord)(char));

// The run of letters that ends at end in text, and the one that begins at begin (the words around
// a mark); empty where none does.
std::string_view letterRunEndingAt(std::string_view text, std::size_t end);
std::string_view letterRunFrom(std::string_view text, std::size_t begin);

// text with each " & " that joins a word to one in small letters ("Sales & marketing") written as
// conjunction, which the pipeline translates; otherwise the pipeline takes the mark for a space and
// reads the words around it as one compound ("Puertas & de ventanas"). Before a capital the mark
// stays, as names use it (Smith & Sons, Black & Decker), unless isCommonWord takes both words
// around it ("Windows & Doors", "TERMS & CONDITIONS").
std::string withWordedAmpersands(std::string_view text, std::string_view conjunction,
                                 const std::function<bool(std::string_view)>& isCommonWord = {});

// English text with each hyphenated word the language's dictionary does not know as written,
// alone or with up to three words after it (knows is asked in small letters), written as it knows
// it: joined where the joined word is known ("Re-order level": Reorder level), otherwise with
// spaces ("Year-to-date", "Low-stock items", and a count before its unit, "30-day trial"), which
// the pipeline reads as words and phrases; it reads a hyphen as a word of its own and translates
// each piece apart ("Año-a-fecha"). Codes, names, single letters and prefixes ("INV-2024",
// "COVID-19", "Smith-Jones", "X-ray", "Re-check") stay.
std::string withHyphensResolved(std::string_view text, const std::function<bool(std::string_view)>& knows);

// English text with the shorthands that stand as words between words written out: "w/" with,
// "w/o" without, "@" at ("Sales w/ VAT", "Headcount @ year end"), which the pipeline passes
// through untranslated or reads as a blank.
std::string withShorthandSpelled(std::string_view text);

// text with the Spanish shorthand written as the analyser reads it: "s/" that stands as a word as
// según ("Importe s/ contrato": Amount as per contract; "S/ ref." and "s/ref" are left alone), a
// number sign typed with the degree sign as the ordinal one ("Expediente N°": Nº).
std::string withSpanishShorthandSpelled(std::string_view text);

// An English heading of "Date", the thing and what was done to it ("Date Invoice Sent", "Date
// Goods Received"), which the pipeline reads as three nouns ("Factura de fecha enviada"), in the
// order it translates: "Date Sent of Invoice" where isDateTerm takes "date sent" for one term
// ("Fecha de envío de factura"), "Date of Invoice Sent" where not; other text as it is.
std::string withDoneDateOrdered(std::string_view text, const std::function<bool(std::string_view)>& isParticiple,
                                const std::function<bool(std::string_view)>& isDateTerm);

// English text with each "#" that stands as a word for "number" ("Order #", "# of items") written
// "No." ("NO." in a text in capitals), the abbreviation the pipeline knows ("Nº de pedido");
// "#1", "#REF!" and "C#" stay.
std::string withNumberSignsSpelled(std::string_view text);

// English text with each single quote that opens a word ("Use 'ready'", "Status 'Shipped'"),
// and the one that closes it, turned into the typographic ones, which the pipeline passes
// through: it reads an ASCII quote and the letters after it as a clitic ("'re", "'s") and mangles
// the word ("El uso esady'"). quotesRestored undoes it in a translation of a source without them.
std::string withOpeningQuotesTurned(std::string_view text);
std::string quotesRestored(std::string_view source, std::string translated);

// Spanish text with the feminine or masculine alternative of each word written beside it left out
// ("Enfermero/a", "alumnos/as", "hijo(a)", "El/la", "del/de la"), since English does not mark it;
// the pipeline reads the alternative as a word of its own ("Nurse/to", "children/ace"). A slash
// between words ("Sí/No", "y/o", "km/h") stays.
std::string withoutGenderAlternatives(std::string_view text);

// The parts of text between the separators (one more part than separators).
std::vector<std::string_view> splitAt(std::string_view text, char separator);

// Whether text is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

// Whether word starts with a capital letter: A to Z, or one of Latin-1's capitals in UTF-8 (Á, Ñ).
bool startsWithCapital(std::string_view word);

// text with every letter that has a case in small letters, for comparing without regard to case.
std::string foldCase(std::string_view text);

// text given the letter case of source, for a fixed translation put in source's place: all
// capitals when source is (two letters or more, but for initials with their dots: "C.P."), all
// small letters when source has no capital, otherwise text as written with its first letter a
// capital.
std::string caseLike(std::string_view source, std::string_view text);

// translated, in capitals because its source is an acronym ("TBD", "IRPF"), in the case its words
// take when the acronym is spelled out in words of the target ("Por determinar", "Personal income
// tax"): each word that knowsWord takes for a word of the target (asked in small letters) in small
// letters, the first with its capital, the others ("RR. HH.", "ID") in capitals still. Without a
// known word of four letters or more, the translation is an acronym itself ("OC", "SO") and stays.
// translated without the capitals the pipeline moves: it gives the case of a source word in
// capitals to the first word of that word's translation, which is not always its own ("NO
// borrar" came out "DO not delete"). Where source, not all in capitals, starts with a word in
// capitals that knowsSourceWord takes for a word of its language (asked in small letters: "no",
// not an acronym such as "iva"), and translated starts with a word in capitals that source does
// not hold and that knowsTargetWord takes for a word, that word is written in small letters, with
// its capital ("Do not delete").
std::string withoutMovedCapitals(std::string_view source, std::string translated,
                                 const std::function<bool(std::string_view)>& knowsSourceWord,
                                 const std::function<bool(std::string_view)>& knowsTargetWord);

// translated without the capitals the pair gives a phrase it reads as one word when that phrase
// starts a cell and ends in a letter alone ("Con cargo a proyecto" came out "CHARGED TO project",
// "Debido a la lluvia" "BECAUSE OF the rain"). Where source has small letters and no word in
// capitals, each run of two or more words in capitals in translated, and a first word of five
// letters or more, that source does not hold and that knowsTargetWord takes for words (asked in
// small letters) is written in small letters, the text's first word with its capital.
std::string withoutStrayCapitals(std::string_view source, std::string translated,
                                 const std::function<bool(std::string_view)>& knowsTargetWord);

// translated, a Spanish translation of source written in Title Case ("Fill In The Form", "Qty
// Ordered (m³)", "Sign-off Date": two words or more with a capital and small letters, none
// without its capital but the small letters after a capitalised word's hyphen, and no colon or
// slash, whose capitals are values'; words in brackets or quotes are values' too, and neither
// decide nor change), in the case Spanish writes a heading in: the capitals the pipeline left on the words after the first ("Rellene El Formulario") go, on
// each word that knowsWord takes for a word in small letters, unless source holds it as it is
// ("Mark Hill"), it ends a range after a hyphen ("Ene-Dic") or it and the word beside it are a
// name that knowsWord knows only with its capitals ("Nueva York").
std::string withoutTitleCase(std::string_view source, std::string translated,
                             const std::function<bool(std::string_view)>& knowsWord);

// Spanish text with the halves of the day after a number written as Spanish writes them ("9 A. M."
// and "5 PM", which the pipeline carries over in the source's capitals, give "9 a. m." and "5 p.
// m."), unless the text has no small letter, as a heading in capitals.
std::string withSpanishClockHalves(std::string text);

std::string acronymSpelledOut(std::string translated, const std::function<bool(std::string_view)>& knowsWord);

}  // namespace veltrano::pagehost
