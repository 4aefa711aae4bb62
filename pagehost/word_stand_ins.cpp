#include "pagehost/word_stand_ins.h"

#include "pagehost/text_shape.h"

#include <algorithm>
#include <iterator>

namespace veltrano::pagehost {
namespace {

bool isQualifyingCode(std::string_view code)
{
    std::size_t at = 0;
    while (at < code.size() && isAsciiLetter(code[at]))
        ++at;
    const std::size_t letters = at;
    if (at < code.size() && code[at] == '-')
        ++at;
    const std::size_t digitsFrom = at;
    while (at < code.size() && code[at] >= '0' && code[at] <= '9')
        ++at;
    const std::size_t digits = at - digitsFrom;
    return at == code.size() && letters >= 1 && letters <= 5 && digits >= 1 && digits <= 4;
}

// Whether word makes the code before it a clause's subject or a thing of its own rather than a
// qualifier.
bool leadsAClause(std::string_view word)
{
    static constexpr std::string_view kWords[] = {
        "is",  "are",   "was",  "were", "be",   "has", "have", "had", "must", "should", "will",   "would", "can",
        "may", "shall", "does", "do",   "did",  "and", "or",   "to",  "of",   "for",    "in",     "on",    "at",
        "by",  "from",  "with", "vs",   "only", "not", "then", "if",  "than", "as",     "cannot",
    };
    return std::find(std::begin(kWords), std::end(kWords), foldCase(word)) != std::end(kWords);
}

std::string asciiSmall(std::string text)
{
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

bool isRomanNumeral(std::string_view word)
{
    return word.find_first_not_of("IVXLCDM") == std::string_view::npos;
}

// Whether the word at [begin, begin + length) of core has a space or core's edge on each side,
// not a mark that ties it to something else ("(NHS)", "Xero-based").
bool standsApart(std::string_view core, std::size_t begin, std::size_t length)
{
    return (begin == 0 || core[begin - 1] == ' ') && (begin + length == core.size() || core[begin + length] == ' ');
}

// Whether the word at index i of core's words is part of a term (up to two words before it and
// three after) that knows knows ("MAC address", "Recinto SIGPAC"), which the pipeline translates whole.
bool inKnownTerm(std::string_view core, const std::vector<std::pair<std::size_t, std::size_t>>& words, std::size_t i,
                 const std::function<bool(std::string_view)>& knows)
{
    constexpr std::size_t kMostBefore = 2, kMostAfter = 3;
    for (std::size_t first = i >= kMostBefore ? i - kMostBefore : 0; first <= i; ++first) {
        for (std::size_t last = i; last < words.size() && last <= i + kMostAfter; ++last) {
            if (first == last)
                continue;
            const std::size_t end = words[last].first + words[last].second;
            const std::string_view phrase = core.substr(words[first].first, end - words[first].first);
            const bool dotted = end < core.size() && core[end] == '.';
            if (knows(phrase) || knows(asciiSmall(std::string(phrase)))
                || (dotted && knows(core.substr(words[first].first, end + 1 - words[first].first))))
                return true;
        }
    }
    return false;
}

}  // namespace

std::optional<VerbatimSpan> unknownAcronymIn(std::string_view core, const std::function<bool(std::string_view)>& knows)
{
    const auto isCapital = [](char c) { return c >= 'A' && c <= 'Z'; };
    if (!hasSmallAscii(core) || holdsWord(core, kCodeStandIn))
        return std::nullopt;
    const auto words = wordSpans(core, isWordByte);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const auto [begin, length] = words[i];
        const std::string_view word = core.substr(begin, length);
        const bool apart = standsApart(core, begin, length);
        if (apart && length >= 2 && length <= 6 && std::all_of(word.begin(), word.end(), isCapital)
            && !isRomanNumeral(word) && !knows(word) && !knows(asciiSmall(std::string(word)))
            && !inKnownTerm(core, words, i, knows))
            return VerbatimSpan{begin, length};
    }
    return std::nullopt;
}

std::optional<VerbatimSpan> unknownNameIn(std::string_view core, const std::function<bool(std::string_view)>& knows,
                                          const std::function<bool(std::string_view)>& isInstructionVerb)
{
    if (holdsWord(core, kCodeStandIn))
        return std::nullopt;
    const auto words = wordSpans(core, isWordByte);
    const auto wordAt = [&](std::size_t i) { return core.substr(words[i].first, words[i].second); };
    // The first word's capital may be the sentence's only ("Monthly Xero export").
    const auto namelike = [&](std::size_t i) {
        return startsWithCapital(wordAt(i)) && (i > 0 || !knows(foldCase(wordAt(i))));
    };
    const auto capitalInside = [](std::string_view word) {
        return std::any_of(word.begin() + 1, word.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    };
    for (std::size_t i = 0; i < words.size(); ++i) {
        const auto [begin, length] = words[i];
        const std::string_view word = wordAt(i);
        // The first word only with a capital inside ("PayPal fees"): elsewhere its capital is the
        // sentence's, and an unknown word as often an adjective the analyser lacks ("Prorated
        // amount") as a name.
        if (i == 0 && !capitalInside(word))
            continue;
        const bool apart = standsApart(core, begin, length);
        const bool nameShaped = length >= 2 && startsWithCapital(word)
                                && std::all_of(word.begin(), word.end(), isLetterByte) && hasSmallAscii(word);
        const bool alone = (i == 0 || (!namelike(i - 1) && !isInstructionVerb(wordAt(i - 1))))
                           && (i + 1 == words.size() || !namelike(i + 1));
        if (apart && nameShaped && alone && !knows(word) && !knows(foldCase(word))
            && !inKnownTerm(core, words, i, knows))
            return VerbatimSpan{begin, length};
    }
    return std::nullopt;
}

std::optional<std::string_view> qualifyingCodeAtStart(std::string_view core)
{
    const std::size_t space = core.find(' ');
    if (space == std::string_view::npos || space + 1 == core.size() || !isAsciiLetter(core[space + 1]))
        return std::nullopt;
    const std::string_view code = core.substr(0, space);
    const std::string_view rest = core.substr(space + 1);
    const std::string_view next = rest.substr(0, rest.find_first_of(" ,.;:!?"));
    if (!isQualifyingCode(code) || leadsAClause(next) || holdsWord(core, kCodeStandIn))
        return std::nullopt;
    return code;
}

std::vector<VerbatimSpan> clockTimesIn(std::string_view text)
{
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::vector<VerbatimSpan> times;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!isDigit(text[at]) || (at > 0 && (isWordByte(text[at - 1]) || text[at - 1] == ':' || text[at - 1] == '.')))
            continue;
        std::size_t colon = at;
        while (colon < text.size() && isDigit(text[colon]))
            ++colon;
        const std::size_t end = colon + 3;
        const bool shaped = colon - at <= 2 && end <= text.size() && text[colon] == ':' && isDigit(text[colon + 1])
                            && isDigit(text[colon + 2])
                            && (end == text.size() || !(isWordByte(text[end]) || text[end] == ':'));
        if (shaped && std::stoi(std::string(text.substr(at, colon - at))) <= 23 && text[colon + 1] <= '5')
            times.push_back({at, end - at});
        at = colon;
    }
    return times;
}

