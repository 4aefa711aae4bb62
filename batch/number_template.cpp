#include "batch/number_template.h"

#include <algorithm>

namespace veltrano::batch {
namespace {

// Longer numbers are left as they are: a text with one is rare and not worth the risk.
constexpr std::size_t kLongestNumber = 15;
// A text with more numbers seldom shares its template, and mapping them back costs their square.
constexpr std::size_t kMostNumbers = 8;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The maximal runs of ASCII digits in text, as [begin, end) ranges.
std::vector<std::pair<std::size_t, std::size_t>> digitRuns(std::string_view text)
{
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t i = 0; i < text.size();) {
        if (!isDigit(text[i])) {
            ++i;
            continue;
        }
        const std::size_t begin = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        runs.emplace_back(begin, i);
    }
    return runs;
}

bool standsAlone(std::string_view text, std::size_t begin, std::size_t end)
{
    return (begin == 0 || text[begin - 1] == ' ') && (end == text.size() || text[end] == ' ');
}

bool replaceable(std::string_view number)
{
    return number.size() <= kLongestNumber && number[0] != '0' && number != "1";
}

}  // namespace

std::optional<NumberTemplate> numberTemplateOf(std::string_view text)
{
    const auto runs = digitRuns(text);
    std::vector<std::string_view> kept;  // digit runs that stay as written
    std::vector<bool> replaced;
    for (const auto& [begin, end] : runs) {
        const std::string_view number = text.substr(begin, end - begin);
        replaced.push_back(standsAlone(text, begin, end) && replaceable(number));
        if (!replaced.back())
            kept.push_back(number);
    }
    const auto count = static_cast<std::size_t>(std::count(replaced.begin(), replaced.end(), true));
    if (count == 0 || count > kMostNumbers)
        return std::nullopt;

    NumberTemplate templ;
    unsigned next = 2;
    std::size_t done = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (!replaced[i])
            continue;
        std::string standIn = std::to_string(next++);
        while (std::find(kept.begin(), kept.end(), standIn) != kept.end())
            standIn = std::to_string(next++);
        templ.text.append(text.substr(done, runs[i].first - done));
        templ.text += standIn;
        done = runs[i].second;
        templ.numbers.emplace_back(std::move(standIn),
                                   std::string(text.substr(runs[i].first, runs[i].second - runs[i].first)));
    }
    templ.text.append(text.substr(done));
    return templ;
}

std::optional<std::string> restoreNumbers(std::string_view translatedTemplate, const NumberTemplate& templ)
{
    const auto runs = digitRuns(translatedTemplate);
    // For each run of the translation, the number that goes in its place, if it is a stand-in.
    std::vector<const std::string*> originals(runs.size(), nullptr);
    for (const auto& [standIn, original] : templ.numbers) {
        std::size_t found = 0;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            if (translatedTemplate.substr(runs[i].first, runs[i].second - runs[i].first) != standIn)
                continue;
            if (++found > 1 || !standsAlone(translatedTemplate, runs[i].first, runs[i].second))
                return std::nullopt;
            originals[i] = &original;
        }
        if (found != 1)
            return std::nullopt;
    }
    std::string text;
    std::size_t done = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (!originals[i])
            continue;
        text.append(translatedTemplate.substr(done, runs[i].first - done));
        text += *originals[i];
        done = runs[i].second;
    }
    text.append(translatedTemplate.substr(done));
    return text;
}

}  // namespace veltrano::batch
