#include "pagehost/glossary.h"

#include "pagehost/text_shape.h"

#include <algorithm>
#include <cctype>

namespace veltrano::pagehost {
namespace {

// Whether term has a run of ASCII digits with a space or the term's end on each side: the
// numbers that texts sharing one translation through a template differ in.
bool holdsStandaloneNumber(std::string_view term)
{
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t at = 0; at < term.size(); ++at) {
        if (!isDigit(term[at]))
            continue;
        std::size_t end = at;
        while (end < term.size() && isDigit(term[end]))
            ++end;
        if ((at == 0 || term[at - 1] == ' ') && (end == term.size() || term[end] == ' '))
            return true;
        at = end;
    }
    return false;
}

constexpr std::string_view kKeepAsIs = "=";
constexpr std::string_view kWholeCellOnly = "cell";

// A word of a person's name: letters (and "-" or "'"), the first a capital, some small ones
// ("Price", "O'Neill", "García-Vela"; not "PRICE", "price" or "B2").
bool isNameWord(std::string_view word)
{
    if (!startsWithCapital(word))
        return false;
    bool small = false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const auto byte = static_cast<unsigned char>(word[i]);
        if (byte >= 'a' && byte <= 'z')
            small = true;
        else if (byte == 0xC3 && i + 1 < word.size() && static_cast<unsigned char>(word[i + 1]) > 0x9E)
            small = true;
        else if (!(byte >= 'A' && byte <= 'Z') && byte < 0x80 && byte != '-' && byte != '\'')
            return false;
    }
    return small;
}

bool isBlankByte(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Why a glossary line cannot be an entry; empty when it can. A NUL would end the pipeline's
// segment inside a text and bytes that are not UTF-8 would end the pipeline itself, so such a
// line is refused like any malformed one.
std::string lineProblem(std::string_view line, const std::vector<std::string_view>& columns)
{
    if (line.find('\0') != std::string_view::npos)
        return "holds a NUL character";
    if (!isValidUtf8(line))
        return "is not valid UTF-8";
    if (std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; }))
        return "holds a control character";
    if (columns.size() < 2)
        return "expected a term, a tab and its translation";
    if (columns.size() > 3)
        return "more than three tab-separated columns";
    if (shapeOf(columns[0]).core.empty() || shapeOf(columns[1]).core.empty())
        return "empty term or translation";
    if (columns.size() == 3 && shapeOf(columns[2]).core != kWholeCellOnly)
        return "third column must be \"cell\" or absent";
    return {};
}

// A word that comes before a person's name ("Mrs. Brown", "Sra. Blanco", "Dr. Fox"). Not "Sr",
// which in English is the senior of a job ("Sr Accountant").
bool isTitle(std::string_view word)
{
    static constexpr std::string_view kTitles[] = {"Mr",  "Mrs",  "Ms",  "Miss", "Dr",   "Prof",
                                                   "Sra", "Srta", "Dña", "Don",  "Doña", "Dra"};
    return std::find(std::begin(kTitles), std::end(kTitles), word) != std::end(kTitles);
}

// A capital letter and its dot that start a person's name ("by J. Smith", "Firma: A. Pino"):
// after a colon or a word that leads to a person, and before a space. Not at the start of a
// text, where it is as often a section's letter ("A. Introduction").
bool isInitialOfName(std::string_view text, std::size_t begin, std::size_t end)
{
    if (end != begin + 1 || !(text[begin] >= 'A' && text[begin] <= 'Z') || end + 2 >= text.size() || text[end] != '.'
        || text[end + 1] != ' ' || begin < 2 || text[begin - 1] != ' ')
        return false;
    if (text[begin - 2] == ':')
        return true;
    const std::size_t wordEnd = begin - 1;
    std::size_t wordBegin = wordEnd;
    while (wordBegin > 0 && isWordByte(text[wordBegin - 1]))
        --wordBegin;
    static constexpr std::string_view kLeads[] = {"by",  "to", "from", "for",  "with", "and", "Attn",     "Dear",
                                                  "por", "de", "a",    "para", "con",  "y",   "Estimado", "Estimada"};
    const std::string_view previous = text.substr(wordBegin, wordEnd - wordBegin);
    return std::find(std::begin(kLeads), std::end(kLeads), previous) != std::end(kLeads);
}

// A small letter followed by a capital inside a word: a brand's or a product's spelling
// ("iPhone", "LinkedIn", "PowerPoint"), which no word of either language has.
bool hasCapitalInside(std::string_view word)
{
    for (std::size_t i = 1; i < word.size(); ++i) {
        if (std::islower(static_cast<unsigned char>(word[i - 1])) && std::isupper(static_cast<unsigned char>(word[i])))
            return true;
    }
    return false;
}

}  // namespace

