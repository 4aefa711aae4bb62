#include "pagehost/code_stand_ins.h"

#include "pagehost/text_shape.h"

#include <algorithm>
#include <iterator>

namespace veltrano::pagehost {
namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

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
        "is",  "are",   "was",  "were", "be",   "has", "have", "had",  "must", "should", "will", "would", "can",
        "may", "shall", "does", "do",   "did",  "and", "or",   "to",   "of",   "for",    "in",   "on",    "at",
        "by",  "from",  "with", "vs",   "only", "not", "then", "if",   "than", "as",     "cannot",
    };
    return std::find(std::begin(kWords), std::end(kWords), foldCase(word)) != std::end(kWords);
}

std::string asciiSmall(std::string text)
{
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

}  // namespace

std::optional<std::string_view> qualifyingCodeAtStart(std::string_view core)
{
    const std::size_t space = core.find(' ');
    if (space == std::string_view::npos || space + 1 == core.size() || !isAsciiLetter(core[space + 1]))
        return std::nullopt;
    const std::string_view code = core.substr(0, space);
    const std::string_view rest = core.substr(space + 1);
    const std::string_view next = rest.substr(0, rest.find_first_of(" ,.;:!?"));
    if (!isQualifyingCode(code) || leadsAClause(next)
        || asciiSmall(std::string(core)).find(asciiSmall(std::string(kCodeStandIn))) != std::string::npos)
        return std::nullopt;
    return code;
}

std::optional<std::string> withCodeRestored(std::string translated, std::string_view code)
{
    const std::string small = asciiSmall(translated);
    const std::string standIn = asciiSmall(std::string(kCodeStandIn));
    const auto at = small.find(standIn);
    const auto end = at + standIn.size();
    if (at == std::string::npos || (at > 0 && isWordByte(small[at - 1]))
        || (end < small.size() && isWordByte(small[end])) || small.find(standIn, end) != std::string::npos)
        return std::nullopt;
    translated.replace(at, standIn.size(), code);
    return translated;
}

}  // namespace veltrano::pagehost
