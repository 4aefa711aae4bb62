#include "core/cell_rule.h"

#include "spreadsheet/workbook.h"

namespace veltrano::core {
namespace {

// The length of the well-formed UTF-8 sequence at text[at]; 0 when it is malformed.
std::size_t sequenceLength(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80                    ? 1
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    if (length < 3)
        return length;
    // Overlong forms, surrogates and code points past U+10FFFF.
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90)
        || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

}  // namespace

std::optional<std::string> textToTranslate(const spreadsheet::Worksheet& sheet, int row, int column)
{
    if (sheet.translationBlock(row, column) != spreadsheet::WriteBlock::None)
        return std::nullopt;
    if (sheet.text(row, column).empty())
        return std::nullopt;
    std::optional<std::string> stored = sheet.storedText(row, column);
    if (!stored || stored->empty())
        return std::nullopt;
    return stored;
}

std::size_t utf16Units(std::string_view text)
{
    std::size_t units = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = sequenceLength(text, at);
        // A code point past U+FFFF takes a surrogate pair.
        units += length == 4 ? 2 : 1;
        at += length == 0 ? 1 : length;
    }
    return units;
}

bool fitsInACell(std::string_view text)
{
    return utf16Units(text) <= std::size_t(spreadsheet::kMaxCellTextUnits);
}

}  // namespace veltrano::core