namespace {

bool holdsSeriesStandIn(std::string_view core)
{
    return std::any_of(std::begin(kSeriesLetterStandIns), std::end(kSeriesLetterStandIns),
                       [core](std::string_view standIn) { return holdsWord(core, standIn); });
}

// Whether the capital at in core, a word of its own after the noun before, names one of a series.
bool namesOneOfASeries(std::string_view core, std::size_t at, std::string_view before, bool sourceWord,
                       const std::function<bool(std::string_view)>& onlyNoun)
{
    const std::size_t after = at + 1;
    if (after == core.size())
        return true;
    if (core[after] != ' ')
        return std::string_view(",;:)/&").find(core[after]) != std::string_view::npos;
    const std::string_view next = letterRunFrom(core, after + 1);
    if (next.empty())
        return !sourceWord;
    if (isSmallAscii(next.front()))
        return true;
    return !sourceWord || (hasSmallAscii(core) && onlyNoun(before));
}

}  // namespace

std::vector<VerbatimSpan> seriesLettersIn(std::string_view core, std::string_view sourceWordLetters,
                                          const std::function<bool(std::string_view)>& isNoun,
                                          const std::function<bool(std::string_view)>& onlyNoun)
{
    std::vector<VerbatimSpan> letters;
    if (holdsSeriesStandIn(core))
        return letters;
    for (std::size_t at = 2; at < core.size(); ++at) {
        const char letter = core[at];
        if (letter < 'A' || letter > 'Z' || letter == 'I' || core[at - 1] != ' ')
            continue;
        const std::string_view before = letterRunEndingAt(core, at - 1);
        const bool sourceWord = sourceWordLetters.find(letter) != std::string_view::npos;
        if (!before.empty() && namesOneOfASeries(core, at, before, sourceWord, onlyNoun) && isNoun(before))
            letters.push_back({at, 1});
    }
    return letters;
}

bool holdsWord(std::string_view text, std::string_view word)
{
    return asciiSmall(std::string(text)).find(asciiSmall(std::string(word))) != std::string::npos;
}

std::optional<std::string> withStandInRestored(std::string translated, std::string_view standIn,
                                               std::string_view original)
{
    const std::string small = asciiSmall(translated);
    const std::string word = asciiSmall(std::string(standIn));
    const auto at = small.find(word);
    const auto end = at + word.size();
    if (at == std::string::npos || (at > 0 && isWordByte(small[at - 1]))
        || (end < small.size() && isWordByte(small[end])) || small.find(word, end) != std::string::npos)
        return std::nullopt;
    translated.replace(at, word.size(), original);
    return translated;
}

}  // namespace veltrano::pagehost
