#include "spreadsheet/workbook_texts.h"

#include "spreadsheet/internal/workbook_impl.h"
#include "spreadsheet/workbook.h"

namespace veltrano::spreadsheet {
namespace {

bool hasEdits(const PartTexts& texts)
{
    return !editedEntries(texts).empty();
}

// The kinds asked for, as words for a message: "notes, headers and footers".
std::string kindWords(TextKinds kinds)
{
    std::vector<std::string> words;
    if (kinds.notes)
        words.emplace_back("notes");
    if (kinds.charts)
        words.emplace_back("charts");
    if (kinds.shapes)
        words.emplace_back("shapes");
    if (kinds.headers)
        words.emplace_back("headers and footers");
    std::string out;
    for (std::size_t i = 0; i < words.size(); ++i)
        out += (i == 0 ? "" : i + 1 == words.size() ? " and " : ", ") + words[i];
    return out;
}

}  // namespace

Result<WorkbookTexts> Workbook::texts(TextKinds kinds)
{
    Impl& wb = *m_impl;
    if (wb.partTexts && hasEdits(*wb.partTexts))
        return Error{ErrorCode::InvalidArgument, wb.path + ": texts were set and not saved; listing them again would "
                                                           "lose them"};
    wb.partTexts.reset();
    WorkbookTexts listing;
    if (!kinds.any())
        return listing;
    if (wb.backend) {
        // The BIFF8 records of these texts are not edited yet: the file keeps them as they are.
        listing.leftAsTheyAre.push_back(wb.path + ": the " + kindWords(kinds)
                                        + " of an Excel 97-2003 workbook cannot be edited safely in this format, so "
                                          "they were left as they are");
        return listing;
    }
    auto collected = collectPartTexts(wb, kinds);
    if (!collected)
        return collected.error();
    wb.partTexts = std::move(collected.value());
    for (const TextUnit& unit : wb.partTexts->units)
        listing.texts.push_back(unit.shown);
    listing.leftAsTheyAre = wb.partTexts->leftAsTheyAre;
    return listing;
}

Status Workbook::setText(std::size_t index, std::string_view text)
{
    Impl& wb = *m_impl;
    if (!wb.partTexts || index >= wb.partTexts->units.size())
        return Error{ErrorCode::InvalidArgument,
                     wb.path + ": no text " + std::to_string(index) + " in the last listing of texts"};
    Status set = setUnitText(*wb.partTexts, index, text);
    if (!set)
        return Error{set.error().code, wb.path + ": " + set.error().message};
    wb.modified = true;
    return {};
}

}  // namespace veltrano::spreadsheet
