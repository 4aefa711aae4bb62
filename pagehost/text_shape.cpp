#include "pagehost/text_shape.h"

#include <algorithm>
#include <clocale>
#include <cwctype>
#include <iterator>
#include <locale.h>
#include <optional>

namespace veltrano::pagehost {
namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Case mapping of code points needs a UTF-8 locale; C.UTF-8 is always present with glibc,
// and is used on its own so the process locale is never touched.
locale_t utf8Locale()
{
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

struct CodePoint {
    char32_t value;
    std::size_t length;
};

// The code point at text[pos]; nullopt on a malformed sequence.
std::optional<CodePoint> decodeAt(std::string_view text, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || pos + length > text.size())
        return std::nullopt;
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        value = (value << 6) | (next & 0x3F);
    }
    return CodePoint{value, length};
}

void appendUtf8(std::string& out, char32_t value)
{
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | (value >> 6));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        out += static_cast<char>(0xE0 | (value >> 12));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (value >> 18));
        out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}

enum class CaseChange {
    ToLower,
    ToUpper
};

char32_t changeCase(char32_t value, CaseChange change)
{
    const auto wide = static_cast<wint_t>(value);
    return static_cast<char32_t>(change == CaseChange::ToUpper ? towupper_l(wide, utf8Locale())
                                                               : towlower_l(wide, utf8Locale()));
}

struct LetterCases {
    std::size_t upper = 0;
    std::size_t lower = 0;
    std::optional<bool> firstIsLower;
};

LetterCases lettersOf(std::string_view text)
{
    LetterCases cases;
    for (std::size_t pos = 0; pos < text.size();) {
        // Most text is ASCII, which needs no decoding nor the locale's tables.
        const char c = text[pos];
        if (static_cast<unsigned char>(c) < 0x80) {
            const bool upper = c >= 'A' && c <= 'Z';
            const bool lower = c >= 'a' && c <= 'z';
            cases.upper += upper;
            cases.lower += lower;
            if ((upper || lower) && !cases.firstIsLower)
                cases.firstIsLower = lower;
            ++pos;
            continue;
        }
        const auto point = decodeAt(text, pos);
        if (!point)
            return cases;
        const auto wide = static_cast<wint_t>(point->value);
        const bool upper = iswupper_l(wide, utf8Locale());
        const bool lower = iswlower_l(wide, utf8Locale());
        if (upper || lower) {
            cases.upper += upper;
            cases.lower += lower;
            if (!cases.firstIsLower)
                cases.firstIsLower = lower;
        }
        pos += point->length;
    }
    return cases;
}

// A word in capitals: two letters or more, none small ("VAT", "CHARGED").
bool inCapitals(std::string_view word)
{
    const LetterCases cases = lettersOf(word);
    return cases.upper >= 2 && cases.lower == 0;
}

// text with the case of its letters changed; only the first letter that has a case when firstOnly.
std::string recase(std::string_view text, CaseChange change, bool firstOnly)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto point = decodeAt(text, pos);
        if (!point) {
            out.append(text.substr(pos));
            return out;
        }
        const auto wide = static_cast<wint_t>(point->value);
        // Only letters that have a case count: a source "日本 the dog" starts with a small letter.
        const bool cased = iswupper_l(wide, utf8Locale()) || iswlower_l(wide, utf8Locale());
        appendUtf8(out, cased ? changeCase(point->value, change) : point->value);
        pos += point->length;
        if (cased && firstOnly)
            break;
    }
    out.append(text.substr(pos));
    return out;
}

// Initials with their dots ("C.P.", "N.I.F.") are written in capitals whatever the case of the
// words they stand for ("Postcode", "Tax ID").
bool initialsOnly(std::string_view source)
{
    bool initial = false;
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (isAsciiLetter(source[i]) && (i + 1 == source.size() || source[i + 1] != '.'))
            return false;
        initial = initial || isAsciiLetter(source[i]);
    }
    return initial;
}

// An acronym of up to four letters alone ("IRPF (%)", "DNI") that the translation spells out in
// words ("Personal income tax (%)") is written as those words are, as initials with dots are; a
// word in capitals ("TOTAL", "NOTAS") keeps them.
bool acronymSpelledOut(std::string_view source, std::string_view translated)
{
    const auto sourceWords = wordSpans(source, isLetterByte);
    return sourceWords.size() == 1 && sourceWords.front().second <= 4
           && wordSpans(translated, isLetterByte).size() >= 2;
}

}  // namespace

bool isLetterByte(char c)
{
    return isAsciiLetter(c) || static_cast<unsigned char>(c) >= 0x80;
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isWordByte(char c)
{
    return isLetterByte(c) || (c >= '0' && c <= '9');
}

std::vector<std::pair<std::size_t, std::size_t>> wordSpans(std::string_view text, bool (*inWord)(char))
{
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = pos;
        while (end < text.size() && inWord(text[end]))
            ++end;
        if (end > pos)
            spans.emplace_back(pos, end - pos);
        pos = end == pos ? pos + 1 : end;
    }
    return spans;
}

TextShape shapeOf(std::string_view text)
{
    std::size_t begin = 0;
    while (begin < text.size() && isSpace(text[begin]))
        ++begin;
    std::size_t end = text.size();
    while (end > begin && isSpace(text[end - 1]))
        --end;
    if (begin == end)
        return TextShape{text, {}, {}};
    return TextShape{text.substr(0, begin), text.substr(begin, end - begin), text.substr(end)};
}

