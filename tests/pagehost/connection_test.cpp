// The real host over raw sockets: connections that wait without holding up anyone else, and
// requests refused for where they could come from or for framing that could be read two ways.
#include "host_process.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <iostream>
#include <sstream>

namespace veltrano::pagehost::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using namespace std::string_literals;

class ClientSocket {
public:
    explicit ClientSocket(int port)
        : m_socket(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~ClientSocket() { close(m_socket); }
    ClientSocket(const ClientSocket&) = delete;
    ClientSocket& operator=(const ClientSocket&) = delete;

    bool send(const std::string& data)
    {
        return m_connected && ::send(m_socket, data.data(), data.size(), MSG_NOSIGNAL) == ssize_t(data.size());
    }

    // What the host sends until it closes the connection, or until within has passed.
    std::string answer(std::chrono::milliseconds within)
    {
        std::string answer;
        const auto deadline = Clock::now() + within;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd readable = {m_socket, POLLIN, 0};
            if (left <= 0ms || poll(&readable, 1, static_cast<int>(left.count())) <= 0)
                return answer;
            char buffer[4096];
            const ssize_t n = recv(m_socket, buffer, sizeof buffer, 0);
            if (n <= 0) {
                m_closedByHost = true;
                return answer;
            }
            answer.append(buffer, static_cast<std::size_t>(n));
        }
    }

    bool closedByHost() const { return m_closedByHost; }

private:
    int m_socket;
    bool m_connected = false;
    bool m_closedByHost = false;
};

class Connections : public ::testing::Test {
protected:
    void SetUp() override
    {
        signal(SIGPIPE, SIG_IGN);
        std::string error;
        // Nothing here needs a translation pipeline; starting none leaves the processor to the host.
        m_host = HostProcess::start({"--no-warm-up"}, error);
        ASSERT_TRUE(m_host) << error;
    }

    std::string port() const { return std::to_string(m_host->port()); }
    std::string ownHost() const { return "Host: 127.0.0.1:" + port() + "\r\n"; }

    // The host's answer to request alone on a new connection, which the host is to close; the
    // bound only keeps a host that does not from hanging the test.
    std::string exchange(const std::string& request, bool& closedByHost)
    {
        ClientSocket client(m_host->port());
        EXPECT_TRUE(client.send(request));
        const std::string answer = client.answer(5s);
        closedByHost = client.closedByHost();
        return answer;
    }

