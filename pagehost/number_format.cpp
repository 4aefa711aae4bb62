#include "pagehost/number_format.h"

#include "pagehost/text_shape.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace veltrano::pagehost {
namespace {

constexpr std::string_view kCurrencySigns[] = {"$", "€", "£", "¥"};

// What may stand right before a number besides a space, an opening mark or a currency sign: the
// no-break spaces and the opening quotes and marks that are not ASCII.
constexpr std::string_view kOpeningOthers[] = {"\u00A0", "\u202F", "«", "“", "¿", "¡"};

// The units after which a number with a decimal point is a quantity, in either language,
// attached ("2.5M", "3.5kg") or after a space ("0.75 kg", "1.5 million", "1,5 millones").
constexpr std::string_view kUnits[] = {
    "%",        "kg",     "g",       "mg",      "t",          "km",         "m",          "cm",       "mm",
    "m2",       "m²",     "m3",      "m³",      "l",          "L",          "ml",         "ha",       "kWh",
    "kW",       "MW",     "MWh",     "GWh",     "W",          "GB",         "MB",         "TB",       "M",
    "k",        "bn",     "lb",      "oz",      "euros",      "dólares",    "libras",     "millones", "millón",
    "mil",      "kilos",  "litros",  "metros",  "kilómetros", "toneladas",  "hectáreas",  "horas",    "minutos",
    "días",     "años",   "meses",   "semanas", "puntos",     "dollars",    "pounds",     "million",  "thousand",
    "billion",  "liters", "litres",  "meters",  "metres",     "kilometers", "kilometres", "tonnes",   "tons",
    "hectares", "hours",  "minutes", "days",    "years",      "months",     "weeks",      "points",   "percent",
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isNumberByte(char c)
{
    return isDigit(c) || c == '.' || c == ',';
}

bool isOneOf(std::string_view text, const auto& list)
{
    return std::find(std::begin(list), std::end(list), text) != std::end(list);
}

bool endsWithOneOf(std::string_view text, const auto& list)
{
    return std::any_of(std::begin(list), std::end(list), [&](std::string_view item) { return text.ends_with(item); });
}

bool startsWithOneOf(std::string_view text, const auto& list)
{
    return std::any_of(std::begin(list), std::end(list), [&](std::string_view item) { return text.starts_with(item); });
}

// Whether a number may start after before: not inside a word, a code or a path ("INV-1.000",
// "v2.1", "x/1,5"), but after a sign, a range's dash ("1.000-2.000") or a currency sign.
bool standsAfter(std::string_view before)
{
    if (before.empty())
        return true;
    const char c = before.back();
    if (c == '-' || c == '+') {
        // A sign, or a range's dash after a number; not a code's dash after a letter.
        before.remove_suffix(1);
        if (before.empty())
            return true;
        const char previous = before.back();
        return isDigit(previous) || !(isAsciiLetter(previous) || static_cast<unsigned char>(previous) >= 0x80);
    }
    if (static_cast<unsigned char>(c) >= 0x80)
        return endsWithOneOf(before, kCurrencySigns) || endsWithOneOf(before, kOpeningOthers);
    return !isAsciiLetter(c) && c != '_' && c != '/' && c != '\\' && c != '#' && c != '@';
}

// Whether a number may end before after: a space, punctuation, a sign, a unit or a currency
// sign, but not more of a code, a path or an address.
bool standsBefore(std::string_view after)
{
    if (after.empty())
        return true;
    const char c = after.front();
    return c != '_' && c != '\\' && c != '@' && c != '#' && c != '&' && c != '=';
}

// Whether the number between before and after is a quantity: after a currency sign, or before
// a unit or a currency sign.
bool isQuantity(std::string_view before, std::string_view after)
{
    if (before.ends_with(' '))
        before.remove_suffix(1);
    if (endsWithOneOf(before, kCurrencySigns))
        return true;
    if (after.starts_with(' '))
        after.remove_prefix(1);
    if (startsWithOneOf(after, kCurrencySigns) || after.starts_with('%'))
        return true;
    const std::size_t end = std::min(after.find_first_of(" ,;:)/."), after.size());
    return isOneOf(after.substr(0, end), kUnits);
}

// Whether run is digits in groups of three after one to three digits, each group after
// groupMark, and then possibly decimalMark and more digits ("1.234.567", "1.234,56").
bool isGrouped(std::string_view run, char groupMark, char decimalMark)
{
    const std::size_t decimal = run.find(decimalMark);
    const std::string_view whole = run.substr(0, decimal);
    if (decimal != std::string_view::npos) {
        const auto fraction = run.substr(decimal + 1);
        if (fraction.empty() || !std::all_of(fraction.begin(), fraction.end(), isDigit))
            return false;
    }
    const std::size_t firstMark = whole.find(groupMark);
    if (firstMark == std::string_view::npos || firstMark == 0 || firstMark > 3)
        return false;
    for (std::size_t at = 0; at < whole.size(); ++at) {
        const bool markPlace = at >= firstMark && (at - firstMark) % 4 == 0;
        if (markPlace ? whole[at] != groupMark : !isDigit(whole[at]))
            return false;
    }
    return (whole.size() - firstMark) % 4 == 0;
}

// How many digits follow the one mark of a decimal number written with it; none for anything else.
std::optional<std::size_t> decimalsAfter(std::string_view run, char mark)
{
    const std::size_t at = run.find(mark);
    if (at == std::string_view::npos || at == 0 || at + 1 == run.size())
        return std::nullopt;
    if (!std::all_of(run.begin(), run.end(), [&](char c) { return isDigit(c) || c == mark; })
        || run.find(mark, at + 1) != std::string_view::npos)
        return std::nullopt;
    return run.size() - at - 1;
}

std::string swapped(std::string_view run)
{
    std::string out(run);
    for (char& c : out)
        c = c == '.' ? ',' : c == ',' ? '.' : c;
    return out;
}

std::string inEnglish(std::string_view run)
{
    if (isGrouped(run, '.', ','))
        return swapped(run);
    // Three digits after a lone comma group thousands in Mexico and mark decimals in Spain.
    if (const auto decimals = decimalsAfter(run, ','); decimals && *decimals != 3)
        return swapped(run);
    return std::string(run);
}

std::string inSpanish(std::string_view run, bool quantity)
{
    if (isGrouped(run, ',', '.') || (quantity && decimalsAfter(run, '.')))
        return swapped(run);
    return std::string(run);
}

// Each number of text that stands as a word, with what comes before and after it.
template <typename Visit>
void forEachNumber(std::string_view text, Visit& visit)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (!isNumberByte(text[pos])) {
            visit.other(text[pos++]);
            continue;
        }
        std::size_t end = pos;
        while (end < text.size() && isNumberByte(text[end]))
            ++end;
        while (end > pos && !isDigit(text[end - 1]))
            --end;
        if (end == pos) {
            visit.other(text[pos++]);
            continue;
        }
        const auto before = text.substr(0, pos);
        const auto after = text.substr(end);
        const auto run = text.substr(pos, end - pos);
        if (isDigit(text[pos]) && standsAfter(before) && standsBefore(after))
            visit.number(run, before, after);
        else
            visit.text(run);
        pos = end;
    }
}

