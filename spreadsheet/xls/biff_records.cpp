#include "spreadsheet/xls/biff_records.h"

#include <algorithm>

#include "spreadsheet/internal/utf8.h"

namespace veltrano::spreadsheet::xls {

bool readRecord(std::string_view stream, std::uint32_t offset, Record& out)
{
    if (std::size_t(offset) + 4 > stream.size())
        return false;
    const std::uint16_t size = u16At(stream, offset + 2);
    if (std::size_t(offset) + 4 + size > stream.size())
        return false;
    out.type = u16At(stream, offset);
    out.offset = offset;
    out.data = stream.substr(offset + 4, size);
    return true;
}

std::vector<Segment> continuedSegments(std::string_view stream, const Record& first, std::uint32_t skip,
                                       std::uint32_t& end)
{
    std::vector<Segment> segments{{first.data.substr(skip), first.offset, skip}};
    end = first.end();
    Record r;
    while (readRecord(stream, end, r) && r.type == rt::kContinue) {
        segments.push_back({r.data, r.offset, 0});
        end = r.end();
    }
    return segments;
}

void appendBiffChars(std::string_view bytes, bool highByte, std::string& out)
{
    if (highByte)
        utf8::appendUtf16Le(out, bytes);
    else
        utf8::appendLatin1(out, bytes);
}

bool readUnicodeString(std::string_view data, std::size_t at, bool shortCount, std::string& out)
{
    const std::size_t countBytes = shortCount ? 1 : 2;
    if (at + countBytes + 1 > data.size())
        return false;
    const std::size_t cch = shortCount ? std::uint8_t(data[at]) : u16At(data, at);
    const bool highByte = (std::uint8_t(data[at + countBytes]) & 1) != 0;
    const std::size_t begin = at + countBytes + 1;
    const std::size_t length = cch * (highByte ? 2 : 1);
    if (begin + length > data.size())
        return false;
    appendBiffChars(data.substr(begin, length), highByte, out);
    return true;
}

std::u16string toUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t c = utf8::next(text, pos);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

bool ContinuedReader::more()
{
    while (m_segment < m_segments.size() && m_pos >= m_segments[m_segment].data.size()) {
        ++m_segment;
        m_pos = 0;
    }
    return m_segment < m_segments.size();
}

std::uint32_t ContinuedReader::streamPosition() const
{
    const Segment& s = m_segments[m_segment];
    return s.recordOffset + 4 + s.dataStart + std::uint32_t(m_pos);
}

std::uint16_t ContinuedReader::recordPosition() const
{
    const Segment& s = m_segments[m_segment];
    return std::uint16_t(4 + s.dataStart + m_pos);
}

bool ContinuedReader::take(std::size_t bytes)
{
    if (m_failed || !more() || m_pos + bytes > m_segments[m_segment].data.size()) {
        m_failed = true;
        return false;
    }
    return true;
}

std::uint8_t ContinuedReader::byte()
{
    if (!take(1))
        return 0;
    return std::uint8_t(m_segments[m_segment].data[m_pos++]);
}

std::uint16_t ContinuedReader::u16()
{
    std::uint16_t low = byte();
    return std::uint16_t(low | byte() << 8);
}

std::uint32_t ContinuedReader::u32()
{
    std::uint32_t low = u16();
    return low | std::uint32_t(u16()) << 16;
}

void ContinuedReader::skip(std::uint64_t bytes)
{
    while (bytes > 0) {
        if (!take(1))
            return;
        const std::size_t step = std::size_t(std::min<std::uint64_t>(bytes, m_segments[m_segment].data.size() - m_pos));
        m_pos += step;
        bytes -= step;
    }
}

std::string ContinuedReader::chars(std::uint32_t cch, bool highByte)
{
    std::string out;
    while (cch > 0 && !m_failed) {
        if (m_segment >= m_segments.size()) {
            m_failed = true;
            break;
        }
        if (m_pos >= m_segments[m_segment].data.size()) {
            // Characters that reach a record's end go on after a byte giving their width.
            ++m_segment;
            m_pos = 0;
            if (m_segment >= m_segments.size() || m_segments[m_segment].data.empty()) {
                m_failed = true;
                break;
            }
            highByte = (std::uint8_t(m_segments[m_segment].data[m_pos++]) & 1) != 0;
            continue;
        }
        const std::string_view data = m_segments[m_segment].data;
        const std::size_t unit = highByte ? 2 : 1;
        const std::size_t fit = std::min<std::size_t>(cch, (data.size() - m_pos) / unit);
        if (fit == 0) {  // half a 16-bit unit before the record's end
            m_failed = true;
            break;
        }
        appendBiffChars(data.substr(m_pos, fit * unit), highByte, out);
        m_pos += fit * unit;
        cch -= std::uint32_t(fit);
    }
    return out;
}

std::string ContinuedReader::richExtendedString(bool& plain)
{
    const std::uint16_t cch = u16();
    const std::uint8_t flags = byte();
    plain = (flags & 0x0C) == 0;
    const std::uint16_t runs = (flags & 0x08) ? u16() : 0;
    const std::uint32_t extBytes = (flags & 0x04) ? u32() : 0;
    std::string text = chars(cch, (flags & 0x01) != 0);
    skip(std::uint64_t(runs) * 4 + extBytes);
    return text;
}

}  // namespace veltrano::spreadsheet::xls