    std::unique_ptr<HostProcess> m_host;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string status(const std::string& answer)
{
    return answer.substr(0, 12);
}

TEST_F(Connections, ARequestIsAnsweredAtOnceWhileHundredsOfSlowOrIdleConnectionsWait)
{
    constexpr int kWaiting = 300;
    const struct {
        const char* name;
        std::string sent;
    } waiting[] = {
        {"half a request head", "GET /health HTTP/1.1\r\n" + ownHost() + "X-Half"},
        {"nothing", ""},
    };
    for (const auto& c : waiting) {
        std::deque<ClientSocket> others;
        for (int i = 0; i < kWaiting; ++i)
            ASSERT_TRUE(others.emplace_back(m_host->port()).send(c.sent)) << c.name << " #" << i;

        const auto start = Clock::now();
        ClientSocket client(m_host->port());
        client.send("GET /health HTTP/1.1\r\n" + ownHost() + "Connection: close\r\n\r\n");
        const std::string answer = client.answer(3s);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        std::cout << "[ measured ] beside " << kWaiting << " connections that sent " << c.name << ": answered in "
                  << took.count() << " ms\n";
        EXPECT_EQ(status(answer), "HTTP/1.1 200") << c.name << ": " << answer;
        EXPECT_LT(took, 3s) << c.name;
    }
}

TEST_F(Connections, RequestsSentTogetherAreAnsweredInTurn)
{
    ClientSocket client(m_host->port());
    const std::string json = R"({"sl":"en","tl":"es","q":["12"]})";
    client.send("GET /health HTTP/1.1\r\n" + ownHost() + "\r\n" + "POST /api/translate HTTP/1.1\r\n" + ownHost()
                + "Content-Type: application/json\r\nContent-Length: " + std::to_string(json.size()) + "\r\n\r\n" + json
                + "GET /api/version HTTP/1.1\r\n" + ownHost() + "Connection: close\r\n\r\n");
    const std::string answer = client.answer(5s);
    const auto health = answer.find("\"status\"");
    const auto translation = answer.find(R"({"translations":["12"]})");
    const auto version = answer.find("\"program\"");
    EXPECT_TRUE(health < translation && translation < version && version != std::string::npos) << answer;
    EXPECT_TRUE(client.closedByHost());
}

TEST_F(Connections, RequestsAPageFromElsewhereCouldHaveSentAreRefused)
{
    const std::string json = R"({"sl":"en","tl":"es","q":["7"]})";
    const auto post = [&](const std::string& host, const std::string& contentType) {
        return "POST /api/translate HTTP/1.1\r\nHost: " + host + "\r\n"
               + (contentType.empty() ? "" : "Content-Type: " + contentType + "\r\n")
               + "Content-Length: " + std::to_string(json.size()) + "\r\nConnection: close\r\n\r\n" + json;
    };
    const std::string own = "127.0.0.1:" + port();
    const struct {
        const char* name;
        std::string request;
        const char* status;
    } cases[] = {
        {"its own address", post(own, "application/json"), "200"},
        {"localhost", post("localhost:" + port(), "application/json; charset=UTF-8"), "200"},
        {"another name", post("rebound.example:" + port(), "application/json"), "421"},
        {"no port", post("127.0.0.1", "application/json"), "421"},
        {"the page by another name",
         "GET /translate_t?sl=en&tl=es&text= HTTP/1.1\r\nHost: rebound.example:" + port() + "\r\n\r\n", "421"},
        {"no Host", "GET /health HTTP/1.1\r\n\r\n", "421"},
        {"two Hosts", "GET /health HTTP/1.1\r\nHost: " + own + "\r\nHost: rebound.example\r\n\r\n", "421"},
        {"plain text", post(own, "text/plain"), "415"},
        {"no type", post(own, ""), "415"},
    };
    for (const auto& c : cases) {
        bool closed = false;
        const std::string answer = exchange(c.request, closed);
        EXPECT_EQ(status(answer), "HTTP/1.1 "s + c.status) << c.name << ": " << answer;
        EXPECT_TRUE(closed) << c.name;
        if (std::string_view(c.status) != "200") {
            EXPECT_TRUE(contains(answer, "Connection: close") && contains(answer, "{\"error\":")) << c.name << answer;
        }
    }
}

TEST_F(Connections, FramingThatCouldBeReadTwoWaysIsRefusedAndTheConnectionEnded)
{
    const std::string head = "POST /api/translate HTTP/1.1\r\n" + ownHost() + "Content-Type: application/json\r\n";
    const struct {
        const char* name;
        std::string request;
        const char* status;
    } cases[] = {
        {"two lengths", head + "Content-Length: 2\r\nContent-Length: 3\r\n\r\n{}", "400"},
        {"a length and a coding", head + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", "400"},
        {"gzip, chunked", head + "Transfer-Encoding: gzip, chunked\r\n\r\n", "501"},
        {"a request line over 8 KiB", "GET /health?" + std::string(9000, 'a') + " HTTP/1.1\r\n" + ownHost() + "\r\n",
         "414"},
    };
    for (const auto& c : cases) {
        bool closed = false;
        const std::string answer = exchange(c.request, closed);
        EXPECT_EQ(status(answer), "HTTP/1.1 "s + c.status) << c.name << ": " << answer;
        EXPECT_TRUE(contains(answer, "Connection: close") && contains(answer, "{\"error\":")) << c.name << answer;
        EXPECT_TRUE(closed) << c.name;
    }
    // A lone chunked coding is read as ever.
    const std::string json = R"({"sl":"en","tl":"es","q":["3"]})";
    std::ostringstream rest;
    rest << std::hex << json.size() - 5 << "\r\n" << json.substr(5) << "\r\n0\r\n\r\n";
    bool closed = false;
    const std::string chunked = exchange(head + "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n5\r\n"
                                             + json.substr(0, 5) + "\r\n" + rest.str(),
                                         closed);
    EXPECT_TRUE(contains(chunked, R"({"translations":["3"]})")) << chunked;
}

}  // namespace
}  // namespace veltrano::pagehost::testing
