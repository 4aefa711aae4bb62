#include "pagehost/translator.h"

#include "pagehost/date_stand_ins.h"
#include "pagehost/number_format.h"
#include "pagehost/quoted_values.h"
#include "pagehost/slash_pair.h"
#include "pagehost/stream_format.h"
#include "pagehost/text_shape.h"
#include "pagehost/verbatim.h"
#include "pagehost/word_stand_ins.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <iostream>
#include <optional>
#include <unordered_map>

namespace veltrano::pagehost {
namespace {

constexpr std::size_t kNoJob = static_cast<std::size_t>(-1);

// One line of a text, without NUL; job is the index of its core among the cores to translate,
// fixed its glossary translation when the glossary decides the whole core, and after the line
// break or NUL that followed it (none after the last).
struct Part {
    TextShape shape;
    std::size_t job = kNoJob;
    std::optional<std::string> fixed;
    std::string_view after;
    // For a line with two words joined by a slash, job translates it with the first word only:
    // the job with the second word only, the whole line's (when the two translations differ in
    // more than one place), and the second word as the source writes it.
    struct SlashJobs {
        std::size_t second = kNoJob, whole = kNoJob;
        std::string_view secondSource;
    };
    std::optional<SlashJobs> slash;
    // For a line with values in double quotes, job translates it without their marks: the jobs of
    // the values alone, and the whole line's as written, for when a value's translation is not
    // found in the line's.
    struct QuoteJobs {
        std::vector<QuotedValue> values;
        std::vector<std::size_t> valueJobs;
        std::size_t whole = kNoJob;
    };
    std::optional<QuoteJobs> quotes;
};

// The lines of text: a NUL cannot travel inside a segment (it ends the segment), and each line
// of a cell is a label or a sentence of its own, which the pipeline must not run into the next.
std::vector<std::pair<std::string_view, std::string_view>> linesOf(std::string_view text)
{
    std::vector<std::pair<std::string_view, std::string_view>> lines;
    std::size_t start = 0;
    for (std::size_t at = text.find_first_of(std::string_view("\n\0", 2)); at != std::string_view::npos;
         at = text.find_first_of(std::string_view("\n\0", 2), start)) {
        lines.emplace_back(text.substr(start, at - start), text.substr(at, 1));
        start = at + 1;
    }
    lines.emplace_back(text.substr(start), std::string_view());
    return lines;
}

// Whether the core is nothing but an address, a path, a code or a formula, to come back as it is.
bool wholeCoreVerbatim(std::string_view core)
{
    const auto spans = verbatimSpans(core);
    return spans.size() == 1 && spans.front().begin == 0 && spans.front().length == core.size();
}

// Two to six capital letters, and maybe an ampersand among them, and nothing else: "TBD", "IRPF",
// "Q&A", or a word in capitals.
bool isAcronym(std::string_view core)
{
    return core.size() >= 2 && core.size() <= 6 && core.front() != '&' && core.back() != '&'
           && std::all_of(core.begin(), core.end(), [](char c) { return (c >= 'A' && c <= 'Z') || c == '&'; });
}

// An acronym's capitals are its own, not a heading's: a translation that spells it out in words
// is not written in capitals ("TBD" gives "Por determinar", not "POR DETERMINAR"). A word in
// capitals that the source language knows ("TOTAL", "APPROVED") is a heading's, and so are the
// capitals of a translation that keeps the acronym ("CUPS").
std::string acronymCased(std::string translated, std::string_view core, const LanguageCheck* check)
{
    if (!check || !isAcronym(core) || check->sourceKnows(foldCase(core)) || translated.find(core) != std::string::npos)
        return translated;
    return acronymSpelledOut(std::move(translated),
                             [check](std::string_view word) { return check->targetKnows(word); });
}

bool hasLetter(std::string_view text)
{
    return needsTranslation(text) && std::any_of(text.begin(), text.end(), [](char c) {
               return std::isalpha(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80;
           });
}

// Whether core's slashes all stand between spaces and cut it into labels of a few words
// ("Cliente / Proveedor", "Entrada / Salida"), which are read as a slashed label is.
bool spacedSlashesOnly(std::string_view core)
{
    constexpr std::size_t kMostWords = 3;
    for (auto slash = core.find('/'); slash != std::string_view::npos; slash = core.find('/', slash + 1)) {
        if (slash == 0 || slash + 1 >= core.size() || core[slash - 1] != ' ' || core[slash + 1] != ' ')
            return false;
    }
    const auto pieces = splitAt(core, '/');
    return std::all_of(pieces.begin(), pieces.end(),
                       [](std::string_view piece) { return splitAt(shapeOf(piece).core, ' ').size() <= kMostWords; });
}

// The words of a label such as "Qty/box" or "Parent/Guardian" (or "Cliente / Proveedor"), each a
// label of its own that the pipeline would otherwise read as one phrase ("Provincia/estatal" for
// "State/Province", "Supplier / Customer" for "Cliente / Proveedor"); empty for a line that is not
// one: one with other spaces, an address or path, or a unit such as "km/h", whose short
// small-letter parts are no words. A word with its feminine ending after the slash ("Profesor/a",
// "Casados/as") is one word, its ending left out: English does not mark it.
std::vector<std::string_view> slashedWords(std::string_view line)
{
    const std::string_view core = shapeOf(line).core;
    if (core.find('/') == std::string_view::npos || wholeCoreVerbatim(core)
        || (std::any_of(core.begin(), core.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); })
            && !spacedSlashesOnly(core)))
        return {};
    const auto words = splitAt(line, '/');
    const auto shortSmall = [](std::string_view word) {
        const std::string_view wordCore = shapeOf(word).core;
        return wordCore.size() <= 3 && foldCase(wordCore) == wordCore;
    };
    if (!std::all_of(words.begin(), words.end(), [](std::string_view word) { return hasLetter(word); })
        || std::all_of(words.begin(), words.end(), shortSmall))
        return {};
    static constexpr std::string_view kEndings[] = {"a", "as", "o", "os", "e", "es"};
    const bool genderEnding =
        words.size() == 2 && shapeOf(words[0]).core.size() >= 3
        && std::find(std::begin(kEndings), std::end(kEndings), shapeOf(words[1]).core) != std::end(kEndings);
    if (genderEnding)
        return {words[0]};
    return words;
}

using Pieces = std::vector<std::pair<std::string_view, std::string_view>>;

// line cut at each of marks that stands between spaces: the pieces, each with the mark after it
// (the last with none); one piece for a line with no such mark.
template <std::size_t N>
Pieces piecesBetween(std::string_view line, const std::string_view (&marks)[N])
{
    Pieces pieces;
    std::size_t begin = 0;
    for (std::size_t at = 0; at < line.size(); ++at) {
        if (line[at] != ' ')
            continue;
        for (const auto mark : marks) {
            if (line.substr(at + 1, mark.size()) == mark && line.substr(at + 1 + mark.size(), 1) == " ") {
                pieces.emplace_back(line.substr(begin, at + 1 - begin), line.substr(at + 1, mark.size()));
                begin = at + 1 + mark.size();
                break;
            }
        }
    }
    pieces.emplace_back(line.substr(begin), std::string_view());
    return pieces;
}

// A line written as a formula in words ("Total = Qty * Price", "Margin = Revenue - Cost") cut at
// its operators, each standing between spaces. The pipeline read such a line as one phrase and
// moved its words across the operators ("Precio = de * Cant. total"). Empty for a line with no
// "=" between words.
Pieces formulaPieces(std::string_view line)
{
    static constexpr std::string_view kOperators[] = {"=", "+", "-", "*", "x", "/", "\u00d7", "\u00f7"};
    const std::string_view core = shapeOf(line).core;
    const auto equals = core.find(" = ");
    if (equals == std::string_view::npos || !hasLetter(core.substr(0, equals)))
        return {};
    const Pieces pieces = piecesBetween(line, kOperators);
    const bool noneEmpty =
        std::all_of(pieces.begin(), pieces.end(), [](const auto& piece) { return !shapeOf(piece.first).core.empty(); });
    return noneEmpty ? pieces : Pieces();
}

// A label in parts between dashes with spaces around them ("Work stopped - safety issue", "Planta
// 2 – estado", "Laptop - screen cracked"), cut at the dashes. Each part is a label of its own:
// read as one phrase, the pipeline moved words across the dash or made a clause of it ("Trabajo
// problema de seguridad parada", "Floor 2 – been"). A sentence (a line that ends in its mark)
// keeps its dashes, and so does a range of numbers or times ("9:00 - 17:00"), whose parts hold no
// letter: empty for those.
Pieces dashPieces(std::string_view line)
{
    static constexpr std::string_view kDashes[] = {"-", "\u2013", "\u2014"};
    const std::string_view core = shapeOf(line).core;
    if (core.empty() || core.back() == '.' || core.back() == '!' || core.back() == '?')
        return {};
    const Pieces pieces = piecesBetween(line, kDashes);
    const bool allWords = std::all_of(pieces.begin(), pieces.end(),
                                      [](const auto& piece) { return hasLetter(shapeOf(piece.first).core); });
    return pieces.size() > 1 && allWords ? pieces : Pieces();
}

// shape with the mark of a list item that starts its core ("- Check stock", "• Order boxes") and
// the space after it moved to its leading part: the item is translated as the label or the
// instruction it is, which the mark before it hid ("- Stock de control").
TextShape withBulletLeading(TextShape shape)
{
    static constexpr std::string_view kBullets[] = {"- ", "* ", "\u2022 ", "\u2013 ", "\u2014 ", "\u00b7 "};
    for (const auto bullet : kBullets) {
        if (!shape.core.starts_with(bullet))
            continue;
        const std::size_t skip = shape.core.find_first_not_of(' ', bullet.size());
        if (skip != std::string_view::npos) {
            shape.leading = std::string_view(shape.leading.data(), shape.leading.size() + skip);
            shape.core.remove_prefix(skip);
        }
        return shape;
    }
    return shape;
}

// The "(" and ")" of the first parenthesised choice of words in line ("Loc. (bldg/floor)",
// "Qty (boxes/units)"), whose words the pipeline would otherwise read as one compound with the
// word before ("Ubic. (planta/de edif.)"); none for units, date masks and codes ("(km/h)",
// "(dd/mm/yyyy)") or a glossary term, nor for a word with its ending ("(alumno/a)"), which needs
// no cut.
std::optional<std::pair<std::size_t, std::size_t>> parenthesisedChoice(std::string_view line, const Glossary* glossary)
{
    for (auto open = line.find('('); open != std::string_view::npos; open = line.find('(', open + 1)) {
        const auto close = line.find(')', open);
        if (close == std::string_view::npos)
            return std::nullopt;
        const std::string_view inside = line.substr(open + 1, close - open - 1);
        const bool glossaryTerm = glossary && (glossary->wholeText(inside) || !glossary->termsIn(inside).empty());
        const auto words = inside.find('/') == std::string_view::npos || glossaryTerm ? std::vector<std::string_view>()
                                                                                      : slashedWords(inside);
        const auto dateMask = [](std::string_view word) {
            return std::all_of(word.begin(), word.end(), [&](char c) { return c == word.front(); });
        };
        if (words.size() >= 2 && std::none_of(words.begin(), words.end(), dateMask))
            return std::pair{open, close};
    }
    return std::nullopt;
}

// The texts cut into parts, and the distinct cores that need the pipeline; made holds the cores
// made for the plan (a line with one word of a slashed pair left out).
struct Plan {
    std::vector<std::vector<Part>> texts;
    std::vector<std::string_view> cores;
    std::deque<std::string> made;
};

Plan planFor(const std::vector<std::string>& texts, const Glossary* glossary, const LanguageCheck* languageCheck,
             const std::function<bool(std::string_view)>& leftToField)
{
    Plan plan;
    std::unordered_map<std::string_view, std::size_t> jobOfCore;
    for (const auto& text : texts) {
        auto& parts = plan.texts.emplace_back();
        const auto jobOf = [&](std::string_view core) {
            const auto [found, added] = jobOfCore.try_emplace(core, plan.cores.size());
            if (added)
                plan.cores.push_back(core);
            return found->second;
        };
        const auto addPart = [&](std::string_view piece, std::string_view after) {
            Part part{withBulletLeading(shapeOf(piece)), kNoJob, std::nullopt, after, std::nullopt, std::nullopt};
            if (glossary && needsTranslation(part.shape.core) && !(leftToField && leftToField(part.shape.core)))
                part.fixed = glossary->wholeText(part.shape.core);
            if (part.fixed)
                part.fixed = acronymCased(std::move(*part.fixed), part.shape.core, languageCheck);
            if (!part.fixed && glossary && glossary->isPersonName(part.shape.core))
                part.fixed = std::string(part.shape.core);
            if (!part.fixed && languageCheck && languageCheck->alreadyInTarget(part.shape.core))
                part.fixed = std::string(part.shape.core);
            if (!part.fixed && needsTranslation(part.shape.core) && !wholeCoreVerbatim(part.shape.core)) {
                part.job = jobOf(part.shape.core);
                if (const auto pair = slashPairIn(part.shape.core)) {
                    const std::string_view core = part.shape.core;
                    const std::string_view withFirst = plan.made.emplace_back(withOneWord(core, *pair, true));
                    const std::string_view withSecond = plan.made.emplace_back(withOneWord(core, *pair, false));
                    part.slash = Part::SlashJobs{jobOf(withSecond), part.job,
                                                 core.substr(pair->slash + 1, pair->end - pair->slash - 1)};
                    part.job = jobOf(withFirst);
                } else if (auto values = quotedValuesIn(part.shape.core); !values.empty()) {
                    const std::string_view core = part.shape.core;
                    Part::QuoteJobs quotes{values, {}, part.job};
                    for (const auto& value : values)
                        quotes.valueJobs.push_back(jobOf(quotedContent(core, value)));
                    part.job = jobOf(plan.made.emplace_back(withoutQuoteMarks(core, values)));
                    part.quotes = std::move(quotes);
                }
            }
            parts.push_back(part);
        };
        for (const auto& [line, after] : linesOf(text)) {
            const bool glossaryLabel = glossary && glossary->wholeText(shapeOf(line).core);
            auto pieces = formulaPieces(line);
            if (pieces.empty() && !glossaryLabel && !wholeCoreVerbatim(shapeOf(line).core))
                pieces = dashPieces(line);
            if (!pieces.empty()) {
                for (std::size_t i = 0; i < pieces.size(); ++i)
                    addPart(pieces[i].first, i + 1 < pieces.size() ? pieces[i].second : after);
                continue;
            }
            const auto words = glossaryLabel ? std::vector<std::string_view>() : slashedWords(line);
            const auto choice = words.empty() && !glossaryLabel ? parenthesisedChoice(line, glossary) : std::nullopt;
            if (choice) {
                // Before the choice, each of its words, and after it: parts of their own.
                const auto [open, close] = *choice;
                addPart(line.substr(0, open), line.substr(open, 1));
                const auto choices = splitAt(line.substr(open + 1, close - open - 1), '/');
                for (std::size_t i = 0; i < choices.size(); ++i)
                    addPart(choices[i], i + 1 < choices.size() ? std::string_view("/") : line.substr(close, 1));
                addPart(line.substr(close + 1), after);
                continue;
            }
            if (words.empty()) {
                addPart(line, after);
                continue;
            }
            if (words.size() == 1) {
                // A word and its ending: the ending goes, the line's trailing space and end stay
                // (they lie side by side in the text).
                const std::string_view trailing = shapeOf(line).trailing;
                addPart(words[0],
                        trailing.empty() ? after : std::string_view(trailing.data(), trailing.size() + after.size()));
                continue;
            }
            for (std::size_t i = 0; i < words.size(); ++i)
                addPart(words[i], i + 1 < words.size() ? std::string_view("/") : after);
        }
    }
    return plan;
}

// The pipeline's text for one core made fit to stand in its place: the sentence end added for
// the trip removed, whitespace the pipeline put around it dropped (a dropped subject pronoun
// leaves a space), and the case of the text as sent (the core with its marks worded) restored.
// A translation that came back empty leaves the core as it was rather than erase it.
std::string finishTranslation(std::string_view core, std::string_view sent, std::string_view translated,
                              bool spanishTarget, const std::function<bool(std::string_view)>& isTargetName)
{
    if (!translated.empty() && translated.back() == '.')
        translated.remove_suffix(1);
    const std::string_view trimmed = shapeOf(translated).core;
    if (trimmed.empty())
        return std::string(core);
    std::string finished =
        keepSourceCapitals(sent, keepSentenceCase(sent, matchCase(sent, tidySpacing(sent, trimmed), !spanishTarget),
                                                  spanishTarget, isTargetName));
    finished = quotesRestored(core, std::move(finished));
    return spanishTarget ? withOpeningMarks(sent, withSpanishClockHalves(std::move(finished))) : finished;
}

// A text put back together from its parts' translations. Two words of a slashed label that
// translate alike ("Town/City", "CIF/NIF") give the word once, not "Ciudad/Ciudad".
std::string assemble(const std::vector<Part>& parts, const std::vector<std::string>& translations)
{
    std::string text;
    std::string previous;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto& shape = parts[i].shape;
        std::string word = parts[i].fixed           ? *parts[i].fixed
                           : parts[i].job == kNoJob ? std::string(shape.core)
                                                    : translations[parts[i].job];
        if (const auto& slash = parts[i].slash) {
            word = joinedAtTheirDifference(word, translations[slash->second], slash->secondSource)
                       .value_or(translations[slash->whole]);
        }
        if (const auto& quotes = parts[i].quotes) {
            std::vector<std::string> values;
            for (const std::size_t job : quotes->valueJobs)
                values.push_back(translations[job]);
            word = withValuesQuoted(std::move(word), shape.core, quotes->values, values)
                       .value_or(translations[quotes->whole]);
        }
        const bool repeatsSlashedWord = i > 0 && parts[i - 1].after == "/" && foldCase(word) == foldCase(previous)
                                        && foldCase(shape.core) != foldCase(parts[i - 1].shape.core);
        if (repeatsSlashedWord) {
            // The slash before the repeat goes, and the space before the slash ("Provincia / ").
            text.resize(text.size() - 1 - parts[i - 1].shape.trailing.size());
        } else {
            text += shape.leading;
            text += word;
        }
        text += shape.trailing;
        text += parts[i].after;
        previous = std::move(word);
    }
    return text;
}