bool needsTranslation(std::string_view core)
{
    for (const char c : core) {
        if (isAsciiLetter(c) || static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

// Whether the first word of text with a letter is a month or a day of the week, which English
// writes with its capital wherever it stands.
bool startsWithEnglishCalendarName(std::string_view text)
{
    static constexpr std::string_view kNames[] = {"January",  "February", "March",    "April",     "May",
                                                  "June",     "July",     "August",   "September", "October",
                                                  "November", "December", "Monday",   "Tuesday",   "Wednesday",
                                                  "Thursday", "Friday",   "Saturday", "Sunday"};
    const std::size_t begin = text.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    if (begin == std::string_view::npos)
        return false;
    std::size_t end = begin;
    while (end < text.size() && isLetterByte(text[end]))
        ++end;
    const auto word = text.substr(begin, end - begin);
    return std::find(std::begin(kNames), std::end(kNames), word) != std::end(kNames);
}

namespace {

// Whether text's first word, past any opening marks, is written in small letters only.
bool startsWithSmallWord(std::string_view text)
{
    const auto begin = std::find_if(text.begin(), text.end(), [](char c) { return isLetterByte(c); });
    if (begin == text.end())
        return false;
    const auto end = std::find(begin, text.end(), ' ');
    const LetterCases cases =
        lettersOf(text.substr(static_cast<std::size_t>(begin - text.begin()), static_cast<std::size_t>(end - begin)));
    return cases.upper == 0 && cases.lower > 0;
}

}  // namespace

std::string matchCase(std::string_view source, std::string translated, bool englishTarget)
{
    const LetterCases cases = lettersOf(source);
    if (cases.upper >= 2 && cases.lower == 0)
        return initialsOnly(source) || acronymSpelledOut(source, translated)
                   ? translated
                   : recase(translated, CaseChange::ToUpper, false);
    // A label that starts with a count ("30-day trial", "2024 budget") has no first letter to
    // follow; its translation, where a word comes first, starts as labels do ("Prueba de 30 días").
    const auto isDigitByte = [](char c) { return c >= '0' && c <= '9'; };
    if (!source.empty() && isDigitByte(source.front()) && !translated.empty() && !isDigitByte(translated.front()))
        return recase(translated, CaseChange::ToUpper, true);
    if (cases.firstIsLower.value_or(false) && !(englishTarget && startsWithEnglishCalendarName(translated)))
        return recase(translated, CaseChange::ToLower, true);
    // A question whose helper verb the translation leaves out ("Will the supplier deliver on
    // Monday?": ¿el proveedor entrega el lunes?) starts as its source does; a first word with a
    // capital inside ("eBay", "iPhone") is a name and keeps its case.
    if (cases.firstIsLower == false && startsWithSmallWord(translated))
        return recase(translated, CaseChange::ToUpper, true);
    return translated;
}

std::string tidySpacing(std::string_view source, std::string_view translated)
{
    const bool keepRuns = source.find("  ") != std::string_view::npos;
    auto spaceBeforeIn = [&](std::string_view mark) {
        return source.find(" " + std::string(mark)) != std::string_view::npos;
    };
    auto spaceAfterIn = [&](std::string_view mark) {
        return source.find(std::string(mark) + " ") != std::string_view::npos;
    };
    static constexpr std::string_view kClosing[] = {",", ".", ";", ":", "!", "?", ")", "]", "}", "%"};
    static constexpr std::string_view kOpening[] = {"(", "[", "{", "¿", "¡"};
    std::string out;
    out.reserve(translated.size());
    for (std::size_t pos = 0; pos < translated.size(); ++pos) {
        const char c = translated[pos];
        if (c == ' ') {
            const auto rest = translated.substr(pos + 1);
            if (!keepRuns && !out.empty() && out.back() == ' ')
                continue;
            const bool beforeClosing =
                std::any_of(std::begin(kClosing), std::end(kClosing), [&](std::string_view mark) {
                    return rest.substr(0, mark.size()) == mark && !spaceBeforeIn(mark)
                           && (mark != "." || rest.size() == 1 || rest[1] == ' ');  // not " .NET"
                });
            const bool afterOpening = std::any_of(std::begin(kOpening), std::end(kOpening), [&](std::string_view mark) {
                return out.size() >= mark.size() && std::string_view(out).substr(out.size() - mark.size()) == mark
                       && !spaceAfterIn(mark);
            });
            if (beforeClosing || afterOpening)
                continue;
        }
        out += c;
    }
    return out;
}

namespace {

// word without the ASCII marks before and after its letters ("Londres," gives "Londres").
std::string_view lettersOnly(std::string_view word)
{
    while (!word.empty() && !isLetterByte(word.front()))
        word.remove_prefix(1);
    while (!word.empty() && !isLetterByte(word.back()))
        word.remove_suffix(1);
    return word;
}

}  // namespace

std::string keepSentenceCase(std::string_view source, std::string translated, bool strict,
                             const std::function<bool(std::string_view)>& isName)
{
    const LetterCases cases = lettersOf(source);
    if (cases.upper > 1 || (cases.upper == 1 && cases.firstIsLower.value_or(true)))
        return translated;
    // Word by word: a word whose first letter is the only capital in it goes to small letters
    // when the word before it came through untranslated (it stands in the source as it is).
    const auto inSource = [&](std::string_view word) {
        for (std::size_t at = source.find(word); at != std::string_view::npos; at = source.find(word, at + 1)) {
            const bool startsWord = at == 0 || isSpace(source[at - 1]);
            const bool endsWord = at + word.size() == source.size() || isSpace(source[at + word.size()]);
            if (startsWord && endsWord)
                return true;
        }
        return false;
    };
    std::string out;
    out.reserve(translated.size());
    bool afterUntranslated = false;
    bool afterFirstWord = false;
    std::size_t pos = 0;
    while (pos < translated.size()) {
        if (isSpace(translated[pos])) {
            out += translated[pos++];
            continue;
        }
        std::size_t end = pos;
        while (end < translated.size() && !isSpace(translated[end]))
            ++end;
        const std::string_view word = std::string_view(translated).substr(pos, end - pos);
        const LetterCases wordCases = lettersOf(word);
        const bool capitalised = wordCases.upper == 1 && wordCases.firstIsLower == false && wordCases.lower > 0;
        const bool lower =
            capitalised && (afterUntranslated || (strict && afterFirstWord && !(isName && isName(lettersOnly(word)))));
        out += lower ? recase(word, CaseChange::ToLower, true) : std::string(word);
        afterUntranslated = wordCases.upper + wordCases.lower > 0 && inSource(word);
        afterFirstWord = afterFirstWord || wordCases.upper + wordCases.lower > 0;
        pos = end;
    }
    return out;
}

namespace {

// The positions of the letters of text that stand alone as words.
std::vector<std::size_t> lettersStandingAlone(std::string_view text)
{
    std::vector<std::size_t> letters;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const bool alone = isAsciiLetter(text[at]) && (at == 0 || !isWordByte(text[at - 1]))
                           && (at + 1 == text.size() || !isWordByte(text[at + 1]));
        if (alone)
            letters.push_back(at);
    }
    return letters;
}

// translated with the capital letters that stand alone in source as names ("Section C", "Grupo
// D") in capitals again where the pipeline gave them in small letters ("Sección c"). Vowels and
// Y are left as they come: they are words as well ("a", "y", "o").
std::string withLettersOfSource(std::string_view source, std::string translated)
{
    std::string named;
    for (const auto at : lettersStandingAlone(source)) {
        if (source[at] >= 'A' && source[at] <= 'Z'
            && std::string_view("AEIOUY").find(source[at]) == std::string_view::npos)
            named += source[at];
    }
    if (named.empty())
        return translated;
    for (const auto at : lettersStandingAlone(translated)) {
        const char capital = static_cast<char>(std::toupper(static_cast<unsigned char>(translated[at])));
        if (named.find(capital) != std::string::npos)
            translated[at] = capital;
    }
    return translated;
}

}  // namespace

std::string keepSourceCapitals(std::string_view source, std::string translated)
{
    translated = withLettersOfSource(source, std::move(translated));
    // Capitals are told by ASCII letters; a word with an accent is no acronym.
    const auto wordsOf = [](std::string_view text) {
        return wordSpans(text, [](char c) { return isAsciiLetter(c) || (c >= '0' && c <= '9'); });
    };
    std::vector<std::string> capitals;
    for (const auto& [begin, length] : wordsOf(source)) {
        const std::string_view word = source.substr(begin, length);
        if (inCapitals(word))
            capitals.emplace_back(word);
    }
    if (capitals.empty() || lettersOf(source).lower == 0)
        return translated;  // a source all in capitals gives a translation in capitals anyway
    for (const auto& [begin, length] : wordsOf(translated)) {
        const std::string folded = foldCase(std::string_view(translated).substr(begin, length));
        for (const auto& capital : capitals)
            if (capital.size() == length && foldCase(capital) == folded)
                translated.replace(begin, length, capital);
    }
    return translated;
}

bool startsWithCapital(std::string_view word)
{
    if (word.empty())
        return false;
    const auto first = static_cast<unsigned char>(word[0]);
    return (first >= 'A' && first <= 'Z')
           || (first == 0xC3 && word.size() > 1 && static_cast<unsigned char>(word[1]) <= 0x9E);
}

std::string withDoneDateOrdered(std::string_view text, const std::function<bool(std::string_view)>& isParticiple,
                                const std::function<bool(std::string_view)>& isDateTerm)
{
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    const auto lettersOnly = [](std::string_view word) {
        return !word.empty() && std::all_of(word.begin(), word.end(), isLetterByte);
    };
    // Words that say which time, not what the date is of ("Date Last Modified", "Date First Seen").
    static constexpr std::string_view kNotThings[] = {"last", "first", "next", "due", "of", "the", "and", "or", "to"};
    const auto isThing = [&](std::string_view word) {
        const std::string folded = foldCase(word);
        return lettersOnly(word)
               && std::find(std::begin(kNotThings), std::end(kNotThings), folded) == std::end(kNotThings)
               && !isParticiple(word);
    };
    if (words.size() < 3 || words.size() > 4 || foldCase(words.front()) != "date" || !lettersOnly(words.back())
        || !std::all_of(words.begin() + 1, words.end() - 1, isThing) || !isParticiple(words.back()))
        return std::string(text);
    const std::string_view thing =
        text.substr(words[1].data() - text.data(),
                    words[words.size() - 2].data() + words[words.size() - 2].size() - words[1].data());
    const std::string of = words.front() == "DATE" ? " OF " : " of ";
    if (isDateTerm("date " + foldCase(words.back())))
        return std::string(words.front()) + " " + std::string(words.back()) + of + std::string(thing);
    return std::string(words.front()) + of + std::string(thing) + " " + std::string(words.back());
}

std::string_view letterRunEndingAt(std::string_view text, std::size_t end)
{
    std::size_t begin = end;
    while (begin > 0 && isLetterByte(text[begin - 1]))
        --begin;
    return text.substr(begin, end - begin);
}

std::string_view letterRunFrom(std::string_view text, std::size_t begin)
{
    std::size_t end = begin;
    while (end < text.size() && isLetterByte(text[end]))
        ++end;
    return text.substr(begin, end - begin);
}

std::string withWordedAmpersands(std::string_view text, std::string_view conjunction,
                                 const std::function<bool(std::string_view)>& isCommonWord)
{
    std::string worded;
    std::size_t done = 0;
    for (auto at = text.find(" & "); at != std::string_view::npos; at = text.find(" & ", at + 1)) {
        const bool afterWord = at > 0 && !isSpace(text[at - 1]);
        const bool beforeSmallLetter = at + 3 < text.size() && text[at + 3] >= 'a' && text[at + 3] <= 'z';
        const auto before = letterRunEndingAt(text, at);
        const auto after = letterRunFrom(text, at + 3);
        const bool betweenCommonWords =
            isCommonWord && before.size() >= 2 && after.size() >= 2 && isCommonWord(before) && isCommonWord(after);
        if (!afterWord || !(beforeSmallLetter || betweenCommonWords))
            continue;
        worded.append(text.substr(done, at + 1 - done)).append(conjunction);
        done = at + 2;
    }
    return worded.append(text.substr(done));
}

bool isSmallAscii(char c)
{
    return c >= 'a' && c <= 'z';
}

bool hasSmallAscii(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), isSmallAscii);
}

