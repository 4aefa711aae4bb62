#pragma once
// Whether a cell is written in the language it is to be translated into already. A workbook often
// holds text in both languages (headers kept in English, a block converted earlier), and the
// pipeline reads such text as the source language's: "Invoice date" read as Spanish came out
// "Invoice give you", "Sin licencia" read as English "Pecado licencia". The two languages'
// analysers decide, word by word.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace veltrano::pagehost {

// One language's analyser (a compiled Apertium dictionary), loaded at its first question.
class KnownWords {
public:
    explicit KnownWords(std::string analyserFile);
    ~KnownWords();
    KnownWords(const KnownWords&) = delete;
    KnownWords& operator=(const KnownWords&) = delete;

    // Whether the analyser knows word in some form; false for every word when it cannot be
    // loaded (said once on standard error).
    bool knows(std::string_view word) const;

    // Whether word reads as a verb that opens an instruction, in the infinitive or the formal
    // imperative, and never as a noun ("Enable", "Instale"; not "Order", "Cuenta").
    bool isInstructionVerb(std::string_view word) const;

    // Whether word reads as a verb's past participle in some analysis ("Sent", "Received").
    bool isPastParticiple(std::string_view word) const;

    // Whether word reads as a person's first name or surname in some analysis ("Smith", "Tom",
    // "Pérez"), whatever else it may be.
    bool isPersonName(std::string_view word) const;

    // Whether word reads as a common noun in some analysis ("Plan", "Vitamin"; not "an", "John").
    bool isNoun(std::string_view word) const;
    // Whether word reads as a noun and never as a verb ("Vitamin", "Class"; not "Plan", "Enter").
    bool isOnlyNoun(std::string_view word) const;

    // Loads the analyser now, rather than at the first question.
    void load() const;

private:
    // What test says of word's analyses as the analyser writes them (empty when it does not know
    // word), asked of the cached answer in place rather than of a copy.
    bool analysesHave(std::string_view word, const std::function<bool(std::string_view)>& test) const;

    struct State;
    std::unique_ptr<State> m_state;
};

class LanguageCheck {
public:
    LanguageCheck(std::shared_ptr<const KnownWords> source, std::shared_ptr<const KnownWords> target);

    // Whether text, of two words or more, reads as the target language already: no word that only
    // the source language knows, and at least one that only the target knows. Words that neither
    // knows (names, acronyms) or both know ("Total", "no", "date") decide nothing, and nor do
    // single letters and abbreviations.
    bool alreadyInTarget(std::string_view text) const;

    // Whether the source language's analyser knows word, as one word ("P.V.P." yes, "P.U." no).
    bool sourceKnows(std::string_view word) const;
    // The same of the target language's analyser.
    bool targetKnows(std::string_view word) const;
    // isInstructionVerb of the source language's analyser.
    bool sourceIsInstructionVerb(std::string_view word) const;
    // Whether the source language knows word in small letters and never as a person's name
    // ("Doors", "CONDITIONS"; not "Smith", "Barnes").
    bool sourceIsCommonWord(std::string_view word) const;
    // isPastParticiple of the source language's analyser.
    bool sourceIsPastParticiple(std::string_view word) const;
    // isNoun and isOnlyNoun of the source language's analyser.
    bool sourceIsNoun(std::string_view word) const;
    bool sourceIsOnlyNoun(std::string_view word) const;

    // Loads both analysers now (a few tenths of a second), so a conversion does not wait for them.
    void load() const;

private:
    std::shared_ptr<const KnownWords> m_source;
    std::shared_ptr<const KnownWords> m_target;
};

}  // namespace veltrano::pagehost
