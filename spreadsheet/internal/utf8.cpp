#include "spreadsheet/internal/utf8.h"

namespace veltrano::spreadsheet::utf8 {

void append(std::string& out, char32_t cp)
{
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        cp = kReplacement;
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

void appendLatin1(std::string& out, std::string_view bytes)
{
    for (char c : bytes)
        append(out, char32_t(static_cast<unsigned char>(c)));
}

void appendUtf16Le(std::string& out, std::string_view bytes)
{
    auto unitAt = [&](std::size_t i) {
        return char32_t(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                append(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        append(out, unit);  // a lone surrogate becomes U+FFFD
    }
}

char32_t next(std::string_view text, std::size_t& pos)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || pos + length > text.size()) {
        ++pos;
        return kReplacement;
    }
    char32_t cp = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += length;
    return cp;
}

namespace {

// Where the run of ASCII bytes from pos ends: most text is ASCII, and passes a run at a time.
std::size_t asciiRunEnd(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80)
        ++pos;
    return pos;
}

}  // namespace

std::string sanitize(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t ascii = asciiRunEnd(text, pos);
        out.append(text.substr(pos, ascii - pos));
        if ((pos = ascii) == text.size())
            break;
        std::size_t start = pos;
        char32_t cp = next(text, pos);
        if (cp == kReplacement && pos == start + 1 && static_cast<unsigned char>(text[start]) >= 0x80)
            append(out, kReplacement);
        else
            out.append(text.substr(start, pos - start));
    }
    return out;
}

std::string singleLine(std::string_view text)
{
    std::string line = sanitize(text);
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return line;
}

std::size_t utf16Length(std::string_view text)
{
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t ascii = asciiRunEnd(text, pos);
        units += ascii - pos;
        if ((pos = ascii) < text.size())
            units += next(text, pos) >= 0x10000 ? 2 : 1;
    }
    return units;
}

std::string_view truncateUtf16(std::string_view text, std::size_t maxUnits)
{
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = pos;
        std::size_t width = next(text, pos) >= 0x10000 ? 2 : 1;
        if (units + width > maxUnits)
            return text.substr(0, start);
        units += width;
    }
    return text;
}

}  // namespace veltrano::spreadsheet::utf8

namespace veltrano::spreadsheet::utf8 {

std::string foldCase(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = pos;
        char32_t cp = next(text, pos);
        if (cp >= 'A' && cp <= 'Z')
            out += char(cp - 'A' + 'a');
        else if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)
            append(out, cp + 0x20);
        else
            out.append(text.substr(start, pos - start));
    }
    return out;
}

}  // namespace veltrano::spreadsheet::utf8

namespace veltrano::spreadsheet {

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

}  // namespace veltrano::spreadsheet