namespace {

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool allOf(std::string_view text, bool (*test)(char))
{
    return !text.empty() && std::all_of(text.begin(), text.end(), test);
}

// Up to count words at the start of text, each after one space ("time" of " time (h)").
std::vector<std::string_view> wordsStarting(std::string_view text, std::size_t count)
{
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while (words.size() < count && pos < text.size() && text[pos] == ' ') {
        std::size_t end = ++pos;
        while (end < text.size() && (isWordByte(text[end]) || text[end] == '-'))
            ++end;
        if (end == pos)
            break;
        words.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

// How a hyphenated word is written for the pipeline, or nothing to keep it as it is; after is
// the text that follows it.
std::optional<std::string> resolvedHyphens(std::string_view word, std::string_view after,
                                           const std::function<bool(std::string_view)>& knows)
{
    std::vector<std::string_view> pieces;
    for (std::size_t begin = 0;;) {
        const auto end = word.find('-', begin);
        pieces.push_back(word.substr(begin, end == std::string_view::npos ? end : end - begin));
        if (end == std::string_view::npos)
            break;
        begin = end + 1;
    }
    const bool countAndUnit =
        allOf(pieces.front(), isAsciiDigit) && pieces.size() == 2 && allOf(pieces[1], isSmallAscii);
    if (!countAndUnit) {
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const auto piece = pieces[i];
            // Only the first piece may have a capital, and only as its first letter.
            const std::string_view rest = i == 0 ? piece.substr(1) : piece;
            if (piece.size() < 2 || !isAsciiLetter(piece.front()) || !allOf(rest, isSmallAscii))
                return std::nullopt;
        }
    }
    // Known alone, or as the start of a term of a few words ("in-kind gifts", "cut-off time").
    std::string phrase = foldCase(word);
    if (knows(phrase))
        return std::nullopt;
    for (const auto next : wordsStarting(after, 3)) {
        phrase += ' ';
        phrase += foldCase(next);
        if (knows(phrase))
            return std::nullopt;
    }
    std::string joined;
    for (const auto piece : pieces)
        joined += piece;
    if (!countAndUnit && knows(foldCase(joined)))
        return joined;
    // A prefix is no word of its own: "Re check" reads no better than "Re-check".
    static constexpr std::string_view kPrefixes[] = {"re",    "pre",  "co",    "non",   "un",    "sub",   "anti",
                                                     "multi", "post", "mid",   "semi",  "ex",    "inter", "de",
                                                     "dis",   "mis",  "bi",    "tri",   "mini",  "micro", "auto",
                                                     "pro",   "over", "under", "cross", "intra", "extra", "ultra"};
    if (!countAndUnit
        && std::find(std::begin(kPrefixes), std::end(kPrefixes), foldCase(pieces.front())) != std::end(kPrefixes))
        return std::nullopt;
    std::string spaced(word);
    std::replace(spaced.begin(), spaced.end(), '-', ' ');
    return spaced;
}

}  // namespace

std::string withHyphensResolved(std::string_view text, const std::function<bool(std::string_view)>& knows)
{
    const auto isPieceByte = [](char c) { return isAsciiLetter(c) || isAsciiDigit(c); };
    std::string resolved;
    std::size_t done = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        if (!isPieceByte(text[pos])) {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < text.size()
               && (isPieceByte(text[end])
                   || (text[end] == '-' && end + 1 < text.size() && isPieceByte(text[end + 1]) && end > pos)))
            ++end;
        // A word that runs on into other letters (accents, a dot, an apostrophe) is not one of these.
        const bool wholeWord = (pos == 0 || !isWordByte(text[pos - 1]))
                               && (end == text.size() || !isWordByte(text[end]))
                               && (end == text.size() || (text[end] != '.' && text[end] != '\'' && text[end] != '-'));
        const std::string_view word = text.substr(pos, end - pos);
        if (wholeWord && word.find('-') != std::string_view::npos) {
            if (auto written = resolvedHyphens(word, text.substr(end), knows)) {
                resolved.append(text.substr(done, pos - done)).append(*written);
                done = end;
            }
        }
        pos = end;
    }
    return resolved.append(text.substr(done));
}

