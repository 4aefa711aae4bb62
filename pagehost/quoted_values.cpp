#include "pagehost/quoted_values.h"

#include "pagehost/text_shape.h"

#include <algorithm>
#include <utility>

namespace veltrano::pagehost {
namespace {

struct Marks {
    std::string_view open, close;
};
constexpr Marks kMarks[] = {{"\"", "\""}, {"\u201c", "\u201d"}, {"\u00ab", "\u00bb"}};
constexpr Marks kSingleMarks[] = {{"'", "'"}, {"\u2018", "\u2019"}};
constexpr std::size_t kMostWords = 3;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Whether a mark at [at, end) of text opens a word: after the start, a blank or a bracket, and
// before a letter, a digit or another character of a word.
bool opensWord(std::string_view text, std::size_t at, std::size_t end)
{
    return (at == 0 || isBlank(text[at - 1]) || text[at - 1] == '(') && end < text.size() && !isBlank(text[end]);
}

bool closesWord(std::string_view text, std::size_t at, std::size_t end)
{
    static constexpr std::string_view kAfter = " \t.,;:!?)";
    return at > 0 && !isBlank(text[at - 1]) && (end == text.size() || kAfter.find(text[end]) != std::string_view::npos);
}

bool isShortValue(std::string_view content)
{
    const auto words = splitAt(content, ' ');
    return words.size() <= kMostWords && std::none_of(words.begin(), words.end(), [](auto w) { return w.empty(); })
           && std::any_of(content.begin(), content.end(),
                          [](char c) { return isAsciiLetter(c) || static_cast<unsigned char>(c) >= 0x80; });
}

std::size_t countOf(std::string_view text, std::string_view mark)
{
    std::size_t count = 0;
    for (auto at = text.find(mark); at != std::string_view::npos; at = text.find(mark, at + mark.size()))
        ++count;
    return count;
}

// The values between marks of one kind; nullopt when one of them stands unpaired or badly.
std::optional<std::vector<QuotedValue>> valuesBetween(std::string_view text, const Marks& marks)
{
    std::vector<QuotedValue> values;
    for (std::size_t at = text.find(marks.open); at != std::string_view::npos; at = text.find(marks.open, at)) {
        const std::size_t contentBegin = at + marks.open.size();
        const std::size_t close = text.find(marks.close, contentBegin);
        if (close == std::string_view::npos || !opensWord(text, at, contentBegin)
            || !closesWord(text, close, close + marks.close.size())
            || !isShortValue(text.substr(contentBegin, close - contentBegin)))
            return std::nullopt;
        if (marks.open != marks.close
            && text.substr(contentBegin, close - contentBegin).find(marks.open) != std::string_view::npos)
            return std::nullopt;
        values.push_back({at, marks.open.size(), close, marks.close.size()});
        at = close + marks.close.size();
    }
    if (marks.open != marks.close && countOf(text, marks.close) != values.size())
        return std::nullopt;  // a closing mark without its opening one
    return values;
}

// The values between single quotes of one kind (ASCII, or ‘ ’): the marks double as apostrophes
// ("don't", "customers' orders", "l’usine"), so a mark that does not open a word, or one inside a
// word, is passed over rather than taken for an unpaired quote.
std::vector<QuotedValue> valuesBetweenSingle(std::string_view text, const Marks& marks)
{
    const auto inWord = [&](std::size_t at, std::size_t end) {
        return at > 0 && isWordByte(text[at - 1]) && end < text.size() && isWordByte(text[end]);
    };
    std::vector<QuotedValue> values;
    for (std::size_t at = text.find(marks.open); at != std::string_view::npos; at = text.find(marks.open, at + 1)) {
        const std::size_t contentBegin = at + marks.open.size();
        if (!opensWord(text, at, contentBegin))
            continue;
        std::size_t close = text.find(marks.close, contentBegin);
        while (close != std::string_view::npos && inWord(close, close + marks.close.size()))
            close = text.find(marks.close, close + 1);
        if (close == std::string_view::npos || !closesWord(text, close, close + marks.close.size())
            || !isShortValue(text.substr(contentBegin, close - contentBegin)))
            continue;
        values.push_back({at, marks.open.size(), close, marks.close.size()});
        at = close;
    }
    return values;
}

// Where needle is in haystack as words of their own, without regard to case; npos unless once.
std::size_t onlyPlaceOf(std::string_view haystack, std::string_view needle)
{
    const std::string folded = foldCase(haystack);
    const std::string word = foldCase(needle);
    if (folded.size() != haystack.size() || word.empty())
        return std::string_view::npos;
    std::size_t found = std::string_view::npos;
    for (std::size_t at = folded.find(word); at != std::string::npos; at = folded.find(word, at + 1)) {
        const std::size_t end = at + word.size();
        if ((at > 0 && isWordByte(folded[at - 1])) || (end < folded.size() && isWordByte(folded[end])))
            continue;
        if (found != std::string_view::npos)
            return std::string_view::npos;
        found = at;
    }
    return found;
}

}  // namespace

std::vector<QuotedValue> quotedValuesIn(std::string_view text)
{
    std::vector<QuotedValue> values;
    for (const auto& marks : kMarks) {
        const auto found = valuesBetween(text, marks);
        if (!found)
            return {};
        values.insert(values.end(), found->begin(), found->end());
    }
    for (const auto& marks : kSingleMarks) {
        const auto found = valuesBetweenSingle(text, marks);
        values.insert(values.end(), found.begin(), found.end());
    }
    std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return a.open < b.open; });
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i].open < values[i - 1].close + values[i - 1].closeLength)
            return {};  // one kind of mark inside another's value
    }
    return values;
}

std::string_view quotedContent(std::string_view text, const QuotedValue& value)
{
    const std::size_t begin = value.open + value.openLength;
    return text.substr(begin, value.close - begin);
}

std::string withoutQuoteMarks(std::string_view text, const std::vector<QuotedValue>& values)
{
    std::string out;
    std::size_t done = 0;
    for (const auto& value : values) {
        out.append(text.substr(done, value.open - done)).append(quotedContent(text, value));
        done = value.close + value.closeLength;
    }
    return out.append(text.substr(done));
}

std::optional<std::string> withValuesQuoted(std::string translated, std::string_view source,
                                            const std::vector<QuotedValue>& values,
                                            const std::vector<std::string>& valueTranslations)
{
    struct Placed {
        std::size_t at, length;
        const QuotedValue* value;
        const std::string* own;
    };
    std::vector<Placed> placed;
    for (std::size_t i = 0; i < values.size() && i < valueTranslations.size(); ++i) {
        const std::size_t at = onlyPlaceOf(translated, valueTranslations[i]);
        if (at == std::string_view::npos)
            return std::nullopt;
        placed.push_back({at, valueTranslations[i].size(), &values[i], &valueTranslations[i]});
    }
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.at > b.at; });
    for (std::size_t i = 1; i < placed.size(); ++i) {
        if (placed[i].at + placed[i].length > placed[i - 1].at)
            return std::nullopt;  // two values found in the same words
    }
    // The value's own translation, in the case its source has in the quotes ("Status "Shipped"":
    // "Estado "Enviado"", where the line's rules wrote "enviado").
    for (const auto& [at, length, value, own] : placed) {
        translated.replace(at, length,
                           std::string(source.substr(value->open, value->openLength)) + *own
                               + std::string(source.substr(value->close, value->closeLength)));
    }
    return translated;
}

}  // namespace veltrano::pagehost
