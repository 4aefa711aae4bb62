#include "core/conversion.h"

#include "core/cell_rule.h"
#include "spreadsheet/cell_ref.h"
#include "spreadsheet/workbook.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace veltrano::core {
namespace {

using spreadsheet::CellRange;
using spreadsheet::Workbook;
using spreadsheet::Worksheet;

// A cell whose text the rule gives to translate.
struct TextCell {
    std::size_t worksheet;
    int row;
    int column;
    std::string text;
};

// Tells conversionEnded() however a conversion ends.
class ConversionSpan {
public:
    explicit ConversionSpan(ConversionEvents& events)
        : m_events(events)
    {
        m_events.conversionStarted();
    }
    ~ConversionSpan() { m_events.conversionEnded(); }
    ConversionSpan(const ConversionSpan&) = delete;
    ConversionSpan& operator=(const ConversionSpan&) = delete;

private:
    ConversionEvents& m_events;
};

Place placeOf(Workbook& workbook, const TextCell& cell)
{
    return {workbook.path(), workbook.worksheet(cell.worksheet).name(), spreadsheet::cellName(cell.row, cell.column)};
}

// Only the cells the sheet stores are looked at: every other one is empty. They are listed a
// band of rows at a time, so that the window's event pumps are never far apart on a large sheet.
constexpr int kRowsPerBand = 1024;

// Hands each cell of areas that the rule gives a text to visit, in walk order; stops at visit's
// first failure.
template <typename Visit>
Result<void> walk(Workbook& workbook, const std::vector<ScopeArea>& areas, ConversionEvents& events, Visit&& visit)
{
    for (const ScopeArea& scoped : areas) {
        const Worksheet sheet = workbook.worksheet(scoped.worksheet);
        const CellRange& area = scoped.area;
        for (int first = area.firstRow; first <= area.lastRow; first += kRowsPerBand) {
            const int last = int(std::min<std::int64_t>(std::int64_t(first) + kRowsPerBand - 1, area.lastRow));
            for (const spreadsheet::CellAddress& at :
                 sheet.storedCells({first, area.firstColumn, last, area.lastColumn})) {
                events.cellReached();
                std::optional<std::string> text = textToTranslate(sheet, at.row, at.column);
                if (!text)
                    continue;
                VELTRANO_TRY(visit(TextCell{scoped.worksheet, at.row, at.column, std::move(*text)}));
            }
        }
    }
    return {};
}

// What is written for a translation, the same whichever way the texts were translated.
class CellWriter {
public:
    CellWriter(Workbook& workbook, ConversionEvents& events, bool write)
        : m_workbook(workbook),
          m_events(events),
          m_write(write)
    {}

    Result<void> write(const TextCell& cell, const std::string& translation)
    {
        if (translation == cell.text)
            return {};  // the cell stays exactly as it was
        if (!fitsInACell(translation))
            return leave(cell, utf16Units(translation));
        std::string after = translation;
        if (m_write) {
            auto written = m_workbook.worksheet(cell.worksheet).setValue(cell.row, cell.column, translation);
            // The engine's count has the last word on what fits.
            if (!written && written.error().code == spreadsheet::ErrorCode::TooLarge)
                return leave(cell, utf16Units(translation));
            if (!written)
                return engineFailure(written.error(), placeOf(m_workbook, cell));
            after = std::move(written.value().storedText);
        }
        ++m_converted.changedCells;
        const Place place = placeOf(m_workbook, cell);
        m_events.cellChanged({place.sheet, place.cell, cell.text, std::move(after)});
        return {};
    }

    Converted done() { return std::move(m_converted); }

private:
    // A translation longer than a cell holds would lose its end: the cell keeps its text, is
    // named, and the conversion goes on.
    Result<void> leave(const TextCell& cell, std::size_t units)
    {
        m_converted.cellsLeft.push_back(
            {"the translation is " + std::to_string(units) + " characters long, past a cell's limit of "
                 + std::to_string(spreadsheet::kMaxCellTextUnits) + ", so the cell was left as it was",
             placeOf(m_workbook, cell)});
        return {};
    }