std::string withShorthandSpelled(std::string_view text)
{
    using Shorthand = std::pair<std::string_view, std::string_view>;
    // Only a shorthand that stands as a word between words ("Sales w/ VAT", "Stock @ year end"):
    // "w/c", "user@example.com" and a trailing "@" are left alone.
    static constexpr Shorthand kBetweenWords[] = {
        {"w/o", "without"}, {"W/O", "WITHOUT"}, {"w/", "with"}, {"W/", "WITH"}, {"@", "at"}};
    // A whole word anywhere ("Signature req'd", "Req'd fields").
    static constexpr Shorthand kWords[] = {{"req'd", "required"}, {"Req'd", "Required"}, {"REQ'D", "REQUIRED"}};
    // A word that ends the text after another says how the thing stands ("Breakfast incl.":
    // Desayuno incluido; as the preposition before nothing it came out "Desayuno con").
    static constexpr Shorthand kLastWords[] = {
        {"incl.", "included"}, {"INCL.", "INCLUDED"}, {"excl.", "excluded"}, {"EXCL.", "EXCLUDED"}};
    const auto spelledAt = [text](std::size_t pos) -> std::optional<Shorthand> {
        if (pos > 0 && !isSpace(text[pos - 1]))
            return std::nullopt;
        const std::string_view rest = text.substr(pos);
        for (const auto& shorthand : kBetweenWords) {
            if (pos > 0 && rest.starts_with(shorthand.first) && rest.size() > shorthand.first.size()
                && isSpace(rest[shorthand.first.size()]))
                return shorthand;
        }
        for (const auto& shorthand : kWords) {
            if (rest.starts_with(shorthand.first)
                && (rest.size() == shorthand.first.size() || !isWordByte(rest[shorthand.first.size()])))
                return shorthand;
        }
        for (const auto& shorthand : kLastWords) {
            if (pos > 0 && rest == shorthand.first)
                return shorthand;
        }
        return std::nullopt;
    };
    std::string spelled;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (const auto shorthand = spelledAt(pos)) {
            spelled.append(shorthand->second);
            pos += shorthand->first.size();
        } else {
            spelled += text[pos++];
        }
    }
    return spelled;
}

