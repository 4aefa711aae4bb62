#include "core/other_texts.h"

#include "spreadsheet/workbook.h"

#include <set>

namespace veltrano::core {
namespace {

using spreadsheet::Workbook;

// The names of the sheets a scope covers; nullopt for every sheet.
Result<std::optional<std::set<std::string>>> sheetsOf(Workbook& workbook, const Scope& scope)
{
    if (scope.kind == Scope::Kind::Workbook)
        return std::optional<std::set<std::string>>();
    const auto areas = areasOf(workbook, scope);
    if (!areas)
        return areas.error();
    std::set<std::string> names;
    for (const ScopeArea& area : areas.value())
        names.insert(workbook.worksheet(area.worksheet).name());
    return std::optional<std::set<std::string>>(std::move(names));
}

}  // namespace

Result<Converted> convertOtherTexts(Workbook& workbook, const Scope& scope, spreadsheet::TextKinds kinds,
                                    Translator& translator, ConversionEvents& events, bool write)
{
    Converted converted;
    if (!kinds.any())
        return converted;
    const Place file{workbook.path(), {}, {}};
    auto listing = workbook.texts(kinds);
    if (!listing)
        return engineFailure(listing.error(), file);
    converted.notices = listing.value().leftAsTheyAre;
    const auto sheets = sheetsOf(workbook, scope);
    if (!sheets)
        return sheets.error();

    std::vector<std::size_t> chosen;
    std::vector<std::string_view> texts;
    const auto& found = listing.value().texts;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (sheets.value() && !sheets.value()->contains(found[i].sheet))
            continue;
        chosen.push_back(i);
        texts.emplace_back(found[i].text);
    }
    if (texts.empty())
        return converted;
    const auto translated = translateTogether(translator, texts, file);
    if (!translated)
        return translated.error();

    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const spreadsheet::PlacedText& text = found[chosen[i]];
        const std::string& translation = translated.value()[i];
        if (translation == text.text)
            continue;
        const Place place{workbook.path(), text.sheet, text.place};
        if (write) {
            const spreadsheet::Status set = workbook.setText(chosen[i], translation);
            if (!set && set.error().code == spreadsheet::ErrorCode::TooLarge) {
                converted.cellsLeft.push_back({set.error().message() + ", so it was left as it was", place});
                continue;
            }
            if (!set)
                return engineFailure(set.error(), place);
        }
        ++converted.changedTexts;
        events.cellChanged({text.sheet, text.place, text.text, translation});
    }
    return converted;
}

}  // namespace veltrano::core
