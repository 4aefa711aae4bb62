#include "pagehost/request_framing.h"

#include "pagehost/http_text.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>

namespace veltrano::pagehost {
namespace {

constexpr std::string_view kBlanks = " \t";

RequestFrame incomplete()
{
    return RequestFrame{};
}

RequestFrame whole(std::size_t length)
{
    return RequestFrame{FrameState::Whole, length, 0, {}};
}

RequestFrame overLimit()
{
    return RequestFrame{FrameState::OverLimit, 0, 0, {}};
}

RequestFrame refused(int status, std::string reason)
{
    return RequestFrame{FrameState::Refused, 0, status, std::move(reason)};
}

// A whole number in text and nothing else; none for a sign, a space or too many digits.
std::optional<std::uint64_t> wholeNumber(std::string_view text, int base)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Transfer-Encoding lists codings, the last applied last; only chunked alone leaves a body this
// host can read, and anything else would be read as the wrong bytes.
bool onlyChunked(std::string_view codings)
{
    std::size_t count = 0;
    bool chunked = false;
    while (!codings.empty()) {
        const auto comma = codings.find(',');
        const std::string_view coding = withoutBlanks(codings.substr(0, comma));
        if (!coding.empty()) {
            ++count;
            chunked = sameLetters(coding, "chunked");
        }
        codings = comma == std::string_view::npos ? std::string_view{} : codings.substr(comma + 1);
    }
    return count == 1 && chunked;
}

std::size_t addWithoutOverflow(std::size_t a, std::uint64_t b)
{
    constexpr auto most = std::numeric_limits<std::size_t>::max();
    return b > most - a ? most : a + static_cast<std::size_t>(b);
}

// A refusal for a field line that two readers could take apart differently; Incomplete (go on)
// for a plain "name: value".
RequestFrame fieldProblem(std::string_view line)
{
    if (kBlanks.find(line.front()) != std::string_view::npos)
        return refused(400, "a header line is folded onto the one before");
    const auto colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos)
        return refused(400, "a header line has no name");
    if (line.substr(0, colon).find_first_of(kBlanks) != std::string_view::npos)
        return refused(400, "a header name holds a space");
    return incomplete();
}

}  // namespace

RequestFrame RequestFramer::examine(std::string_view bytes)
{
    for (;;) {
        const std::size_t before = m_offset;
        const Part part = m_part;
        RequestFrame frame = step(bytes);
        if (frame.state != FrameState::Incomplete)
            return frame;
        if (m_offset == before && m_part == part)
            break;
    }
    if (bytes.size() < m_limits.requestBytes)
        return incomplete();
    if (m_part == Part::RequestLine || m_part == Part::Header)
        return refused(431, "the request head is longer than " + std::to_string(m_limits.requestBytes) + " bytes");
    return overLimit();
}

// Takes one part of the request if it has arrived: a line, or a run of body bytes. Incomplete
// with nothing moved when the part has not arrived yet.
RequestFrame RequestFramer::step(std::string_view bytes)
{
    if (m_part == Part::Done)
        return whole(m_offset);
    if (m_part == Part::FixedBody || m_part == Part::ChunkData) {
        if (bytes.size() < m_dataEnd)
            return incomplete();
        m_offset = m_searched = m_dataEnd;
        m_part = m_part == Part::FixedBody ? Part::Done : Part::ChunkDataEnd;
        return incomplete();
    }
    const std::size_t end = bytes.find('\n', m_searched);
    const bool requestLine = m_part == Part::RequestLine;
    if (requestLine && (end == std::string_view::npos ? bytes.size() + 1 : end + 1) > m_limits.requestLineBytes)
        return refused(414, "the request line is longer than " + std::to_string(m_limits.requestLineBytes) + " bytes");
    if (end == std::string_view::npos) {
        m_searched = bytes.size();
        return incomplete();
    }
    std::string_view line = bytes.substr(m_offset, end - m_offset);
    if (line.empty() || line.back() != '\r')
        return refused(400, "a line of the request does not end in CR LF");
    line.remove_suffix(1);
    if (line.find('\r') != std::string_view::npos)
        return refused(400, "a line of the request holds a lone CR");
    m_offset = m_searched = end + 1;
    return takeLine(line);
}

RequestFrame RequestFramer::takeLine(std::string_view line)
{
    switch (m_part) {
    case Part::RequestLine:
        if (line.empty())
            return refused(400, "the request line is empty");
        m_part = Part::Header;
        return incomplete();
    case Part::Header:
        return line.empty() ? endOfHead() : takeHeader(line);
    case Part::ChunkSize:
        return takeChunkSize(line);
    case Part::ChunkDataEnd:
        if (!line.empty())
            return refused(400, "a chunk runs past its size");
        m_part = Part::ChunkSize;
        return incomplete();
    case Part::Trailer:
        if (line.empty()) {
            m_part = Part::Done;
            return whole(m_offset);
        }
        return fieldProblem(line);
    default:
        return incomplete();
    }
}

RequestFrame RequestFramer::takeHeader(std::string_view line)
{
    if (RequestFrame problem = fieldProblem(line); problem.state != FrameState::Incomplete)
        return problem;
    const auto colon = line.find(':');
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = withoutBlanks(line.substr(colon + 1));
    if (sameLetters(name, "Content-Length")) {
        if (m_hasContentLength && value != m_contentLength)
            return refused(400, "the request has two different Content-Length headers");
        m_contentLength = value;
        m_hasContentLength = true;
    } else if (sameLetters(name, "Transfer-Encoding")) {
        m_transferCoding += (m_hasTransferCoding ? "," : "") + std::string(value);
        m_hasTransferCoding = true;
    }
    return incomplete();
}

RequestFrame RequestFramer::endOfHead()
{
    if (m_hasContentLength && m_hasTransferCoding)
        return refused(400, "the request has both Content-Length and Transfer-Encoding");
    if (m_hasTransferCoding) {
        if (!onlyChunked(m_transferCoding))
            return refused(501, "transfer coding \"" + m_transferCoding + "\" is not supported; only chunked is");
        m_part = Part::ChunkSize;
        return incomplete();
    }
    if (!m_hasContentLength) {
        m_part = Part::Done;
        return whole(m_offset);
    }
    const auto length = wholeNumber(m_contentLength, 10);
    if (!length)
        return refused(400, "Content-Length is not a number: " + m_contentLength);
    m_dataEnd = addWithoutOverflow(m_offset, *length);
    // A body that cannot fit is not waited for: the answer (413, or 400 for a route that takes no
    // body) needs only the head.
    if (m_dataEnd > m_limits.requestBytes)
        return overLimit();
    m_part = Part::FixedBody;
    return incomplete();
}

RequestFrame RequestFramer::takeChunkSize(std::string_view line)
{
    // Chunk extensions after ';' carry nothing this host uses.
    const std::string_view digits = withoutBlanks(line.substr(0, line.find(';')));
    const auto size = digits.size() <= 16 ? wholeNumber(digits, 16) : std::nullopt;
    if (!size || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
        return refused(400, "a chunk size is not a hexadecimal number: " + std::string(digits.substr(0, 32)));
    if (*size == 0) {
        m_part = Part::Trailer;
        return incomplete();
    }
    m_dataEnd = addWithoutOverflow(m_offset, *size);
    m_part = Part::ChunkData;
    return incomplete();
}

}  // namespace veltrano::pagehost