std::string withSpanishShorthandSpelled(std::string_view text)
{
    // The number sign typed with the degree sign, as many keyboards give it ("Expediente N°").
    static constexpr std::string_view kDegree = "\u00b0";
    static constexpr std::string_view kOrdinal = "\u00ba";
    std::string spelled;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::string_view rest = text.substr(pos);
        const bool wordStart = pos == 0 || isSpace(text[pos - 1]);
        if (wordStart && rest.size() > 3 && rest.starts_with("s/") && rest[2] == ' ') {
            spelled += "según";
            pos += 2;
        } else if (wordStart && (rest[0] == 'N' || rest[0] == 'n') && rest.substr(1).starts_with(kDegree)
                   && (rest.size() == 1 + kDegree.size() || !isAsciiLetter(rest[1 + kDegree.size()]))) {
            spelled += rest[0];
            spelled += kOrdinal;
            pos += 1 + kDegree.size();
        } else {
            spelled += text[pos++];
        }
    }
    return spelled;
}

std::string withNumberSignsSpelled(std::string_view text)
{
    const bool inCapitals = !hasSmallAscii(text);
    std::string spelled;
    std::size_t done = 0;
    for (auto at = text.find('#'); at != std::string_view::npos; at = text.find('#', at + 1)) {
        const bool wordStart = at == 0 || isSpace(text[at - 1]);
        const bool wordEnd = at + 1 == text.size() || isSpace(text[at + 1])
                             || std::string_view(":,;)").find(text[at + 1]) != std::string_view::npos;
        if (!wordStart || !wordEnd)
            continue;
        spelled.append(text.substr(done, at - done)).append(inCapitals ? "NO." : "No.");
        done = at + 1;
    }
    return spelled.append(text.substr(done));
}

namespace {

// The length of the alternative that starts at text[at] after the word before it, ending the
// word's own text: an ending ("a", "as", "o", "os") after a word of two letters or more, or the
// other article after an article; 0 when what follows is no such alternative.
std::size_t genderAlternativeAt(std::string_view word, std::string_view text, std::size_t at)
{
    static constexpr std::pair<std::string_view, std::string_view> kArticles[] = {
        {"el", "la"}, {"los", "las"}, {"del", "de la"}, {"al", "a la"}, {"un", "una"}, {"unos", "unas"},
    };
    static constexpr std::string_view kEndings[] = {"a", "as", "o", "os"};
    const auto alternativeOfLength = [&](std::size_t length) {
        const bool ends = at + length == text.size() || !isLetterByte(text[at + length]);
        return ends && (at + length == text.size() || text[at + length] != '/') ? length : 0;
    };
    const std::string folded = foldCase(word);
    for (const auto& [article, other] : kArticles)
        if (folded == article && foldCase(text.substr(at, other.size())) == other)
            return alternativeOfLength(other.size());
    if (word.size() < 2)
        return 0;
    for (const auto ending : kEndings)
        if (foldCase(text.substr(at, ending.size())) == ending && alternativeOfLength(ending.size()) != 0)
            return ending.size();
    return 0;
}

}  // namespace

