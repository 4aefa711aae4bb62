#include "spreadsheet/workbook_texts.h"

#include "spreadsheet/internal/workbook_impl.h"
#include "spreadsheet/workbook.h"

namespace veltrano::spreadsheet {
namespace {

bool hasEdits(const PartTexts& texts)
{
    return !editedEntries(texts).empty();
}

}  // namespace

Result<WorkbookTexts> Workbook::texts(TextKinds kinds)
{
    Impl& wb = *m_impl;
    if (wb.partTexts && hasEdits(*wb.partTexts))
        return Error{ErrorCode::InvalidArgument, wb.path, "",
                     "texts were set and not saved; listing them again would "
                     "lose them"};
    wb.partTexts.reset();
    WorkbookTexts listing;
    if (!kinds.any())
        return listing;
    auto collected = wb.backend->collectTexts(wb, kinds);
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
        return Error{ErrorCode::InvalidArgument, wb.path, "",
                     "no text " + std::to_string(index) + " in the last listing of texts"};
    Status set = setUnitText(*wb.partTexts, index, text);
    if (!set)
        return Error{set.error().code, wb.path, set.error().place, set.error().reason};
    wb.modified = true;
    return {};
}

}  // namespace veltrano::spreadsheet