// Groups of consecutive cores of about maxBytes at most: each core counts with a margin for
// its separator, not with its escapes, which may make a segment up to twice as long.
std::vector<std::vector<std::string_view>> chunksOf(const std::vector<std::string_view>& cores, std::size_t maxBytes)
{
    std::vector<std::vector<std::string_view>> chunks;
    std::size_t bytes = 0;
    for (const auto core : cores) {
        const std::size_t size = core.size() + 16;
        if (chunks.empty() || bytes + size > maxBytes) {
            chunks.emplace_back();
            bytes = 0;
        }
        chunks.back().push_back(core);
        bytes += size;
    }
    return chunks;
}

// How large each segment of a batch may be: small enough that several are in the pipeline at
// once, so its programs (each working on one segment at a time) run side by side, yet not so
// small that the sentence end every segment carries costs more than the overlap saves.
std::size_t segmentBytesFor(const std::vector<std::string_view>& cores, std::size_t maxBytes)
{
    constexpr std::size_t kSegmentsInFlight = 8;
    constexpr std::size_t kSmallestSegmentBytes = 1024;
    std::size_t total = 0;
    for (const auto core : cores)
        total += core.size() + 16;
    return std::clamp(total / kSegmentsInFlight, std::min(kSmallestSegmentBytes, maxBytes), maxBytes);
}

}  // namespace