std::string withoutGenderAlternatives(std::string_view text)
{
    std::string kept;
    std::size_t done = 0;
    for (auto at = text.find_first_of("/("); at != std::string_view::npos; at = text.find_first_of("/(", at + 1)) {
        std::size_t wordBegin = at;
        while (wordBegin > 0 && isLetterByte(text[wordBegin - 1]))
            --wordBegin;
        if (wordBegin == at || (wordBegin > 0 && text[wordBegin - 1] == '/'))
            continue;  // no word before, or one alternative of a list ("Norte/Sur/Este")
        const std::size_t length = genderAlternativeAt(text.substr(wordBegin, at - wordBegin), text, at + 1);
        const bool closed = text[at] == '/' || (at + 1 + length < text.size() && text[at + 1 + length] == ')');
        if (length == 0 || !closed)
            continue;
        kept.append(text.substr(done, at - done));
        done = at + 1 + length + (text[at] == '(' ? 1 : 0);
        at = done - 1;
    }
    return kept.append(text.substr(done));
}

constexpr std::string_view kTurnedQuotes[] = {"\u2018", "\u2019"};

std::string withOpeningQuotesTurned(std::string_view text)
{
    std::string turned;
    std::size_t done = 0;
    for (auto at = text.find('\''); at != std::string_view::npos; at = text.find('\'', at + 1)) {
        const bool opensWord = (at == 0 || isSpace(text[at - 1]) || text[at - 1] == '(') && at + 1 < text.size()
                               && isLetterByte(text[at + 1]);
        if (!opensWord)
            continue;
        // Its closing quote: the next one after a word and before no letter.
        auto close = text.find('\'', at + 2);
        while (close != std::string_view::npos && close + 1 < text.size() && isLetterByte(text[close + 1]))
            close = text.find('\'', close + 1);
        turned.append(text.substr(done, at - done)).append(kTurnedQuotes[0]);
        done = at + 1;
        if (close != std::string_view::npos) {
            turned.append(text.substr(done, close - done)).append(kTurnedQuotes[1]);
            done = close + 1;
            at = close;
        }
    }
    return turned.append(text.substr(done));
}

std::string quotesRestored(std::string_view source, std::string translated)
{
    for (const auto quote : kTurnedQuotes) {
        if (source.find(quote) != std::string_view::npos)
            continue;  // the source's own typographic quotes stay
        for (auto at = translated.find(quote); at != std::string::npos; at = translated.find(quote, at))
            translated.replace(at, quote.size(), "'");
    }
    return translated;
}

std::string withOpeningMarks(std::string_view source, std::string translated)
{
    // A question with its choices in brackets after it ("Approved? (Y/N)") is a question too.
    const auto bracketsAtEnd = [](std::string_view text) {
        return text.ends_with(')') ? text.rfind(" (") : std::string_view::npos;
    };
    const std::size_t sourceBrackets = bracketsAtEnd(source);
    const std::size_t translatedBrackets = bracketsAtEnd(translated);
    if (sourceBrackets != std::string_view::npos && translatedBrackets != std::string_view::npos)
        return withOpeningMarks(source.substr(0, sourceBrackets), translated.substr(0, translatedBrackets))
               + translated.substr(translatedBrackets);
    for (const auto& [closing, opening] : {std::pair{'?', std::string_view("¿")}, {'!', std::string_view("¡")}}) {
        if (source.empty() || source.back() != closing || translated.empty() || translated.back() != closing
            || translated.find(opening) != std::string::npos)
            continue;
        // The sentence that ends with the mark starts after the last sentence end before it.
        const auto before = translated.find_last_of(".!?", translated.size() - 2);
        std::size_t start = before == std::string::npos ? 0 : before + 1;
        while (start < translated.size() && isSpace(translated[start]))
            ++start;
        translated.insert(start, opening);
    }
    return translated;
}

std::vector<std::string_view> splitAt(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

bool isValidUtf8(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        const auto point = decodeAt(text, pos);
        if (!point)
            return false;
        pos += point->length;
    }
    return true;
}

std::string foldCase(std::string_view text)
{
    return recase(text, CaseChange::ToLower, false);
}

std::string caseLike(std::string_view source, std::string_view text)
{
    const LetterCases cases = lettersOf(source);
    if (cases.upper >= 2 && cases.lower == 0 && !initialsOnly(source))
        return recase(text, CaseChange::ToUpper, false);
    if (cases.upper == 0 && cases.lower > 0)
        return recase(text, CaseChange::ToLower, false);
    return recase(text, CaseChange::ToUpper, true);
}

std::string withoutMovedCapitals(std::string_view source, std::string translated,
                                 const std::function<bool(std::string_view)>& knowsSourceWord,
                                 const std::function<bool(std::string_view)>& knowsTargetWord)
{
    const auto firstWord = [](std::string_view text) {
        std::size_t begin = 0;
        while (begin < text.size() && !isLetterByte(text[begin]))
            ++begin;
        std::size_t end = begin;
        while (end < text.size() && isLetterByte(text[end]))
            ++end;
        return std::pair{begin, end - begin};
    };
    const auto [sourceBegin, sourceLength] = firstWord(source);
    const std::string_view sourceWord = source.substr(sourceBegin, sourceLength);
    const auto [begin, length] = firstWord(translated);
    const std::string_view word = std::string_view(translated).substr(begin, length);
    if (!inCapitals(sourceWord) || lettersOf(source).lower == 0 || !knowsSourceWord(foldCase(sourceWord))
        || !inCapitals(word) || source.find(word) != std::string_view::npos)
        return translated;
    const std::string small = foldCase(word);
    if (knowsTargetWord(small))
        translated.replace(begin, length, begin == 0 ? caseLike("Aa", small) : small);
    return translated;
}

