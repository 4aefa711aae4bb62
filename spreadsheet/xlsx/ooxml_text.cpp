#include "spreadsheet/xlsx/ooxml_text.h"

#include <cstdio>
#include <optional>

#include "spreadsheet/internal/utf8.h"

namespace veltrano::spreadsheet {

namespace {

// The code unit of an _xHHHH_ escape at text[pos], if there is one.
std::optional<char32_t> escapeAt(std::string_view text, std::size_t pos)
{
    if (pos + 7 > text.size() || text[pos] != '_' || text[pos + 1] != 'x' || text[pos + 6] != '_')
        return std::nullopt;
    char32_t value = 0;
    for (std::size_t i = pos + 2; i < pos + 6; ++i) {
        int digit = hexDigitValue(text[i]);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + char32_t(digit);
    }
    return value;
}

bool isXmlIllegal(char32_t cp)
{
    return (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') || cp == 0xFFFE || cp == 0xFFFF;
}

void appendEscape(char32_t unit, std::string& out)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "_x%04X_", static_cast<unsigned>(unit));
    out += buffer;
}

// quote: the character around the attribute value, escaped inside it; '\0' for element text.
template <bool Attribute>
void appendEncoded(std::string_view text, std::string& out, char quote = '\0')
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = pos;
        char32_t cp = utf8::next(text, pos);
        switch (cp) {
        case '&':
            out += "&amp;";
            continue;
        case '<':
            out += "&lt;";
            continue;
        case '>':
            out += "&gt;";
            continue;
        case '"':
            out += quote == '"' ? "&quot;" : "\"";
            continue;
        case '\'':
            out += quote == '\'' ? "&apos;" : "'";
            continue;
        case '\r':
            appendEscape(cp, out);
            continue;
        case '\t':
        case '\n':
            if (Attribute)
                appendEscape(cp, out);
            else
                out += char(cp);
            continue;
        case '_':
            if (escapeAt(text, start))
                out += "_x005F_";
            else
                out += '_';
            continue;
        default:
            break;
        }
        if (isXmlIllegal(cp))
            appendEscape(cp, out);
        else if (cp == utf8::kReplacement)
            utf8::append(out, cp);
        else
            out.append(text.substr(start, pos - start));
    }
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

std::string decodeEscapes(std::string_view text)
{
    if (text.find("_x") == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto unit = escapeAt(text, pos);
        if (!unit) {
            out += text[pos++];
            continue;
        }
        pos += 7;
        char32_t cp = *unit;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            auto low = escapeAt(text, pos);
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
                pos += 7;
            } else {
                cp = utf8::kReplacement;
            }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            cp = utf8::kReplacement;
        }
        if (cp == 0)
            out += '\0';
        else
            utf8::append(out, cp);
    }
    return out;
}

void appendEncodedText(std::string_view text, std::string& out)
{
    appendEncoded<false>(text, out);
}

void appendEncodedAttribute(std::string_view text, std::string& out, char quote)
{
    appendEncoded<true>(text, out, quote);
}

bool needsSpacePreserve(std::string_view text)
{
    return !text.empty() && (isBlank(text.front()) || isBlank(text.back()));
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace veltrano::spreadsheet