Translator::Translator(PipelineFactory factory, TranslatorSettings settings, std::shared_ptr<const Glossary> glossary)
    : m_factory(std::move(factory)),
      m_settings(settings),
      m_glossary(std::move(glossary))
{}

Result<std::vector<std::string>> Translator::translate(const std::vector<std::string>& texts,
                                                       std::string_view fieldMarker,
                                                       const std::function<bool(std::string_view)>& leftToField)
{
    const Plan plan = planFor(texts, m_glossary.get(), m_settings.languageCheck.get(), leftToField);
    std::vector<std::string> translations;
    if (!plan.cores.empty()) {
        auto translated = translateCores(plan.cores, fieldMarker);
        if (!translated)
            return translated.error();
        translations = std::move(translated.value());
    }
    std::vector<std::string> result;
    result.reserve(texts.size());
    for (const auto& parts : plan.texts)
        result.push_back(assemble(parts, translations));
    return result;
}

Result<void> Translator::warmUp()
{
    if (m_settings.languageCheck)
        m_settings.languageCheck->load();
    std::lock_guard lock(m_mutex);
    // A request may have come first and loaded it already.
    if (m_pipelineAnswered && m_pipeline && m_pipeline->ready())
        return {};
    auto answer = translateChunk({"Hello"}, false);
    if (!answer)
        return answer.error();
    return {};
}

