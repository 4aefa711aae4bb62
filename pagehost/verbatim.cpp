#include "pagehost/verbatim.h"

#include "pagehost/text_shape.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace veltrano::pagehost {
namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isAsciiAlpha(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

bool isWebAddress(std::string_view token)
{
    return startsWith(token, "http://") || startsWith(token, "https://") || startsWith(token, "ftp://")
           || (startsWith(token, "www.") && token.size() > 4);
}

bool isMailAddress(std::string_view token)
{
    const auto at = token.find('@');
    if (at == 0 || at == std::string_view::npos || token.find('@', at + 1) != std::string_view::npos)
        return false;
    const auto dot = token.find('.', at);
    return dot != std::string_view::npos && dot > at + 1 && dot + 1 < token.size();
}

bool isFilePath(std::string_view token)
{
    if (token.size() >= 3 && isAsciiAlpha(token[0]) && token[1] == ':' && (token[2] == '\\' || token[2] == '/'))
        return true;
    if (startsWith(token, "\\\\") || startsWith(token, "~/"))
        return true;
    // "/home/ana/x.xlsx", but not "and/or" or a lone "/".
    return token.size() > 2 && token[0] == '/' && token.find('/', 1) != std::string_view::npos
           && token.find('/', 1) + 1 < token.size();
}

// A count and its unit that qualify what follows ("30-day trial", "24-hour support"): digits, a
// hyphen and a word in small letters, which are words the pipeline translates.
bool isCountAndUnit(std::string_view token)
{
    const auto hyphen = token.find('-');
    if (hyphen == 0 || hyphen == std::string_view::npos || token.size() - hyphen < 3)
        return false;
    const auto count = token.substr(0, hyphen);
    const auto unit = token.substr(hyphen + 1);
    return std::all_of(count.begin(), count.end(), [](char c) { return isDigit(c); })
           && std::all_of(unit.begin(), unit.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// Letters followed by digits (SKU12345, A1B2), or parts joined by - _ / . with a digit among them
// (INV-2024-00317, 2024/25, v2.1, ISO-9001). Words that merely hold a number ("3rd", "24h",
// "5kg") are left to the pipeline, which translates them, and so is a decimal number ("3.5"),
// which it reads as a number: carried past it as a code, the number stops being a word and the
// words around it are read as one compound ("Weight 3.5 kg" came out "Kg 3.5 de peso").
bool isCode(std::string_view token)
{
    bool letter = false, digit = false, joiner = false, digitAfterLetter = false;
    for (const char c : token) {
        if (isAsciiAlpha(c)) {
            letter = true;
        } else if (isDigit(c)) {
            digit = true;
            digitAfterLetter = digitAfterLetter || letter;
        } else if (c == '-' || c == '_' || c == '/' || c == '.') {
            joiner = true;
        } else {
            return false;
        }
    }
    const bool decimal = !letter && std::count(token.begin(), token.end(), '.') == 1
                         && token.find_first_of("-_/") == std::string_view::npos && isDigit(token.front())
                         && isDigit(token.back());
    return digit && (joiner || digitAfterLetter) && !decimal && !isCountAndUnit(token);
}

// An amount that the pipeline cuts into parts that a rule may move apart ("$1,234.56" read as
// "$", "1,234", "." and "56" came out "1,234 $.56"): a number with two separators or more
// ("1,234.56", "1.234.567"), or a currency's amount with a letter after it ("$2.5M", "€5k"),
// with or without a sign.
bool isCuttableAmount(std::string_view token)
{
    static constexpr std::string_view kCurrencies[] = {"$", "€", "£", "¥"};
    const auto strip = [&](bool front) {
        for (const auto currency : kCurrencies) {
            const bool found = front ? token.starts_with(currency) : token.ends_with(currency);
            if (found) {
                token = front ? token.substr(currency.size()) : token.substr(0, token.size() - currency.size());
                return true;
            }
        }
        return false;
    };
    if (!token.empty() && (token.front() == '-' || token.front() == '+'))
        token.remove_prefix(1);
    const bool currencyBefore = strip(true);
    const bool currencyAfter = strip(false);
    const bool currency = currencyBefore || currencyAfter;
    if (token.empty() || !isDigit(token.front()))
        return false;
    std::size_t separators = 0, at = 0;
    for (; at < token.size() && (isDigit(token[at]) || token[at] == ',' || token[at] == '.'); ++at)
        separators += token[at] == ',' || token[at] == '.';
    const std::string_view suffix = token.substr(at);
    if (!std::all_of(suffix.begin(), suffix.end(), isAsciiAlpha) || !isDigit(token[at - 1]))
        return false;
    return suffix.empty() ? separators >= 2 : currency;
}

// A formula as people type one in a cell: "=" or "+" and then a name or a reference with "(".
bool readsAsFormula(std::string_view text)
{
    if (text.size() < 2 || (text[0] != '=' && text[0] != '+'))
        return false;
    const auto rest = text.substr(1);
    return rest.find('(') != std::string_view::npos || std::any_of(rest.begin(), rest.end(), isDigit)
           || rest.find('!') != std::string_view::npos;
}

// The token without the punctuation that may close a sentence or clause after an address.
std::string_view withoutClosingPunctuation(std::string_view token)
{
    while (!token.empty() && std::string_view(".,;:!?)]}\"'").find(token.back()) != std::string_view::npos)
        token.remove_suffix(1);
    return token;
}

std::string_view withoutOpeningPunctuation(std::string_view token, std::size_t& skipped)
{
    skipped = 0;
    while (skipped < token.size() && std::string_view("([{\"'").find(token[skipped]) != std::string_view::npos)
        ++skipped;
    return token.substr(skipped);
}

bool keptAsItIs(std::string_view token)
{
    // A tilde ("~5 days") is the mark the pipeline's last step acts on, which drops it.
    return isWebAddress(token) || isMailAddress(token) || isFilePath(token) || isCode(token) || isCuttableAmount(token)
           || token.find('~') != std::string_view::npos;
}

// A whitespace-delimited token: where its word (the token without the punctuation that opens
// or closes it) starts in the text, the word, and whether punctuation closed it.
struct Token {
    std::size_t begin = 0;
    std::string_view word;
    bool closed = false;
};

std::vector<Token> tokensOf(std::string_view text)
{
    std::vector<Token> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
        const std::size_t start = pos;
        while (pos < text.size() && !isSpace(text[pos]))
            ++pos;
        std::size_t skipped = 0;
        const auto opened = withoutOpeningPunctuation(text.substr(start, pos - start), skipped);
        const auto word = withoutClosingPunctuation(opened);
        if (!word.empty())
            tokens.push_back({start + skipped, word, word.size() < opened.size()});
    }
    return tokens;
}

// The words that end a company's name ("Acme Ltd", "Talleres Pérez S.L."), without their dots.
bool isCompanyDesignator(std::string_view word)
{
    static constexpr std::string_view kDesignators[] = {"Ltd",   "LTD",   "Inc", "INC",   "LLC", "LLP", "PLC", "plc",
                                                        "Corp",  "CORP",  "Co",  "GmbH",  "AG",  "S.A", "S.L", "S.L.U",
                                                        "S.A.U", "SA",    "SL",  "SLU",   "SAU", "B.V", "BV",  "N.V",
                                                        "NV",    "S.p.A", "SpA", "S.R.L", "SRL", "Pty", "Ltda"};
    return std::find(std::begin(kDesignators), std::end(kDesignators), word) != std::end(kDesignators);
}

// The small words a company's name may hold between its capitalised ones.
bool isNameJoiner(std::string_view word)
{
    // Not "de" or "of": a capitalised word before them is more often a label's own ("Pedido de
    // Talleres Pérez S.L.") than a part of the name.
    static constexpr std::string_view kJoiners[] = {"&", "and", "y", "e"};
    return std::find(std::begin(kJoiners), std::end(kJoiners), word) != std::end(kJoiners);
}

bool startsCapitalised(std::string_view word)
{
    return startsWithCapital(word) || isDigit(word.front());
}

// Whether the tokens are a company's name and nothing else: capitalised words (up to five, with
// the small words that join them) and a designator. Only a whole text: inside a sentence, the
// capitalised word before a name is as often the sentence's own ("Pay Blue Fish Co by Friday").
bool isCompanyName(const std::vector<Token>& tokens)
{
    constexpr std::size_t kMostNameWords = 5;
    if (tokens.size() < 2 || tokens.size() > kMostNameWords + 1 || !isCompanyDesignator(tokens.back().word)
        || !startsCapitalised(tokens.front().word))
        return false;
    return std::all_of(tokens.begin(), tokens.end() - 1, [](const Token& token) {
        return !token.closed && (startsCapitalised(token.word) || isNameJoiner(token.word));
    });
}

// A company's name inside a longer text ("Invoice to Delta Foods Inc.", "Cliente: Talleres Pérez
// S.L."): capitalised words (up to five, with the small words that join them) before a
// designator, after a word that is not part of the name: a small word or one closed by
// punctuation. A name the text starts with is left to the pipeline unless a colon or a comma
// follows it, as its first capitalised word may be the text's own ("Pay Blue Fish Co by Friday").
std::vector<VerbatimSpan> companyNamesIn(std::string_view text, const std::vector<Token>& tokens)
{
    constexpr std::size_t kMostNameWords = 5;
    std::vector<VerbatimSpan> spans;
    for (std::size_t last = 1; last < tokens.size(); ++last) {
        if (!isCompanyDesignator(tokens[last].word))
            continue;
        std::size_t first = last;
        while (first > 0 && last - first < kMostNameWords && !tokens[first - 1].closed
               && (startsCapitalised(tokens[first - 1].word) || isNameJoiner(tokens[first - 1].word)))
            --first;
        while (first < last && isNameJoiner(tokens[first].word))
            ++first;
        std::size_t end = tokens[last].begin + tokens[last].word.size();
        if (end < text.size() && text[end] == '.')
            ++end;  // "Inc.", "S.L.": the designator's own dot
        // A name the text starts with counts where a colon or a comma ends it ("Acme Ltd: paid").
        const bool headed = first == 0 && end < text.size() && (text[end] == ':' || text[end] == ',');
        if (first == last || (first == 0 && !headed)
            || (first > 0 && !tokens[first - 1].closed && startsCapitalised(tokens[first - 1].word)))
            continue;
        spans.push_back({tokens[first].begin, end - tokens[first].begin});
    }
    return spans;
}

bool isOneOf(std::string_view word, std::initializer_list<std::string_view> words)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

bool hasDigit(std::string_view word)
{
    return std::any_of(word.begin(), word.end(), isDigit);
}

// The word a Spanish address starts with ("C/ Mayor 12", "Avda. de la Constitución 23"), written
// as people write it, without its dot.
bool isSpanishStreetType(std::string_view word)
{
    return isOneOf(word,
                   {"C/",        "c/",        "Calle",        "calle",  "Avda",   "avda",     "Av",       "Avenida",
                    "avenida",   "Pza",       "Plaza",        "plaza",  "Pº",     "Paseo",    "paseo",    "Ctra",
                    "Carretera", "carretera", "Camino",       "camino", "Ronda",  "Travesía", "Trav",     "Glorieta",
                    "Rambla",    "Urb",       "Urbanización", "Pje",    "Pasaje", "Vía",      "Polígono", "Pol"});
}

// The word an English address's street ends with ("45 High Street", "123 Main St.").
bool isEnglishStreetType(std::string_view word)
{
    return isOneOf(word, {"St",      "Street", "Ave",      "Avenue", "Rd",      "Road", "Blvd",    "Boulevard",
                          "Ln",      "Lane",   "Dr",       "Drive",  "Way",     "Ct",   "Court",   "Pl",
                          "Place",   "Sq",     "Square",   "Ter",    "Terrace", "Hwy",  "Highway", "Pkwy",
                          "Parkway", "Cres",   "Crescent", "Close",  "Row",     "Mews", "Grove"});
}

// A street's number: "12", "12B", "12-14", or "s/n" (no number).
bool isStreetNumber(std::string_view word)
{
    return (!word.empty() && isDigit(word.front())) || word == "s/n";
}

// The words a street's name may hold between its capitalised ones ("Paseo de la Castellana").
bool isStreetNameJoiner(std::string_view word)
{
    return isOneOf(word, {"de", "del", "la", "las", "los", "el", "y"});
}

// What may follow a street's number in the same address: floor, door and postal code ("3º B",
// "2.º izda.", "28001"), but no word of the text around it.
bool isAddressDetail(std::string_view word)
{
    return hasDigit(word)
           || isOneOf(word, {"izda", "izq", "dcha", "der", "bajo", "Bajo", "ático", "pta", "puerta", "esc", "Suite",
                             "Apt", "Unit", "Floor", "Piso", "piso", "Local", "local"})
           || (word.size() == 1 && std::isupper(static_cast<unsigned char>(word.front())));
}

// Up to three capitalised words (a town) after a postal code or after an English street and
// its comma; returns the index after them.
std::size_t afterTown(const std::vector<Token>& tokens, std::size_t at)
{
    const std::size_t start = at;
    while (at < tokens.size() && at - start < 3 && startsWithCapital(tokens[at].word) && !hasDigit(tokens[at].word)) {
        ++at;
        if (tokens[at - 1].closed)
            break;
    }
    return at;
}

// The tokens of a Spanish address starting at tokens[first], a street's type: its name (up to
// five words, one capitalised at least), its number, and the details after it; 0 when they are
// not an address, else the index after its last token.
std::size_t spanishAddressEnd(const std::vector<Token>& tokens, std::size_t first)
{
    constexpr std::size_t kMostNameWords = 5;
    std::size_t at = first + 1;
    bool capitalised = false;
    while (at < tokens.size() && at - first <= kMostNameWords && !isStreetNumber(tokens[at].word)) {
        const auto& token = tokens[at];
        const bool commaBeforeNumber = token.closed && at + 1 < tokens.size() && isStreetNumber(tokens[at + 1].word);
        if ((token.closed && !commaBeforeNumber) || !(startsWithCapital(token.word) || isStreetNameJoiner(token.word)))
            return 0;
        capitalised = capitalised || startsWithCapital(token.word);
        ++at;
    }
    if (!capitalised || at >= tokens.size() || !isStreetNumber(tokens[at].word))
        return 0;
    ++at;
    while (at < tokens.size() && isAddressDetail(tokens[at].word)) {
        const bool postalCode =
            tokens[at].word.size() == 5 && std::all_of(tokens[at].word.begin(), tokens[at].word.end(), isDigit);
        ++at;
        if (postalCode)
            return afterTown(tokens, at);
    }
    return at;
}

// The tokens of an English address starting at tokens[first], a street's number: the street's
// capitalised words ending in its type, then after a comma a unit, a town, a state and a postal
// code; 0 when they are not an address, else the index after its last token.
std::size_t englishAddressEnd(const std::vector<Token>& tokens, std::size_t first)
{
    constexpr std::size_t kMostNameWords = 4;
    std::size_t at = first + 1;
    while (at < tokens.size() && at - first <= kMostNameWords && startsWithCapital(tokens[at].word)
           && !isEnglishStreetType(tokens[at].word) && !tokens[at].closed)
        ++at;
    if (at == first + 1 || at >= tokens.size() || !isEnglishStreetType(tokens[at].word))
        return 0;
    ++at;
    if (!tokens[at - 1].closed)
        return at;
    while (at < tokens.size() && isAddressDetail(tokens[at].word) && !isOneOf(tokens[at].word, {"A", "I"}))
        ++at;
    at = afterTown(tokens, at);
    while (
        at < tokens.size()
        && (hasDigit(tokens[at].word)
            || (tokens[at].word.size() == 2 && std::all_of(tokens[at].word.begin(), tokens[at].word.end(), [](char c) {
                    return std::isupper(static_cast<unsigned char>(c));
                }))))
        ++at;
    return at;
}

// Postal addresses ("Calle Real 14, 28001 Madrid", "Ship to: 45 High Street, London"): a street's
// name is a name, and an address goes on an envelope as it is written.
std::vector<VerbatimSpan> addressesIn(std::string_view text, const std::vector<Token>& tokens)
{
    std::vector<VerbatimSpan> spans;
    for (std::size_t first = 0; first < tokens.size(); ++first) {
        std::size_t end = 0;
        if (isSpanishStreetType(tokens[first].word))
            end = spanishAddressEnd(tokens, first);
        else if (isStreetNumber(tokens[first].word) && tokens[first].word != "s/n")
            end = englishAddressEnd(tokens, first);
        if (end == 0)
            continue;
        std::size_t stop = tokens[end - 1].begin + tokens[end - 1].word.size();
        if (stop < text.size() && text[stop] == '.' && !isDigit(tokens[end - 1].word.back()))
            ++stop;  // an abbreviation's dot ("Main St.", "2.º izda.")
        spans.push_back({tokens[first].begin, stop - tokens[first].begin});
        first = end - 1;
    }
    return spans;
}

// The placeholders of a template ("Dear {FirstName}", "{{customer}} balance"): braces around a
// name on one line, which a mail merge or a script fills in and which must keep their spelling.
std::vector<VerbatimSpan> placeholdersIn(std::string_view text)
{
    constexpr std::size_t kLongestName = 40;
    std::vector<VerbatimSpan> spans;
    for (auto open = text.find('{'); open != std::string_view::npos; open = text.find('{', open + 1)) {
        const std::size_t nameBegin = text.find_first_not_of('{', open);
        const std::size_t close = text.find('}', open);
        if (nameBegin == std::string_view::npos || close == std::string_view::npos || close == nameBegin
            || close - nameBegin > kLongestName
            || text.substr(nameBegin, close - nameBegin).find_first_of("{\n") != std::string_view::npos)
            continue;
        const std::size_t end = std::min(text.find_first_not_of('}', close), text.size());
        spans.push_back({open, end - open});
        open = end - 1;
    }
    return spans;
}

}  // namespace

std::vector<VerbatimSpan> verbatimSpans(std::string_view text)
{
    if (readsAsFormula(text))
        return {{0, text.size()}};
    const auto tokens = tokensOf(text);
    if (isCompanyName(tokens))
        return {{0, text.size()}};
    std::vector<VerbatimSpan> spans = placeholdersIn(text);
    const auto overlaps = [&](std::size_t begin, std::size_t length) {
        return std::any_of(spans.begin(), spans.end(), [&](const VerbatimSpan& span) {
            return begin < span.begin + span.length && span.begin < begin + length;
        });
    };
    // A company's name that ends an address's town ("12 Main St, Acme Ltd") is kept once.
    for (const auto& found : {addressesIn(text, tokens), companyNamesIn(text, tokens)}) {
        for (const auto& span : found) {
            if (!overlaps(span.begin, span.length))
                spans.push_back(span);
        }
    }
    for (const auto& token : tokens) {
        if (!overlaps(token.begin, token.word.size()) && keptAsItIs(token.word))
            spans.push_back({token.begin, token.word.size()});
    }
    std::sort(spans.begin(), spans.end(),
              [](const VerbatimSpan& a, const VerbatimSpan& b) { return a.begin < b.begin; });
    return spans;
}

std::vector<VerbatimSpan> dottedInitialismsIn(std::string_view text)
{
    const auto isCapital = [](char c) { return c >= 'A' && c <= 'Z'; };
    std::vector<VerbatimSpan> spans;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!isCapital(text[at]) || (at > 0 && isWordByte(text[at - 1])))
            continue;
        std::size_t end = at;
        std::size_t letters = 0;
        while (end + 1 < text.size() && isCapital(text[end]) && text[end + 1] == '.') {
            end += 2;
            ++letters;
        }
        if (end < text.size() && isCapital(text[end]) && (end + 1 == text.size() || !isWordByte(text[end + 1]))) {
            ++end;  // the last letter without its dot ("S.A")
            ++letters;
        }
        if (letters >= 2 && (end == text.size() || !isWordByte(text[end])))
            spans.push_back({at, end - at});
        at = std::max(at, end);
    }
    return spans;
}

