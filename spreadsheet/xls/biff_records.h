#pragma once
// BIFF8 records of a workbook stream: their ids, bounded reads of their headers and fields,
// and strings that run on through CONTINUE records.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::spreadsheet::xls {

namespace rt {
inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kFilePass = 0x002F;
inline constexpr std::uint16_t kDateMode = 0x0022;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kWindow1 = 0x003D;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kExtSst = 0x00FF;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kIndex = 0x020B;
inline constexpr std::uint16_t kDbCell = 0x00D7;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kRString = 0x00D6;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kRk = 0x027E;
inline constexpr std::uint16_t kMulRk = 0x00BD;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kString = 0x0207;
inline constexpr std::uint16_t kArray = 0x0221;
inline constexpr std::uint16_t kTable = 0x0236;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kMulBlank = 0x00BE;
inline constexpr std::uint16_t kProtect = 0x0012;
inline constexpr std::uint16_t kWsBool = 0x0081;
inline constexpr std::uint16_t kSxView = 0x00B0;
inline constexpr std::uint16_t kHeader = 0x0014;
inline constexpr std::uint16_t kObj = 0x005D;
inline constexpr std::uint16_t kTxo = 0x01B6;
inline constexpr std::uint16_t kNote = 0x001C;
inline constexpr std::uint16_t kFooter = 0x0015;
}  // namespace rt

// A record's payload is at most this long; longer data runs on in CONTINUE records.
inline constexpr std::size_t kMaxRecordData = 8224;
inline constexpr std::uint16_t kBiff8Version = 0x0600;

inline std::uint16_t u16At(std::string_view data, std::size_t at)
{
    return std::uint16_t(std::uint8_t(data[at]) | std::uint8_t(data[at + 1]) << 8);
}
inline std::uint32_t u32At(std::string_view data, std::size_t at)
{
    return u16At(data, at) | std::uint32_t(u16At(data, at + 2)) << 16;
}
inline double f64At(std::string_view data, std::size_t at)
{
    std::uint64_t bits = u32At(data, at) | std::uint64_t(u32At(data, at + 4)) << 32;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
inline void putU16(std::string& out, std::size_t at, std::uint16_t value)
{
    out[at] = char(value & 0xFF);
    out[at + 1] = char(value >> 8);
}
inline void putU32(std::string& out, std::size_t at, std::uint32_t value)
{
    putU16(out, at, std::uint16_t(value));
    putU16(out, at + 2, std::uint16_t(value >> 16));
}
inline void appendU16(std::string& out, std::uint16_t value)
{
    out += char(value & 0xFF);
    out += char(value >> 8);
}
inline void appendU32(std::string& out, std::uint32_t value)
{
    appendU16(out, std::uint16_t(value));
    appendU16(out, std::uint16_t(value >> 16));
}

struct Record {
    std::uint16_t type = 0;
    std::uint32_t offset = 0;  // of the 4-byte header in the stream
    std::string_view data;
    std::uint32_t end() const { return offset + 4 + std::uint32_t(data.size()); }
};

// The record whose header is at offset; false when header or payload pass the stream's end.
bool readRecord(std::string_view stream, std::uint32_t offset, Record& out);

// One piece of a value spread over a record and its CONTINUE records.
struct Segment {
    std::string_view data;
    std::uint32_t recordOffset = 0;  // header of the record holding it
    std::uint32_t dataStart = 0;     // where data begins inside that record's payload
};

// The payload of first from skip on, then those of the CONTINUE records right after it; end is
// set just past the last of them.
std::vector<Segment> continuedSegments(std::string_view stream, const Record& first, std::uint32_t skip,
                                       std::uint32_t& end);

// Reads BIFF8 strings from segments: a string's characters may cross into the next segment,
// which then starts with a byte saying whether they go on as 8-bit or 16-bit units.
class ContinuedReader {
public:
    explicit ContinuedReader(std::vector<Segment> segments)
        : m_segments(std::move(segments))
    {}

    bool failed() const { return m_failed; }
    // Moves to the next segment when the current one is used up; false at the very end.
    bool more();
    // Where the next byte is: the stream offset and the offset inside its record (header included).
    std::uint32_t streamPosition() const;
    std::uint16_t recordPosition() const;
    std::uint8_t byte();
    std::uint16_t u16();
    std::uint32_t u32();
    void skip(std::uint64_t bytes);
    // cch characters as UTF-8, 16-bit units when highByte, switching at segment boundaries.
    std::string chars(std::uint32_t cch, bool highByte);
    // An XLUnicodeRichExtendedString (an SST entry): the text, runs and phonetics passed over;
    // plain tells whether it had neither.
    std::string richExtendedString(bool& plain);

private:
    bool take(std::size_t bytes);  // ensures bytes in the current segment
    std::vector<Segment> m_segments;
    std::size_t m_segment = 0;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

// Appends characters stored as 8-bit (Latin-1) or UTF-16LE units to out as UTF-8.
void appendBiffChars(std::string_view bytes, bool highByte, std::string& out);

// An XLUnicodeString (16-bit count, flags, characters) at data[at]; false when cut short.
bool readUnicodeString(std::string_view data, std::size_t at, bool shortCount, std::string& out);

// The UTF-16 code units of UTF-8 text.
std::u16string toUtf16(std::string_view text);

}  // namespace veltrano::spreadsheet::xls