// The numbers of source that stand as quantities there: the pipeline may move a unit away
// from its number ("3.5 kg Bank transfer" gives "3.5 transferencia bancaria de kg").
std::vector<std::string_view> quantitiesIn(std::string_view source)
{
    struct {
        std::vector<std::string_view> found;
        void other(char) {}
        void text(std::string_view) {}
        void number(std::string_view run, std::string_view before, std::string_view after)
        {
            if (isQuantity(before, after))
                found.push_back(run);
        }
    } visit;
    forEachNumber(source, visit);
    return visit.found;
}

}  // namespace

std::string withTargetNumberFormat(std::string_view source, std::string_view translated, bool spanishTarget)
{
    const auto sourceQuantities = spanishTarget ? quantitiesIn(source) : std::vector<std::string_view>();
    struct Writer {
        std::string out;
        bool spanishTarget;
        const std::vector<std::string_view>& sourceQuantities;
        void other(char c) { out += c; }
        void text(std::string_view run) { out += run; }
        void number(std::string_view run, std::string_view before, std::string_view after)
        {
            if (!spanishTarget) {
                out += inEnglish(run);
                return;
            }
            const bool quantity = isQuantity(before, after) || isOneOf(run, sourceQuantities);
            out += inSpanish(run, quantity);
        }
    } writer{{}, spanishTarget, sourceQuantities};
    writer.out.reserve(translated.size());
    forEachNumber(translated, writer);
    return std::move(writer.out);
}

}  // namespace veltrano::pagehost