Result<std::vector<std::string>> Translator::translateCores(const std::vector<std::string_view>& cores,
                                                            std::string_view fieldMarker)
{
    std::lock_guard lock(m_mutex);
    m_fieldMarker = fieldMarker;
    const auto chunks = chunksOf(cores, segmentBytesFor(cores, m_settings.maxSegmentBytes));
    std::vector<std::string> segments;
    std::vector<std::size_t> firsts(chunks.size());
    segments.reserve(chunks.size());
    for (std::size_t i = 0; i < chunks.size(); ++i)
        segments.push_back(segmentOf(chunks[i], firsts[i], true));
    auto answers = exchangeAll(segments);
    if (!answers)
        return answers.error();
    std::vector<std::string> translations;
    translations.reserve(cores.size());
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        auto translated = translationsFrom(chunks[i], firsts[i], answers.value()[i], true);
        if (!translated)
            return translated;
        for (auto& text : translated.value())
            translations.push_back(std::move(text));
    }
    return translations;
}

Result<std::vector<std::string>> Translator::translateChunk(const std::vector<std::string_view>& cores, bool standIns)
{
    std::size_t first = 0;
    auto answer = exchangeAll({segmentOf(cores, first, standIns)});
    if (!answer)
        return answer.error();
    return translationsFrom(cores, first, answer.value().front(), standIns);
}