    Workbook& m_workbook;
    ConversionEvents& m_events;
    bool m_write;
    Converted m_converted;
};

Result<void> unlessOneEach(const Result<std::vector<std::string>>& translated, std::size_t texts, const Place& place)
{
    if (!translated)
        return {};
    if (translated.value().size() == texts)
        return {};
    return Failure{"the translator gave " + std::to_string(translated.value().size()) + " translations for "
                       + std::to_string(texts) + " texts",
                   place};
}

// Each text read, translated and written before the next cell: the window reads every cell when
// it comes to it, and its events may let the user change the workbook between two cells.
Result<void> convertOneByOne(Workbook& workbook, const std::vector<ScopeArea>& areas, Translator& translator,
                             ConversionEvents& events, CellWriter& writer)
{
    {
        // Read without the window's events: a first look, which changes nothing.
        ConversionEvents unseen;
        std::vector<std::string> texts;
        static_cast<void>(walk(workbook, areas, unseen, [&](TextCell cell) -> Result<void> {
            texts.push_back(std::move(cell.text));
            return {};
        }));
        translator.readAhead(std::vector<std::string_view>(texts.begin(), texts.end()));
    }
    return walk(workbook, areas, events, [&](TextCell cell) -> Result<void> {
        events.beforeTranslating();
        // Read again: the cell may have changed while the events ran.
        std::optional<std::string> text = textToTranslate(workbook.worksheet(cell.worksheet), cell.row, cell.column);
        if (!text)
            return {};
        cell.text = std::move(*text);
        const auto translated = translator.translate({cell.text});
        const Place place = placeOf(workbook, cell);
        if (!translated)
            return Failure{translated.error().message(), place};
        VELTRANO_TRY(unlessOneEach(translated, 1, place));
        VELTRANO_TRY(writer.write(cell, translated.value().front()));
        events.afterTranslating();
        return {};
    });
}

// Every text gathered first and translated together, so that a translator that works in batches
// sees them all at once; then written in walk order.
Result<void> convertGathered(Workbook& workbook, const std::vector<ScopeArea>& areas, Translator& translator,
                             ConversionEvents& events, CellWriter& writer)
{
    std::vector<TextCell> cells;
    // Gathering cannot fail: nothing to check.
    static_cast<void>(walk(workbook, areas, events, [&](TextCell cell) -> Result<void> {
        cells.push_back(std::move(cell));
        return {};
    }));
    if (cells.empty())
        return {};
    std::vector<std::string_view> texts;
    texts.reserve(cells.size());
    for (const TextCell& cell : cells)
        texts.emplace_back(cell.text);
    const auto translated = translateTogether(translator, texts, Place{workbook.path(), {}, {}});
    if (!translated)
        return translated.error();
    for (std::size_t i = 0; i < cells.size(); ++i)
        VELTRANO_TRY(writer.write(cells[i], translated.value()[i]));
    return {};
}

}  // namespace

Result<std::vector<std::string>> translateTogether(Translator& translator, const std::vector<std::string_view>& texts,
                                                   const Place& file)
{
    auto translated = translator.translate(texts);
    if (!translated)
        return Failure{"not translated: " + translated.error().message(), file};
    if (const auto oneEach = unlessOneEach(translated, texts.size(), file); !oneEach)
        return oneEach.error();
    return translated;
}

Result<Converted> convertCells(Workbook& workbook, const Scope& scope, Translator& translator, Pace pace,
                               ConversionEvents& events, bool write)
{
    const auto areas = areasOf(workbook, scope);
    if (!areas)
        return areas.error();
    const ConversionSpan span(events);
    CellWriter writer(workbook, events, write);
    const Result<void> converted = pace == Pace::CellByCell
                                       ? convertOneByOne(workbook, areas.value(), translator, events, writer)
                                       : convertGathered(workbook, areas.value(), translator, events, writer);
    if (!converted)
        return converted.error();
    return writer.done();
}

}  // namespace veltrano::core
