#include "spreadsheet/numfmt/section_splitter.h"

namespace veltrano::numfmt::detail {

namespace {
constexpr std::size_t maxSections = 4;
}

std::size_t utf8SequenceLength(std::string_view text, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0xF0)
        length = 4;
    else if (lead >= 0xE0)
        length = 3;
    else if (lead >= 0xC0)
        length = 2;
    if (pos + length > text.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

std::optional<std::vector<std::string_view>> splitSections(std::string_view code)
{
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    std::size_t pos = 0;
    while (pos < code.size()) {
        const char c = code[pos];
        if (c == '"') {
            const auto close = code.find('"', pos + 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            pos = close + 1;
        } else if (c == '[') {
            const auto close = code.find(']', pos + 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            pos = close + 1;
        } else if (c == '\\' || c == '_' || c == '*') {
            // The next character belongs to this one, even when it is ';'.
            pos += 1;
            if (pos < code.size())
                pos += utf8SequenceLength(code, pos);
        } else if (c == ';') {
            sections.push_back(code.substr(start, pos - start));
            if (sections.size() == maxSections)
                return std::nullopt;
            start = ++pos;
        } else {
            ++pos;
        }
    }
    sections.push_back(code.substr(start));
    return sections;
}

}  // namespace veltrano::numfmt::detail