std::string Translator::segmentOf(const std::vector<std::string_view>& cores, std::size_t& first, bool standIns)
{
    first = m_nextMarker;
    m_nextMarker += cores.size();
    std::vector<std::string> streamTexts;
    streamTexts.reserve(cores.size());
    for (const auto core : cores)
        streamTexts.push_back(streamTextOf(core, standIns));
    // The grammar keeps the field a segment's first word names until the next segment's names
    // another, so every segment names one, or none.
    return m_fieldMarker + joinStreamSegment(streamTexts, first);
}

Result<std::vector<std::string>> Translator::translationsFrom(const std::vector<std::string_view>& cores,
                                                              std::size_t first, const std::string& answer,
                                                              bool standIns)
{
    auto split = splitSegment(answer, first, cores.size());
    if (!split && cores.size() > 1) {
        // The pipeline moved a separator; one text per segment cannot be mixed up.
        std::vector<std::string> translations;
        for (const auto core : cores) {
            auto single = translateChunk({core}, standIns);
            if (!single)
                return single;
            translations.push_back(std::move(single.value().front()));
        }
        return translations;
    }
    if (!split)
        return restartAfter("translation pipeline garbled its answer");
    std::vector<std::string> translations;
    translations.reserve(cores.size());
    for (std::size_t i = 0; i < cores.size(); ++i) {
        const auto dates = standIns ? datesStoodInFor(cores[i]) : std::vector<std::string_view>();
        auto translated = dates.empty() ? std::optional((*split)[i]) : withDatesRestored((*split)[i], dates);
        // What the words stood in for goes back once they have taken the case of where they
        // stand, so that it comes back as written.
        if (translated)
            translated = finished(cores[i], *translated);
        for (const auto& word : standIns ? wordStandInsFor(cores[i]) : std::vector<WordStandIn>()) {
            if (translated)
                translated =
                    withStandInRestored(std::move(*translated), word.word, cores[i].substr(word.begin, word.length));
        }
        if (!translated) {
            // A rule changed a stand-in: the text goes again with its dates, codes and names protected.
            auto single = translateChunk({cores[i]}, false);
            if (!single)
                return single;
            translations.push_back(std::move(single.value().front()));
            continue;
        }
        std::string done = std::move(*translated);
        if (m_glossary)
            done = m_glossary->withCapitalWords(std::move(done), cores[i]);
        done = acronymCased(std::move(done), cores[i], m_settings.languageCheck.get());
        if (const auto* check = m_settings.languageCheck.get()) {
            const auto knowsTarget = [check](std::string_view word) { return check->targetKnows(word); };
            done = withoutMovedCapitals(
                cores[i], std::move(done), [check](std::string_view word) { return check->sourceKnows(word); },
                knowsTarget);
            done = withoutStrayCapitals(cores[i], std::move(done), knowsTarget);
            if (m_settings.spanishTarget)
                done = withoutTitleCase(cores[i], std::move(done), knowsTarget);
        }
        translations.push_back(withTargetNumberFormat(cores[i], done, m_settings.spanishTarget));
    }
    return translations;
}

