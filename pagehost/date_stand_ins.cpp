#include "pagehost/date_stand_ins.h"

#include <algorithm>
#include <cctype>

namespace veltrano::pagehost {
namespace {

constexpr std::size_t kFirstStandIn = 90001;
constexpr std::string_view kStandInPrefix = "900";

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The lengths of the runs of digits of text when they are parted by one and the same separator,
// which is one of separators; empty otherwise.
std::vector<std::size_t> digitRuns(std::string_view text, std::string_view separators)
{
    std::vector<std::size_t> runs{0};
    char separator = 0;
    for (const char c : text) {
        if (isDigit(c)) {
            ++runs.back();
        } else if (separators.find(c) != std::string_view::npos && (separator == 0 || separator == c)
                   && runs.back() > 0) {
            separator = c;
            runs.push_back(0);
        } else {
            return {};
        }
    }
    return runs.back() > 0 ? runs : std::vector<std::size_t>{};
}

bool isNumberAt(std::string_view text, std::size_t at, std::size_t length)
{
    const auto standsAlone = [&](std::size_t i) {
        return i >= text.size() || !(isDigit(text[i]) || std::isalpha(static_cast<unsigned char>(text[i])));
    };
    return (at == 0 || standsAlone(at - 1)) && standsAlone(at + length);
}

}  // namespace

bool isNumericDate(std::string_view text)
{
    const auto dayFirst = [](const std::vector<std::size_t>& runs) {
        return (runs.size() == 2 || runs.size() == 3) && runs[0] <= 2 && runs[1] <= 2
               && (runs.size() == 2 || runs[2] == 2 || runs[2] == 4);
    };
    const auto slashed = digitRuns(text, "/");
    if (slashed.size() >= 2)
        return dayFirst(slashed);
    const auto runs = digitRuns(text, "-.");
    const bool yearFirst = runs.size() == 3 && runs[0] == 4 && runs[1] == 2 && runs[2] == 2;
    return (runs.size() == 3 && dayFirst(runs)) || yearFirst;
}

std::string dateStandIn(std::string_view source, std::size_t index)
{
    if (source.find(kStandInPrefix) != std::string_view::npos)
        return {};
    return std::to_string(kFirstStandIn + index);
}

std::optional<std::string> withDatesRestored(std::string translated, const std::vector<std::string_view>& dates)
{
    for (std::size_t i = 0; i < dates.size(); ++i) {
        const std::string standIn = std::to_string(kFirstStandIn + i);
        const auto at = translated.find(standIn);
        if (at == std::string::npos || !isNumberAt(translated, at, standIn.size())
            || translated.find(standIn, at + 1) != std::string::npos)
            return std::nullopt;
        translated.replace(at, standIn.size(), dates[i]);
    }
    return translated;
}

}  // namespace veltrano::pagehost