void Glossary::addTsv(std::string_view text, std::string_view origin, std::vector<std::string>& problems)
{
    std::size_t lineNumber = 0;
    for (std::string_view line : splitAt(text, '\n')) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (shapeOf(line).core.empty() || line.front() == '#')
            continue;
        const auto columns = splitAt(line, '\t');
        if (const auto problem = lineProblem(line, columns); !problem.empty()) {
            problems.push_back(std::string(origin) + ":" + std::to_string(lineNumber) + ": " + problem);
            continue;
        }
        const std::string_view source = shapeOf(columns[0]).core;
        const std::string_view translation = shapeOf(columns[1]).core;
        std::string key = foldCase(source);
        m_longestTerm = std::max(m_longestTerm, key.size());
        m_hasStandaloneNumber = m_hasStandaloneNumber || holdsStandaloneNumber(key);
        m_entries[std::move(key)] =
            Entry{translation == kKeepAsIs ? std::string() : std::string(translation), columns.size() == 3};
    }
}

void Glossary::addCapitalWords(std::string_view text)
{
    for (std::string_view line : splitAt(text, '\n')) {
        const auto columns = splitAt(line, '\t');
        const std::string_view word = shapeOf(columns.front()).core;
        if (word.empty() || word.front() == '#' || !isValidUtf8(word))
            continue;
        CapitalWord capital{std::string(word), {}};
        if (columns.size() > 1) {
            for (const std::string_view sourceWord : splitAt(columns[1], ' '))
                if (!sourceWord.empty())
                    capital.onlyAfter.emplace_back(sourceWord);
        }
        m_capitalWords[foldCase(word)] = std::move(capital);
    }
}

void Glossary::addGivenNames(std::string_view text)
{
    for (std::string_view line : splitAt(text, '\n')) {
        const std::string_view name = shapeOf(line).core;
        if (!name.empty() && name.front() != '#' && isValidUtf8(name))
            m_givenNames.emplace(name);
    }
}

bool Glossary::isPersonName(std::string_view text) const
{
    constexpr std::size_t kMostWords = 4;
    const auto words = splitAt(text, ' ');
    if (words.size() < 2 || words.size() > kMostWords || !m_givenNames.count(std::string(words.front())))
        return false;
    const auto isInitial = [](std::string_view word) {
        return word.size() == 2 && word[0] >= 'A' && word[0] <= 'Z' && word[1] == '.';
    };
    return std::all_of(words.begin() + 1, words.end(),
                       [&](std::string_view word) { return isNameWord(word) || isInitial(word); })
           && isNameWord(words.front()) && !isInitial(words.back());
}

std::vector<GlossaryTerm> Glossary::titledNamesIn(std::string_view text) const
{
    auto names = namesIn(text);
    std::erase_if(names, [&](const GlossaryTerm& name) {
        std::string_view before = text.substr(0, name.begin);
        while (!before.empty() && (before.back() == ' ' || before.back() == '.'))
            before.remove_suffix(1);
        const std::size_t wordStart = before.find_last_of(" :(");
        return !isTitle(before.substr(wordStart == std::string_view::npos ? 0 : wordStart + 1));
    });
    return names;
}

std::vector<GlossaryTerm> Glossary::namesIn(std::string_view text) const
{
    std::vector<GlossaryTerm> names;
    bool first = true;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = pos;
        while (end < text.size() && isWordByte(text[end]))
            ++end;
        if (end == pos) {
            ++pos;
            continue;
        }
        const std::string word(text.substr(pos, end - pos));
        const bool titled = (isTitle(word) && end + 1 < text.size() && (text[end] == ' ' || text[end] == '.'))
                            || isInitialOfName(text, pos, end);
        if (titled) {
            // The surname or the names after a title ("Mrs. Brown", "Sra. Blanco"); the title
            // itself is translated.
            const std::size_t begin = text.find_first_not_of(". ", end);
            std::size_t stop = begin;
            constexpr int kMostNames = 3;
            for (int words = 0; words < kMostNames && stop < text.size(); ++words) {
                std::size_t next = stop;
                while (next < text.size() && isWordByte(text[next]))
                    ++next;
                if (next == stop || !isNameWord(text.substr(stop, next - stop)))
                    break;
                end = next;
                if (next >= text.size() || text[next] != ' ')
                    break;
                stop = next + 1;
            }
            if (end > begin && begin != std::string_view::npos)
                names.push_back({begin, end - begin, std::string(text.substr(begin, end - begin))});
        } else if (!first && m_givenNames.count(word)) {
            // The surnames after it, so that the pipeline does not translate one left alone ("Tom Panadero").
            constexpr int kMostSurnames = 3;
            for (int surnames = 0; surnames < kMostSurnames && end < text.size() && text[end] == ' '; ++surnames) {
                std::size_t next = end + 1;
                while (next < text.size() && isWordByte(text[next]))
                    ++next;
                if (!isNameWord(text.substr(end + 1, next - end - 1)))
                    break;
                end = next;
            }
            names.push_back({pos, end - pos, std::string(text.substr(pos, end - pos))});
        }
        first = false;
        pos = end;
    }
    return names;
}