std::string Translator::finished(std::string_view core, std::string_view translated) const
{
    const std::string sent = wordedForPipeline(core);
    // A code or a name that starts a text is not its first word: the words after it keep the
    // case they have ("INV-2024 invoice paid" gives "INV-2024 factura pagada", not "Factura").
    // Only a text whose translation starts with its first word may start with one.
    const std::size_t firstWordEnd = core.find(' ');
    const bool sameStart =
        firstWordEnd != std::string_view::npos && translated.starts_with(core.substr(0, firstWordEnd));
    const auto kept = sameStart ? keptIn(core) : std::vector<GlossaryTerm>();
    // A name the target knows only with its capital ("Londres", "Madrid") keeps it wherever the
    // pipeline moves it.
    const auto* check = m_settings.languageCheck.get();
    const auto isTargetName = [check](std::string_view word) {
        return check && check->targetKnows(word) && !check->targetKnows(foldCase(word));
    };
    if (!kept.empty() && kept.front().begin == 0) {
        const std::string_view prefix = core.substr(0, kept.front().length);
        const auto restOf = [&](std::string_view text) { return text.substr(prefix.size()); };
        if (kept.front().replacement == prefix && std::string_view(sent).starts_with(prefix)
            && translated.starts_with(prefix) && !shapeOf(restOf(core)).core.empty()
            && !shapeOf(restOf(translated)).core.empty()) {
            const auto rest = shapeOf(restOf(translated));
            return std::string(prefix) + std::string(rest.leading)
                   + finishTranslation(shapeOf(restOf(core)).core, shapeOf(restOf(sent)).core, rest.core,
                                       m_settings.spanishTarget, isTargetName);
        }
    }
    return finishTranslation(core, sent, translated, m_settings.spanishTarget, isTargetName);
}

// The acronym of core that goes to the pipeline as the code's stand-in, where no code takes that
// stand-in already.
std::optional<VerbatimSpan> Translator::unknownAcronymFor(std::string_view core) const
{
    const auto* check = m_settings.languageCheck.get();
    if (!check || (m_settings.spanishTarget && qualifyingCodeAtStart(core)))
        return std::nullopt;
    const auto knows = [check](std::string_view word) { return check->sourceKnows(word); };
    if (auto acronym = unknownAcronymIn(core, knows))
        return acronym;
    return unknownNameIn(core, knows, [check](std::string_view word) { return check->sourceIsInstructionVerb(word); });
}

std::vector<VerbatimSpan> Translator::seriesLettersFor(std::string_view core) const
{
    const auto* check = m_settings.languageCheck.get();
    if (!check)
        return {};
    // A Spanish heading that gives every word a capital gives one to its joining words too
    // ("Entradas Y Salidas", "Acceso A Internet"), so there "A" or "Y" before such a word is one.
    const bool englishSource = m_settings.spanishTarget;
    auto letters = seriesLettersIn(
        core, englishSource ? "AI" : "AEIOUY", [check](std::string_view word) { return check->sourceIsNoun(word); },
        [check, englishSource](std::string_view word) { return englishSource && check->sourceIsOnlyNoun(word); });
    // Into English a kept letter inside a longer text moves to its end ("the column data A"), and a
    // number standing in keeps the article ("the column 80201 data"); only a noun and its letter
    // gains ("Grupo A" gave "Group a").
    if (!englishSource && !(letters.size() == 1 && core.find(' ') + 2 == core.size()))
        letters.clear();
    return letters;
}

