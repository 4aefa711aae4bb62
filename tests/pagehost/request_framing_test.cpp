#include "pagehost/request_framing.h"

#include <gtest/gtest.h>

namespace veltrano::pagehost {
namespace {

using namespace std::string_literals;

const std::string kGet = "GET /health HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n";
const std::string kNext = "GET /next HTTP/1.1\r\n";

std::string post(const std::string& framing, const std::string& body)
{
    return "POST /api/translate HTTP/1.1\r\nHost: h\r\n" + framing + "\r\n" + body;
}

// Requests as they arrive whole, each followed by the start of the next request on the connection.
TEST(RequestFramer, FindsTheEndOfEachWholeRequestHoweverItArrives)
{
    const std::string chunked =
        post("Transfer-Encoding: chunked\r\n", "4;ext=1\r\n{\"a\"\r\n2\r\n:1\r\n1\r\n}\r\n0\r\n\r\n");
    const std::string requests[] = {
        kGet,
        post("Content-Length: 7\r\n", "{\"a\":1}"),
        post("Content-Length: 7\r\ncontent-length:  7 \r\n", "{\"a\":1}"),
        post("Content-Length: 0\r\n", ""),
        chunked,
        post("Transfer-Encoding: Chunked\r\n", "A\r\n0123456789\r\n0\r\nX-Sum: 1\r\n\r\n"),
        post("Transfer-Encoding: chunked\r\n", "0\r\n\r\n"),
    };
    for (const std::string& request : requests) {
        const std::string bytes = request + kNext;
        RequestFramer atOnce;
        const RequestFrame frame = atOnce.examine(bytes);
        EXPECT_EQ(frame.state, FrameState::Whole) << request << frame.reason;
        EXPECT_EQ(frame.length, request.size()) << request;

        // The same bytes one at a time: nothing is whole before the last byte of the request.
        RequestFramer byByte;
        for (std::size_t size = 0; size < request.size(); ++size)
            ASSERT_EQ(byByte.examine(std::string_view(bytes).substr(0, size)).state, FrameState::Incomplete)
                << request << " at " << size;
        EXPECT_EQ(byByte.examine(std::string_view(bytes).substr(0, request.size())).length, request.size()) << request;
    }
}

TEST(RequestFramer, RefusesFramingThatCouldBeReadTwoWays)
{
    const struct {
        std::string bytes;
        int status;
    } cases[] = {
        {post("Content-Length: 7\r\nContent-Length: 8\r\n", "{\"a\":1}x"), 400},
        {post("Content-Length: 5\r\nTransfer-Encoding: chunked\r\n", "0\r\n\r\n"), 400},
        {post("Transfer-Encoding: gzip, chunked\r\n", ""), 501},
        {post("Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n", ""), 501},
        {post("Transfer-Encoding: identity\r\n", ""), 501},
        {post("Content-Length: -1\r\n", ""), 400},
        {post("Content-Length: 1e3\r\n", ""), 400},
        {post("Content-Length: 99999999999999999999999\r\n", ""), 400},
        {post("Transfer-Encoding: chunked\r\n", "x\r\n"), 400},
        {post("Transfer-Encoding: chunked\r\n", "2\r\nabc\r\n"), 400},
        {post("Transfer-Encoding: chunked\r\n", "0\r\nbad trailer\r\n"), 400},
        {"GET / HTTP/1.1\nHost: h\n\n", 400},
        {"GET / HTTP/1.1\r\nHost: h\r\nX: a\rb\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nHost: h\r\n folded\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nContent-Length : 5\r\n\r\nhello", 400},
        {"\r\nGET / HTTP/1.1\r\n\r\n", 400},
        {"GET /" + std::string(8190, 'a') + " HTTP/1.1\r\n\r\n", 414},
        {"GET /" + std::string(9000, 'a'), 414},
    };
    for (const auto& c : cases) {
        RequestFramer framer;
        const RequestFrame frame = framer.examine(c.bytes);
        EXPECT_EQ(frame.state, FrameState::Refused) << c.bytes.substr(0, 120);
        EXPECT_EQ(frame.status, c.status) << c.bytes.substr(0, 120) << ": " << frame.reason;
        EXPECT_FALSE(frame.reason.empty());
    }
}

TEST(RequestFramer, NeverWaitsForMoreThanTheByteLimit)
{
    const FramingLimits limits{1000, 100};
    const struct {
        const char* name;
        std::string bytes;
        FrameState state;
    } cases[] = {
        {"line at its limit", "GET /" + std::string(100 - 16, 'a') + " HTTP/1.1\r\n", FrameState::Incomplete},
        {"line past its limit", "GET /" + std::string(100 - 15, 'a') + " HTTP/1.1\r\n", FrameState::Refused},
        {"body to the limit", post("Content-Length: 938\r\n", ""), FrameState::Incomplete},
        {"body past the limit", post("Content-Length: 939\r\n", ""), FrameState::OverLimit},
        {"chunks filling the limit", post("Transfer-Encoding: chunked\r\n", "1000\r\n" + std::string(1000, 'x')),
         FrameState::OverLimit},
        {"head filling the limit", "GET / HTTP/1.1\r\nX: " + std::string(1000, 'x'), FrameState::Refused},
    };
    for (const auto& c : cases) {
        RequestFramer framer(limits);
        EXPECT_EQ(framer.examine(std::string_view(c.bytes).substr(0, limits.requestBytes)).state, c.state) << c.name;
    }
}

}  // namespace
}  // namespace veltrano::pagehost
