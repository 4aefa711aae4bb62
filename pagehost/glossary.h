#pragma once
// Fixed translations for what lexical rules cannot reach: abbreviations, headers whose
// word-by-word translation is wrong, and names that must stay as they are.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace veltrano::pagehost {

// A glossary term found inside a longer text: text[begin, begin + length) is to come out as
// replacement, untouched by the pipeline.
struct GlossaryTerm {
    std::size_t begin = 0;
    std::size_t length = 0;
    std::string replacement;
};

class Glossary {
public:
    // Adds the entries of a glossary file's text, over those already there. One entry a line:
    // source, a tab, and the translation ("=" keeps the source as it is); an optional third
    // column "cell" limits the entry to texts that are nothing but the term. Blank lines and
    // lines starting with "#" are skipped. A malformed line is skipped and described in
    // problems as "origin:line: why".
    void addTsv(std::string_view text, std::string_view origin, std::vector<std::string>& problems);

    // The translation of a text that is, apart from letter case, exactly a glossary term: the
    // entry's text in the text's case (all capitals, capital first letter, or small letters),
    // or the text itself for a term kept as is. nullopt when the text is no term.
    std::optional<std::string> wholeText(std::string_view text) const;

    // The terms (not limited to whole texts) found in text between word boundaries, without
    // regard to case, longest first, in order and not overlapping; each to be replaced by its
    // translation as the glossary writes it (or kept, for a term kept as is).
    std::vector<GlossaryTerm> termsIn(std::string_view text) const;

    bool empty() const { return m_entries.empty(); }

    // Adds words that are written in capitals in the target language (VAT, ID, IVA), one a line:
    // the pipeline passes a word the case of the word it stands for ("Importe del IVA" gives
    // "Vat amount"), and these get theirs back. A word the language also writes in small letters
    // ("TI", Spanish for "you" as "ti") is followed by a tab and the source's words in capitals it
    // translates ("TI<TAB>IT"): it gets its capitals back only where the source has one of them,
    // and no more often than the source has them ("Send it to IT" keeps its "it").
    void addCapitalWords(std::string_view text);

    // text with every word that is one of the capital words, in any case, written in capitals, and
    // every given name that source writes with its capital written so: a name that the pipeline
    // moved from the start of a label loses it to the label's sentence case ("Las tareas de john"
    // for "John's tasks"). So is a name source writes with a capital inside it ("LinkedIn",
    // "iPhone"), whose case the pipeline does not keep ("linkedin", "iPHONE").
    std::string withCapitalWords(std::string text, std::string_view source = {}) const;

    // Adds given names, one a line ("Tom", "Lucía"); lines starting with "#" are skipped.
    void addGivenNames(std::string_view text);

    // Whether text is a person's name: a given name and one to three more words, each starting
    // with a capital and holding a small letter, or an initial before the last ("Tom Price",
    // "Juan Pablo Vela", "Tom J. Price").
    bool isPersonName(std::string_view text) const;

    // The given names in text after its first word, written with their capital ("Informe de
    // Marta", "Call Sarah"), and the capitalised words after a title or an initial ("Mrs. Brown",
    // "Approved by: J. Smith"), each to be kept as it is: the pipeline would translate a name that
    // is also a word ("Marten Report", "Señora Marrón"). The first word of a label has its capital
    // from the label.
    std::vector<GlossaryTerm> namesIn(std::string_view text) const;

    // Those of namesIn that follow a title ("Brown" in "Contact: Mrs. Brown").
    std::vector<GlossaryTerm> titledNamesIn(std::string_view text) const;

    // Whether some term holds a number standing as a word of its own ("Form 1099", not "1ª Ev." or
    // "CIE-10"): such a number in a text may then decide its translation, so texts that differ
    // only in those numbers cannot share one.
    bool hasTermWithStandaloneNumber() const { return m_hasStandaloneNumber; }

private:
    struct Entry {
        std::string translation;  // empty: kept as it is
        bool wholeCellOnly = false;
    };
    static std::string replacementFor(std::string_view found, const Entry& entry);
    static std::string termReplacement(std::string_view found, const Entry& entry);

    struct CapitalWord {
        std::string spelling;
        std::vector<std::string> onlyAfter;  // the source words that call for it; empty: any source
    };

    std::unordered_map<std::string, Entry> m_entries;             // by the case-folded source
    std::unordered_map<std::string, CapitalWord> m_capitalWords;  // by the case-folded word
    std::unordered_set<std::string> m_givenNames;                 // as written
    std::size_t m_longestTerm = 0;                                // in bytes of the folded source
    bool m_hasStandaloneNumber = false;                           // some source has a number as a word
};

}  // namespace veltrano::pagehost