std::vector<GlossaryTerm> Translator::keptIn(std::string_view core) const
{
    std::vector<GlossaryTerm> kept;
    if (m_glossary && !m_glossary->empty())
        kept = m_glossary->termsIn(core);
    std::vector<VerbatimSpan> spans = verbatimSpans(core);
    if (const auto* check = m_settings.languageCheck.get()) {
        for (const auto& initialism : dottedInitialismsIn(core)) {
            if (!check->sourceKnows(core.substr(initialism.begin, initialism.length)))
                spans.push_back(initialism);
        }
        const auto isCommonWord = [check](std::string_view word) { return check->sourceIsCommonWord(word); };
        for (const auto& name : ampersandNamesIn(core, isCommonWord))
            spans.push_back(name);
    }
    if (m_glossary) {
        for (const auto& name : m_glossary->namesIn(core))
            spans.push_back({name.begin, name.length});
    }
    if (m_settings.spanishTarget) {
        for (const auto& time : clockTimesIn(core))
            spans.push_back(time);
    } else {
        for (const auto& name : spanishArticleNamesIn(core))
            spans.push_back(name);
    }
    for (const auto& letter : seriesLettersFor(core))
        spans.push_back(letter);
    if (const auto acronym = unknownAcronymFor(core))
        spans.push_back(*acronym);
    for (const auto& span : spans) {
        // A term inside a span is part of a name or an address ("S.L." in "Talleres Pérez S.L.").
        std::erase_if(kept, [&](const GlossaryTerm& term) {
            return span.begin <= term.begin && term.begin + term.length <= span.begin + span.length
                   && term.length < span.length;
        });
        const bool overlaps = std::any_of(kept.begin(), kept.end(), [&](const GlossaryTerm& term) {
            return span.begin < term.begin + term.length && term.begin < span.begin + span.length;
        });
        if (!overlaps)
            kept.push_back({span.begin, span.length, std::string(core.substr(span.begin, span.length))});
    }
    std::sort(kept.begin(), kept.end(), [](const GlossaryTerm& a, const GlossaryTerm& b) { return a.begin < b.begin; });
    return kept;
}

// The dates of core that go to the pipeline as numbers, in order; none when core holds a number
// that could be taken for a stand-in. Only from Spanish: the English side's rules read a number
// after "on" or "until" as an amount ("en 15/07", "hasta que 15/04" either way), while the
// Spanish side's drop the article before it ("Pay before 15/03", was "before the 15/03").
std::vector<std::string_view> Translator::datesStoodInFor(std::string_view core) const
{
    std::vector<std::string_view> dates;
    if (m_settings.spanishTarget || dateStandIn(core, 0).empty())
        return dates;
    for (const auto& term : keptIn(core)) {
        const std::string_view text = core.substr(term.begin, term.length);
        if (text == term.replacement && isNumericDate(text))
            dates.push_back(text);
    }
    return dates;
}

// The kept spans of core that go to the pipeline as words standing in for them, in order: a code
// that starts core and qualifies the words after it and times of the clock (only into Spanish),
// and a person's name after a title when core has one, each only where kept as it is and where
// core holds no such word.
std::vector<WordStandIn> Translator::wordStandInsFor(std::string_view core, const std::vector<GlossaryTerm>* kept) const
{
    std::vector<WordStandIn> words;
    const auto code = m_settings.spanishTarget ? qualifyingCodeAtStart(core) : std::nullopt;
    const auto titled =
        m_glossary && !holdsWord(core, kNameStandIn) ? m_glossary->titledNamesIn(core) : std::vector<GlossaryTerm>();
    const auto times = m_settings.spanishTarget && !holdsWord(core, "800") && !holdsWord(core, "801")
                           ? clockTimesIn(core)
                           : std::vector<VerbatimSpan>();
    const auto acronym = unknownAcronymFor(core);
    // Into English the letter is only kept: the number's article would stay ("the column 80201 data").
    const auto letters = m_settings.spanishTarget ? seriesLettersFor(core) : std::vector<VerbatimSpan>();
    if (!code && !acronym && titled.size() != 1 && times.empty() && letters.empty())
        return words;
    std::size_t nextTime = 0, nextOneOClock = 0, nextLetter = 0;
    const auto found = kept ? std::vector<GlossaryTerm>() : keptIn(core);
    for (const auto& term : kept ? *kept : found) {
        const std::string_view text = core.substr(term.begin, term.length);
        if (text != term.replacement)
            continue;
        const auto isTerm = [&](const VerbatimSpan& span) {
            return span.begin == term.begin && span.length == term.length;
        };
        const bool time = std::any_of(times.begin(), times.end(), isTerm);
        const bool letter = std::any_of(letters.begin(), letters.end(), isTerm);
        if ((code && term.begin == 0 && text == *code)
            || (acronym && term.begin == acronym->begin && term.length == acronym->length)) {
            words.push_back({term.begin, term.length, kCodeStandIn});
        } else if (titled.size() == 1 && term.begin == titled.front().begin && term.length == titled.front().length) {
            words.push_back({term.begin, term.length, kNameStandIn});
        } else if (letter) {
            if (nextLetter < std::size(kSeriesLetterStandIns))
                words.push_back({term.begin, term.length, kSeriesLetterStandIns[nextLetter++]});
        } else if (time && (text.starts_with("1:") || text.starts_with("01:"))) {
            if (nextOneOClock < std::size(kOneOClockStandIns))
                words.push_back({term.begin, term.length, kOneOClockStandIns[nextOneOClock++]});
        } else if (time && nextTime < std::size(kTimeStandIns)) {
            words.push_back({term.begin, term.length, kTimeStandIns[nextTime++]});
        }
    }
    return words;
}

