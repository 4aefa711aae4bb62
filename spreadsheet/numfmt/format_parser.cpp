#include "spreadsheet/numfmt/format_parser.h"

#include "spreadsheet/numfmt/section_layout.h"
#include "spreadsheet/numfmt/section_splitter.h"
#include "spreadsheet/numfmt/section_tokenizer.h"

#include <algorithm>

namespace veltrano::numfmt::detail {

namespace {

constexpr std::size_t textSectionPosition = 3;

bool hasTextPlaceholder(std::string_view source)
{
    const auto section = tokenizeSection(source, TokenMode::Value);
    return section && std::any_of(section->tokens.begin(), section->tokens.end(), [](const Token& t) {
               return t.kind == TokenKind::Text;
           });
}

// The section for text values: the fourth, or a last section (of fewer) that has '@'.
int findTextSection(const std::vector<std::string_view>& pieces)
{
    if (pieces.size() > textSectionPosition)
        return static_cast<int>(textSectionPosition);
    if (hasTextPlaceholder(pieces.back()))
        return static_cast<int>(pieces.size()) - 1;
    return -1;
}

}  // namespace

ParsedFormat parseFormat(std::string_view code)
{
    ParsedFormat format;
    const auto pieces = splitSections(code.empty() ? std::string_view("General") : code);
    if (!pieces)
        return format;
    format.textSection = findTextSection(*pieces);
    for (std::size_t i = 0; i < pieces->size(); ++i) {
        const bool isText = static_cast<int>(i) == format.textSection;
        auto section = tokenizeSection((*pieces)[i], isText ? TokenMode::Text : TokenMode::Value);
        if (!section)
            return ParsedFormat{};
        layoutSection(*section, isText);
        format.sections.push_back(std::move(*section));
    }
    format.numericSections = format.textSection >= 0 ? format.textSection : static_cast<int>(pieces->size());
    format.valid = true;
    return format;
}

}  // namespace veltrano::numfmt::detail