std::string Glossary::withCapitalWords(std::string text, std::string_view source) const
{
    std::unordered_map<std::string, std::string> names;     // by the case-folded name
    std::unordered_map<std::string_view, int> sourceWords;  // as written, with how often
    for (const auto& [begin, length] : wordSpans(source, isWordByte)) {
        const std::string_view word = source.substr(begin, length);
        if (m_givenNames.count(std::string(word)) || hasCapitalInside(word))
            names[foldCase(word)] = std::string(word);
        ++sourceWords[word];
    }
    if (m_capitalWords.empty() && names.empty())
        return text;
    const auto spans = wordSpans(text, isWordByte);
    std::vector<std::string> folded;
    std::unordered_map<std::string_view, int> foldedCounts;
    folded.reserve(spans.size());
    for (const auto& [begin, length] : spans)
        folded.push_back(foldCase(std::string_view(text).substr(begin, length)));
    for (const auto& word : folded)
        ++foldedCounts[word];
    // A word also written in small letters takes capitals only as often as the source has words
    // that call for them: "Send it to IT" keeps its "it".
    const auto calledFor = [&](const CapitalWord& capital, const std::string& word) {
        if (capital.onlyAfter.empty())
            return true;
        int calls = 0;
        for (const auto& sourceWord : capital.onlyAfter)
            if (const auto found = sourceWords.find(sourceWord); found != sourceWords.end())
                calls += found->second;
        return calls >= foldedCounts[word];
    };
    const auto spellingOf = [&](const std::string& word) -> const std::string* {
        if (const auto found = m_capitalWords.find(word); found != m_capitalWords.end())
            return calledFor(found->second, word) ? &found->second.spelling : nullptr;
        const auto found = names.find(word);
        return found == names.end() ? nullptr : &found->second;
    };
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const auto [begin, length] = spans[i];
        const std::string* spelling = spellingOf(folded[i]);
        // Folding keeps a word's length in bytes only where the case pairs are of one length;
        // a word that changed length is left alone, and so the spans after it stay right.
        if (spelling && spelling->size() == length)
            text.replace(begin, length, *spelling);
    }
    return text;
}

std::optional<std::string> Glossary::wholeText(std::string_view text) const
{
    if (text.size() > m_longestTerm)
        return std::nullopt;
    const auto found = m_entries.find(foldCase(text));
    if (found == m_entries.end())
        return std::nullopt;
    return replacementFor(text, found->second);
}

std::vector<GlossaryTerm> Glossary::termsIn(std::string_view text) const
{
    std::vector<GlossaryTerm> terms;
    const std::string folded = foldCase(text);
    // Offsets in the folded text stand for the same characters in text only when folding kept
    // every character's length, as it does for the Latin letters of both languages.
    if (m_entries.empty() || folded.size() != text.size())
        return terms;
    for (std::size_t begin = 0; begin < text.size();) {
        const bool atWordStart = !isBlankByte(text[begin]) && (begin == 0 || !isWordByte(text[begin - 1]));
        std::optional<GlossaryTerm> longest;
        const std::size_t lastEnd = std::min(text.size(), begin + m_longestTerm);
        for (std::size_t end = lastEnd; atWordStart && end > begin && !longest; --end) {
            // A term ends where a word does: "C/" is no term in "c/d", nor "N/A" in "N/Ab".
            if (end < text.size() && isWordByte(text[end]))
                continue;
            const auto found = m_entries.find(folded.substr(begin, end - begin));
            if (found != m_entries.end() && !found->second.wholeCellOnly)
                longest =
                    GlossaryTerm{begin, end - begin, termReplacement(text.substr(begin, end - begin), found->second)};
        }
        if (longest) {
            begin += longest->length;
            terms.push_back(std::move(*longest));
        } else {
            ++begin;
        }
    }
    return terms;
}

std::string Glossary::replacementFor(std::string_view found, const Entry& entry)
{
    if (entry.translation.empty())
        return std::string(found);
    return caseLike(found, entry.translation);
}

// Inside a sentence a term's case says little (an acronym, a capital at the sentence start),
// so its translation goes in as written.
std::string Glossary::termReplacement(std::string_view found, const Entry& entry)
{
    return entry.translation.empty() ? std::string(found) : entry.translation;
}

}  // namespace veltrano::pagehost