// The core in the stream format, with what the pipeline must not touch in protected blocks that
// carry it past: the glossary's terms with their translations, addresses, paths, codes and
// people's names as they are (where a term and a code overlap, the term wins, unless the code
// holds it whole). An ampersand between words goes as the source's conjunction, an English "#"
// that means "number" as "No.", an English quote that opens a word as the typographic one, and
// a Spanish word's feminine or masculine alternative ("Enfermero/a") not at all. With standIns, a
// date in figures goes as the number that stands in for it, and a code or a name as the word that
// does.
std::string Translator::streamTextOf(std::string_view core, bool standIns) const
{
    const auto dates = standIns ? datesStoodInFor(core) : std::vector<std::string_view>();
    const auto kept = keptIn(core);
    const auto words = standIns ? wordStandInsFor(core, &kept) : std::vector<WordStandIn>();
    std::size_t nextDate = 0;
    std::size_t nextWord = 0;
    std::string text;
    std::size_t done = 0;
    for (const auto& term : kept) {
        text += escapeForStream(wordedForPipeline(core.substr(done, term.begin - done)));
        const bool date = nextDate < dates.size() && dates[nextDate].data() == core.data() + term.begin;
        if (nextWord < words.size() && words[nextWord].begin == term.begin)
            text += words[nextWord++].word;
        else
            text += date ? dateStandIn(core, nextDate++) : protectedBlock(term.replacement);
        done = term.begin + term.length;
    }
    text += escapeForStream(wordedForPipeline(core.substr(done)));
    return text;
}

std::string Translator::wordedForPipeline(std::string_view text) const
{
    const auto* check = m_settings.languageCheck.get();
    std::function<bool(std::string_view)> isCommonWord;
    if (check)
        isCommonWord = [check](std::string_view word) { return check->sourceIsCommonWord(word); };
    if (!m_settings.spanishTarget)
        return withoutGenderAlternatives(withSpanishShorthandSpelled(withWordedAmpersands(text, "y", isCommonWord)));
    std::string worded(text);
    if (check) {
        worded = withHyphensResolved(worded, [check](std::string_view word) { return check->sourceKnows(word); });
        worded = withDoneDateOrdered(
            worded, [check](std::string_view word) { return check->sourceIsPastParticiple(word); },
            [check](std::string_view term) { return check->sourceKnows(term); });
    }
    return withOpeningQuotesTurned(
        withNumberSignsSpelled(withShorthandSpelled(withWordedAmpersands(worded, "and", isCommonWord))));
}

Result<std::vector<std::string>> Translator::exchangeAll(const std::vector<std::string>& segments)
{
    auto ready = ensurePipeline();
    if (!ready)
        return ready.error();
    std::size_t bytes = 0;
    for (const auto& segment : segments)
        bytes += segment.size();
    auto answers = m_pipeline->exchangeAll(segments, timeoutFor(bytes));
    if (!answers)
        return restartAfter(answers.error().message);
    m_pipelineAnswered = true;
    return answers;
}

Result<void> Translator::ensurePipeline()
{
    // A pipeline that ended while idle is replaced before use, so its end costs no request.
    if (m_pipeline && m_pipeline->ready())
        return {};
    if (m_pipeline)
        reportRestart("it ended while idle");
    return startPipeline();
}

Result<void> Translator::startPipeline()
{
    m_pipeline.reset();
    auto started = m_factory();
    if (!started)
        return started.error();
    m_pipeline = std::move(started.value());
    m_pipelineAnswered = false;
    return {};
}

Failure Translator::restartAfter(const std::string& message)
{
    // Started again at once so the next request finds it loading or warm; if that fails too,
    // the next request tries again and reports why.
    reportRestart(message);
    static_cast<void>(startPipeline());
    return Failure{message + "; the pipeline was restarted"};
}

void Translator::reportRestart(const std::string& cause) const
{
    // One whole line per restart, so a user or a log sees that a request failed and why.
    std::cerr << "veltrano-pagehost: " + m_settings.name + " pipeline restarted: " + cause + "\n" << std::flush;
}

std::chrono::milliseconds Translator::timeoutFor(std::size_t segmentBytes) const
{
    const auto allowance = m_pipelineAnswered ? std::chrono::milliseconds(0) : m_settings.startAllowance;
    return m_settings.baseTimeout + allowance
           + m_settings.timeoutPerKiB * static_cast<long>((segmentBytes + 1023) / 1024);
}

}  // namespace veltrano::pagehost