std::string withoutStrayCapitals(std::string_view source, std::string translated,
                                 const std::function<bool(std::string_view)>& knowsTargetWord)
{
    constexpr std::size_t kLongWord = 5;
    const auto sourceWords = wordSpans(source, isLetterByte);
    const bool sourceHasCapitals = std::any_of(sourceWords.begin(), sourceWords.end(), [&](const auto& word) {
        return inCapitals(source.substr(word.first, word.second));
    });
    if (lettersOf(source).lower == 0 || sourceHasCapitals)
        return translated;
    const auto words = wordSpans(translated, isLetterByte);
    const auto wordAt = [&](std::size_t i) {
        return std::string_view(translated).substr(words[i].first, words[i].second);
    };
    const auto stray = [&](std::size_t i) { return inCapitals(wordAt(i)) && knowsTargetWord(foldCase(wordAt(i))); };
    const auto spacedFrom = [&](std::size_t i) {  // word i follows word i - 1 after spaces only
        const std::size_t end = words[i - 1].first + words[i - 1].second;
        return std::all_of(translated.begin() + static_cast<std::ptrdiff_t>(end),
                           translated.begin() + static_cast<std::ptrdiff_t>(words[i].first),
                           [](char c) { return c == ' '; });
    };
    const auto startsText = [&](std::size_t i) {
        return std::none_of(translated.begin(), translated.begin() + static_cast<std::ptrdiff_t>(words[i].first),
                            [](char c) { return isWordByte(c); });
    };
    for (std::size_t i = 0; i < words.size();) {
        std::size_t end = i;
        while (end < words.size() && stray(end) && (end == i || spacedFrom(end)))
            ++end;
        const bool longFirst = end == i + 1 && startsText(i) && wordAt(i).size() >= kLongWord;
        if (end >= i + 2 || longFirst) {
            for (std::size_t k = i; k < end; ++k) {
                const std::string small = foldCase(wordAt(k));
                // Folding keeps the length of the words it is asked about; were it not to, the
                // spans after would no longer fit.
                if (small.size() == words[k].second)
                    translated.replace(words[k].first, words[k].second,
                                       k == i && startsText(i) ? caseLike("Aa", small) : small);
            }
        }
        i = std::max(end, i + 1);
    }
    return translated;
}

namespace {

// The byte ranges of text inside brackets or quotes ("Status 'Shipped'", "Mark (Yes/No)"): their
// capitals are values', not a heading's. A quote opens only where no letter comes before it, so
// an apostrophe ("O'Brien", "don't") opens nothing.
std::vector<std::pair<std::size_t, std::size_t>> enclosedSpans(std::string_view text)
{
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (std::size_t at = 0; at < text.size(); ++at) {
        char closing = 0;
        if (text[at] == '(')
            closing = ')';
        else if (text[at] == '[')
            closing = ']';
        else if ((text[at] == '"' || text[at] == '\'') && (at == 0 || !isLetterByte(text[at - 1])))
            closing = text[at];
        if (closing == 0)
            continue;
        std::size_t end = text.find(closing, at + 1);
        if (end == std::string_view::npos)
            end = text.size();
        // One capitalised word in brackets is the heading's own ("Delay (Days)"); values come in
        // quotes or several ("(Open/Closed)", "(High, Low)"), and units decide nothing ("(m³)").
        const auto inner = text.substr(at + 1, end - at - 1);
        const bool oneWord = closing == ')' && !inner.empty() && inner[0] >= 'A' && inner[0] <= 'Z'
                             && std::all_of(inner.begin(), inner.end(), isLetterByte);
        if (!oneWord)
            spans.emplace_back(at, end);
        at = end;
    }
    return spans;
}

// The English words a Title Case heading leaves in small letters ("Date of Birth", "Sales by Region").
bool isSmallTitleWord(std::string_view word)
{
    static constexpr std::string_view kSmallWords[] = {"a",  "an", "and", "as",  "at",  "by", "for", "from", "in",
                                                       "of", "on", "or",  "per", "the", "to", "vs",  "with"};
    return std::find(std::begin(kSmallWords), std::end(kSmallWords), word) != std::end(kSmallWords);
}

bool insideAny(const std::vector<std::pair<std::size_t, std::size_t>>& spans, std::size_t at)
{
    return std::any_of(spans.begin(), spans.end(),
                       [at](const auto& span) { return span.first < at && at < span.second; });
}

}  // namespace