std::vector<VerbatimSpan> ampersandNamesIn(std::string_view text,
                                           const std::function<bool(std::string_view)>& isCommonWord)
{
    std::vector<VerbatimSpan> spans;
    for (auto at = text.find(" & "); at != std::string_view::npos; at = text.find(" & ", at + 1)) {
        const auto before = letterRunEndingAt(text, at);
        const auto after = letterRunFrom(text, at + 3);
        const std::size_t begin = at - before.size();
        const std::size_t end = at + 3 + after.size();
        const bool wordsAround = (begin == 0 || isSpace(text[begin - 1]) || text[begin - 1] == '(')
                                 && (end == text.size() || !isWordByte(text[end]));
        if (!wordsAround || before.size() < 2 || after.size() < 2 || !startsWithCapital(before)
            || !startsWithCapital(after) || (isCommonWord(before) && isCommonWord(after)))
            continue;
        if (!spans.empty() && spans.back().begin + spans.back().length > begin)
            continue;
        spans.push_back({begin, end - begin});
    }
    return spans;
}

std::vector<VerbatimSpan> spanishArticleNamesIn(std::string_view text)
{
    static constexpr std::string_view kArticles[] = {"El", "La", "Los", "Las"};
    static constexpr std::string_view kJoiners[] = {"De", "Del", "Y", "E", "En", "Con", "Por", "Para", "A", "Al"};
    const auto isOneOf = [](const auto& list, std::string_view word) {
        return std::find(std::begin(list), std::end(list), word) != std::end(list);
    };
    const auto tokens = tokensOf(text);
    // A heading that gives its joining words capitals too ("Total De Las Ventas") gives them to
    // its articles as well.
    if (std::any_of(tokens.begin(), tokens.end(), [&](const Token& token) { return isOneOf(kJoiners, token.word); }))
        return {};
    std::vector<VerbatimSpan> spans;
    for (std::size_t at = 1; at + 1 < tokens.size(); ++at) {
        if (!isOneOf(kArticles, tokens[at].word) || tokens[at].closed)
            continue;
        std::size_t last = at;
        while (last + 1 < tokens.size() && !tokens[last].closed && startsWithCapital(tokens[last + 1].word)
               && !isOneOf(kArticles, tokens[last + 1].word))
            ++last;
        if (last == at)
            continue;
        const std::size_t end = tokens[last].begin + tokens[last].word.size();
        spans.push_back({tokens[at].begin, end - tokens[at].begin});
        at = last;
    }
    return spans;
}

}  // namespace veltrano::pagehost
