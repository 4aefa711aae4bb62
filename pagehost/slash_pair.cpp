#include "pagehost/slash_pair.h"

#include "pagehost/text_shape.h"

#include <algorithm>
#include <cctype>

namespace veltrano::pagehost {
namespace {

// Where the run of letters that starts at at ends: ASCII letters and the bytes of non-ASCII
// characters.
std::size_t wordEnd(std::string_view text, std::size_t at)
{
    while (at < text.size() && isLetterByte(text[at]))
        ++at;
    return at;
}

std::size_t letterCount(std::string_view word)
{
    return static_cast<std::size_t>(
        std::count_if(word.begin(), word.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool standsAlone(std::string_view text, std::size_t begin, std::size_t end)
{
    const auto free = [](char c) { return !isWordByte(c) && c != '/' && c != '-' && c != '.'; };
    return (begin == 0 || free(text[begin - 1])) && (end == text.size() || free(text[end]) || text[end] == '.');
}

bool startsWithSmallLetter(std::string_view text)
{
    return !text.empty() && std::islower(static_cast<unsigned char>(text.front()));
}

}  // namespace

std::optional<SlashPair> slashPairIn(std::string_view text)
{
    constexpr std::size_t kShortestWord = 3;
    for (auto slash = text.find('/'); slash != std::string_view::npos; slash = text.find('/', slash + 1)) {
        std::size_t begin = slash;
        while (begin > 0 && isLetterByte(text[begin - 1]))
            --begin;
        const std::size_t end = wordEnd(text, slash + 1);
        if (letterCount(text.substr(begin, slash - begin)) < kShortestWord
            || letterCount(text.substr(slash + 1, end - slash - 1)) < kShortestWord || !standsAlone(text, begin, end))
            continue;
        const auto isShown = [](char c) { return !std::isspace(static_cast<unsigned char>(c)); };
        const bool more = std::any_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(begin), isShown)
                          || std::any_of(text.begin() + static_cast<std::ptrdiff_t>(end), text.end(), isShown);
        if (more)
            return SlashPair{begin, slash, end};
    }
    return std::nullopt;
}

std::string withOneWord(std::string_view text, const SlashPair& pair, bool first)
{
    return first ? std::string(text.substr(0, pair.slash)).append(text.substr(pair.end))
                 : std::string(text.substr(0, pair.begin)).append(text.substr(pair.slash + 1));
}

std::optional<std::string> joinedAtTheirDifference(std::string_view withFirst, std::string_view withSecond,
                                                   std::string_view secondSource)
{
    constexpr std::size_t kLongestRun = 3;
    const auto first = splitAt(withFirst, ' ');
    const auto second = splitAt(withSecond, ' ');
    const auto same = [](std::string_view a, std::string_view b) { return foldCase(a) == foldCase(b); };
    std::size_t prefix = 0;
    while (prefix < first.size() && prefix < second.size() && same(first[prefix], second[prefix]))
        ++prefix;
    if (prefix == first.size() && prefix == second.size())
        return std::string(withFirst);
    std::size_t suffix = 0;
    while (suffix < first.size() - prefix && suffix < second.size() - prefix
           && same(first[first.size() - 1 - suffix], second[second.size() - 1 - suffix]))
        ++suffix;
    // A word one of them adds ("apto", "no apto") makes the run it stands beside differ too.
    const bool added = first.size() == prefix + suffix || second.size() == prefix + suffix;
    if (added && suffix > 0)
        --suffix;
    else if (added && prefix > 0)
        --prefix;
    const std::size_t firstRun = first.size() - prefix - suffix;
    const std::size_t secondRun = second.size() - prefix - suffix;
    if (firstRun == 0 || secondRun == 0 || firstRun > kLongestRun || secondRun > kLongestRun || prefix + suffix == 0)
        return std::nullopt;  // nothing shared: the two are no longer the same label
    const auto joinWords = [](const std::vector<std::string_view>& words, std::size_t from, std::size_t to) {
        std::string text;
        for (std::size_t i = from; i < to; ++i)
            text.append(i > from ? " " : "").append(words[i]);
        return text;
    };
    std::string alternative = joinWords(second, prefix, prefix + secondRun);
    if (alternative.empty())
        return std::nullopt;
    if (startsWithSmallLetter(secondSource))
        alternative[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(alternative[0])));
    else if (startsWithCapital(secondSource))
        alternative[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(alternative[0])));
    std::string joined = joinWords(first, 0, prefix + firstRun);
    // A mark both runs end with ("Precio:", "Unidad:") ends the pair, not its first word.
    std::string mark;
    while (!joined.empty() && !alternative.empty() && std::ispunct(static_cast<unsigned char>(joined.back()))
           && joined.back() == alternative.back() && joined.back() != '.') {
        mark.insert(mark.begin(), joined.back());
        joined.pop_back();
        alternative.pop_back();
    }
    joined.append("/").append(alternative).append(mark);
    const std::string rest = joinWords(first, prefix + firstRun, first.size());
    return rest.empty() ? joined : joined.append(" ").append(rest);
}

}  // namespace veltrano::pagehost