std::string withoutTitleCase(std::string_view source, std::string translated,
                             const std::function<bool(std::string_view)>& knowsWord)
{
    const auto wordsOf = [](std::string_view text) { return wordSpans(text, isLetterByte); };
    const auto capitalised = [](std::string_view word) {
        const LetterCases cases = lettersOf(word);
        return cases.upper == 1 && cases.firstIsLower == false && cases.lower > 0;
    };
    // The heading is the words outside brackets and quotes; those inside decide nothing.
    const auto sourceEnclosed = enclosedSpans(source);
    auto sourceWords = wordsOf(source);
    std::erase_if(sourceWords, [&](const auto& word) { return insideAny(sourceEnclosed, word.first); });
    const auto sourceWord = [&](std::size_t i) { return source.substr(sourceWords[i].first, sourceWords[i].second); };
    // Acronyms and codes ("Q1", "VAT") may stand among the capitalised words, and so may the small
    // letters after a capitalised word's hyphen ("Sign-off", "Check-in") and the short words that
    // headings leave small after their first ("Number of Guests", "Cost per Unit").
    const auto inTitle = [&](std::size_t i) {
        const std::string_view text = sourceWord(i);
        const bool afterHyphen = i > 0
                                 && sourceWords[i].first == sourceWords[i - 1].first + sourceWords[i - 1].second + 1
                                 && source[sourceWords[i].first - 1] == '-' && capitalised(sourceWord(i - 1));
        return capitalised(text) || lettersOf(text).lower == 0 || afterHyphen || (i > 0 && isSmallTitleWord(text));
    };
    std::size_t capitalisedWords = 0;
    bool allInTitle = true;
    for (std::size_t i = 0; i < sourceWords.size(); ++i) {
        capitalisedWords += capitalised(sourceWord(i)) ? 1 : 0;
        allInTitle = allInTitle && inTitle(i);
    }
    // Capitals after a colon or a slash are values' too ("Status: Open", "Yes/No").
    bool wordsAlone = true;
    for (std::size_t at = source.find_first_of(":/"); at != std::string_view::npos;
         at = source.find_first_of(":/", at + 1))
        wordsAlone = wordsAlone && insideAny(sourceEnclosed, at);
    const bool titleCase = wordsAlone && capitalisedWords >= 2 && allInTitle;
    if (!titleCase)
        return translated;
    const auto words = wordsOf(translated);
    const auto translatedEnclosed = enclosedSpans(translated);
    const auto wordAt = [&](std::size_t i) {
        return std::string_view(translated).substr(words[i].first, words[i].second);
    };
    const auto nameWith = [&](std::size_t i, std::size_t j) {
        if (j >= words.size() || !capitalised(wordAt(j)))
            return false;
        const std::size_t first = std::min(i, j), last = std::max(i, j);
        const std::string_view pair =
            std::string_view(translated)
                .substr(words[first].first, words[last].first + words[last].second - words[first].first);
        return knowsWord(pair) && !knowsWord(foldCase(pair));
    };
    std::vector<std::size_t> lowered;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string_view word = wordAt(i);
        const bool own = std::any_of(sourceWords.begin(), sourceWords.end(),
                                     [&](const auto& w) { return source.substr(w.first, w.second) == word; });
        // The end of a range keeps the capital of its start ("Ene-Dic", "Lun-Vie").
        const bool rangeEnd = words[i].first == words[i - 1].first + words[i - 1].second + 1
                              && translated[words[i].first - 1] == '-' && capitalised(wordAt(i - 1));
        // A one-letter word the pipeline wrote in capitals ("Tareas asignadas A mí") is a word too.
        const bool capitalLetter = word.size() == 1 && word[0] >= 'A' && word[0] <= 'Z';
        if ((capitalised(word) || capitalLetter) && !own && !rangeEnd && !insideAny(translatedEnclosed, words[i].first)
            && knowsWord(foldCase(word)) && !nameWith(i, i - 1) && !nameWith(i, i + 1))
            lowered.push_back(i);
    }
    for (auto i = lowered.rbegin(); i != lowered.rend(); ++i)
        translated.replace(words[*i].first, words[*i].second, foldCase(wordAt(*i)));
    return translated;
}

std::string withSpanishClockHalves(std::string text)
{
    static constexpr std::pair<std::string_view, std::string_view> kHalves[] = {
        {"A. M.", "a. m."}, {"P. M.", "p. m."}, {"A. m.", "a. m."}, {"P. m.", "p. m."},
        {"A.M.", "a. m."},  {"P.M.", "p. m."},  {"AM", "a. m."},    {"PM", "p. m."}};
    struct Found {
        std::size_t at, length;
        std::string_view spanish;
    };
    std::vector<Found> found;
    std::string rest;  // the text without them, to tell a heading in capitals
    std::size_t done = 0;
    for (std::size_t at = 1; at + 1 < text.size(); ++at) {
        if (text[at] != ' ' || text[at - 1] < '0' || text[at - 1] > '9')
            continue;
        for (const auto& [written, spanish] : kHalves) {
            const std::size_t end = at + 1 + written.size();
            if (std::string_view(text).substr(at + 1).starts_with(written)
                && (end == text.size() || !isLetterByte(text[end]))) {
                found.push_back({at + 1, written.size(), spanish});
                rest += text.substr(done, at + 1 - done);
                done = end;
                break;
            }
        }
    }
    rest += text.substr(std::min(done, text.size()));
    const LetterCases cases = lettersOf(rest);
    if (cases.lower == 0 && cases.upper > 0)
        return text;
    for (auto half = found.rbegin(); half != found.rend(); ++half)
        text.replace(half->at, half->length, half->spanish);
    return text;
}

std::string acronymSpelledOut(std::string translated, const std::function<bool(std::string_view)>& knowsWord)
{
    struct Word {
        std::size_t begin, length;
        bool known;
    };
    std::vector<Word> words;
    bool spelledOut = false;
    for (std::size_t pos = 0; pos < translated.size();) {
        while (pos < translated.size() && !isLetterByte(translated[pos]))
            ++pos;
        std::size_t end = pos;
        while (end < translated.size() && isLetterByte(translated[end]))
            ++end;
        if (end == pos)
            break;
        const bool known = knowsWord(foldCase(std::string_view(translated).substr(pos, end - pos)));
        spelledOut = spelledOut || (known && end - pos >= 4);
        words.push_back({pos, end - pos, known});
        pos = end;
    }
    if (!spelledOut)
        return translated;
    // From the last word back, so that a word whose small letters take other bytes moves none
    // still to be done.
    for (std::size_t i = words.size(); i-- > 0;) {
        if (!words[i].known)
            continue;
        const std::string small = foldCase(std::string_view(translated).substr(words[i].begin, words[i].length));
        translated.replace(words[i].begin, words[i].length, i == 0 ? caseLike("Aa", small) : small);
    }
    return translated;
}

}  // namespace veltrano::pagehost
