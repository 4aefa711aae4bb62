#include "pagehost/language_check.h"

#include "pagehost/text_shape.h"

#include <lttoolbox/fst_processor.h>

#include <cctype>
#include <cstdio>
#include <exception>
#include <iostream>
#include <iterator>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace veltrano::pagehost {
namespace {

// The words of text that may tell its language: runs of letters, with an apostrophe inside
// ("don't"). A run beside a digit (Q1, 24h), a single letter and a run before a dot, which may be
// any abbreviation ("Cap. aseg.", "D.O.B."), tell nothing.
std::vector<std::string_view> wordsOf(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        if (!isLetterByte(text[at])) {
            ++at;
            continue;
        }
        const std::size_t begin = at;
        while (at < text.size()
               && (isLetterByte(text[at]) || (text[at] == '\'' && at + 1 < text.size() && isLetterByte(text[at + 1]))))
            ++at;
        const bool besideDigit = (begin > 0 && std::isdigit(static_cast<unsigned char>(text[begin - 1])))
                                 || (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])));
        const bool abbreviated = at - begin == 1 || (at < text.size() && text[at] == '.');
        if (!besideDigit && !abbreviated)
            words.push_back(text.substr(begin, at - begin));
    }
    return words;
}

}  // namespace

struct KnownWords::State {
    std::string file;
    std::once_flag loaded;
    std::mutex looking;  // the processor keeps its state between lookups, and so does the cache
    FSTProcessor processor;
    bool usable = false;
    // A word's analyses, empty when unknown: a workbook asks of the same words again and again.
    // Found by the word as it is given, without making a string of it first.
    struct WordHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view word) const { return std::hash<std::string_view>()(word); }
    };
    std::unordered_map<std::string, std::string, WordHash, std::equal_to<>> answered;

    void load()
    {
        FILE* input = std::fopen(file.c_str(), "rb");
        if (!input) {
            std::cerr << "veltrano-pagehost: cannot open the analyser " << file
                      << "; texts in both languages are all translated\n";
            return;
        }
        try {
            processor.load(input);
            processor.initBiltrans();
            usable = processor.valid();
        } catch (const std::exception& error) {
            std::cerr << "veltrano-pagehost: cannot load the analyser " << file << ": " << error.what() << '\n';
        }
        std::fclose(input);
    }
};

KnownWords::KnownWords(std::string analyserFile)
    : m_state(std::make_unique<State>())
{
    m_state->file = std::move(analyserFile);
}

KnownWords::~KnownWords() = default;

void KnownWords::load() const
{
    std::call_once(m_state->loaded, [this] { m_state->load(); });
}

bool KnownWords::analysesHave(std::string_view word, const std::function<bool(std::string_view)>& test) const
{
    load();
    if (!m_state->usable)
        return test({});
    constexpr std::size_t kMostAnswersKept = 200000;
    std::lock_guard lock(m_state->looking);
    if (const auto found = m_state->answered.find(word); found != m_state->answered.end())
        return test(found->second);
    // An unknown word comes back marked "@", a known one with its analyses and nothing of it left
    // over (a prefix alone, "o" for "of", leaves some).
    std::string key(word);
    const auto [analyses, unmatched] = m_state->processor.biltransWithQueue(to_ustring(key.c_str()), false);
    const bool known = unmatched == 0 && !analyses.empty() && analyses.front() != '@';
    std::string answer;
    if (known)
        utf8::utf16to8(analyses.begin(), analyses.end(), std::back_inserter(answer));
    if (m_state->answered.size() >= kMostAnswersKept)
        m_state->answered.clear();
    return test(m_state->answered.emplace(std::move(key), std::move(answer)).first->second);
}

bool KnownWords::knows(std::string_view word) const
{
    return analysesHave(word, [](std::string_view analyses) { return !analyses.empty(); });
}

bool KnownWords::isInstructionVerb(std::string_view word) const
{
    return analysesHave(word, [](std::string_view analyses) {
        const bool verb =
            analyses.find("><inf>") != std::string_view::npos || analyses.find("><imp><p3>") != std::string_view::npos;
        return verb && analyses.find("<n>") == std::string_view::npos;
    });
}

bool KnownWords::isPastParticiple(std::string_view word) const
{
    return analysesHave(
        word, [](std::string_view analyses) { return analyses.find("<vblex><pp>") != std::string_view::npos; });
}

bool KnownWords::isPersonName(std::string_view word) const
{
    return analysesHave(word, [](std::string_view analyses) {
        return analyses.find("<np><ant>") != std::string_view::npos
               || analyses.find("<np><cog>") != std::string_view::npos;
    });
}

bool KnownWords::isNoun(std::string_view word) const
{
    return analysesHave(word, [](std::string_view analyses) { return analyses.find("<n>") != std::string_view::npos; });
}

bool KnownWords::isOnlyNoun(std::string_view word) const
{
    return analysesHave(word, [](std::string_view analyses) {
        return analyses.find("<n>") != std::string_view::npos && analyses.find("<vb") == std::string_view::npos;
    });
}

LanguageCheck::LanguageCheck(std::shared_ptr<const KnownWords> source, std::shared_ptr<const KnownWords> target)
    : m_source(std::move(source)),
      m_target(std::move(target))
{}

bool LanguageCheck::sourceKnows(std::string_view word) const
{
    return m_source->knows(word);
}

bool LanguageCheck::targetKnows(std::string_view word) const
{
    return m_target->knows(word);
}

bool LanguageCheck::sourceIsInstructionVerb(std::string_view word) const
{
    return m_source->isInstructionVerb(word);
}

bool LanguageCheck::sourceIsCommonWord(std::string_view word) const
{
    return m_source->knows(foldCase(word)) && !m_source->isPersonName(word);
}

bool LanguageCheck::sourceIsPastParticiple(std::string_view word) const
{
    return m_source->isPastParticiple(word);
}

bool LanguageCheck::sourceIsOnlyNoun(std::string_view word) const
{
    return m_source->isOnlyNoun(word);
}

bool LanguageCheck::sourceIsNoun(std::string_view word) const
{
    return m_source->isNoun(word);
}

void LanguageCheck::load() const
{
    m_source->load();
    m_target->load();
}

bool LanguageCheck::alreadyInTarget(std::string_view text) const
{
    const auto words = wordsOf(text);
    if (words.size() < 2)
        return false;  // one word, or none that tells
    bool targetOnly = false;
    for (const auto word : words) {
        const bool source = m_source->knows(word);
        if (source && !m_target->knows(word))
            return false;
        targetOnly = targetOnly || (!source && m_target->knows(word));
    }
    return targetOnly;
}

}  // namespace veltrano::pagehost
