#pragma once
// Where one HTTP request ends among the bytes a connection has brought, found before any worker
// sees the request: a connection goes to a worker only with a whole request, and a request whose
// end two readers could place differently (two lengths, a length and a coding, an unknown coding)
// is refused here, before anything acts on it.

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrano::pagehost {

struct FramingLimits {
    // Head and body with its framing; a longer request is never waited for whole. A body of the
    // API's largest (1 MiB) and room for its head.
    std::size_t requestBytes = 1024 * 1024 + 64 * 1024;
    // The request line with its CR LF, as cpp-httplib bounds it (its own 414 comes only after
    // the line has arrived in full).
    std::size_t requestLineBytes = 8192;
};

enum class FrameState {
    Incomplete,  // more bytes are needed, and may still come within the limits
    Whole,       // the first request is the first length bytes
    OverLimit,   // the head is whole, the request cannot be within requestBytes: it is answered
                 // from the bytes at hand and the connection ends
    Refused,     // answered with status and reason alone; the connection ends
};

struct RequestFrame {
    FrameState state = FrameState::Incomplete;
    std::size_t length = 0;  // Whole: the request's bytes, head and body
    int status = 0;          // Refused: 400, 414, 431 or 501
    std::string reason;      // Refused: one line
};

// Finds the end of a connection's next request as its bytes arrive, looking at each byte once.
class RequestFramer {
public:
    explicit RequestFramer(const FramingLimits& limits = {})
        : m_limits(limits)
    {}

    // Where the request starting at bytes[0] stands; bytes are those of the previous call with
    // more appended, and may go on into the following request.
    RequestFrame examine(std::string_view bytes);

    // Starts over for a request at the start of other bytes.
    void reset() { *this = RequestFramer(m_limits); }

private:
    enum class Part {
        RequestLine,
        Header,
        FixedBody,
        ChunkSize,
        ChunkData,
        ChunkDataEnd,
        Trailer,
        Done
    };

    RequestFrame step(std::string_view bytes);
    RequestFrame takeLine(std::string_view line);
    RequestFrame takeHeader(std::string_view line);
    RequestFrame endOfHead();
    RequestFrame takeChunkSize(std::string_view line);

    FramingLimits m_limits;
    Part m_part = Part::RequestLine;
    std::size_t m_offset = 0;     // start of the first part not yet taken
    std::size_t m_searched = 0;   // bytes already searched for the current line's end
    std::size_t m_dataEnd = 0;    // FixedBody, ChunkData: where the data ends
    std::string m_contentLength;  // the value of the first Content-Length header
    bool m_hasContentLength = false;
    std::string m_transferCoding;  // every Transfer-Encoding header's value, joined by commas
    bool m_hasTransferCoding = false;
};

}  // namespace veltrano::pagehost
