#include "pagehost/bounded_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace veltrano::pagehost {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// cpp-httplib runs all requests of one connection on the worker that accepted it, so the
// worker's own flag belongs to the connection being served.
thread_local bool closeAfterAnswer = false;

milliseconds fromTimeval(time_t seconds, time_t microseconds)
{
    return std::chrono::duration_cast<milliseconds>(std::chrono::seconds(seconds)
                                                    + std::chrono::microseconds(microseconds));
}

bool waitFor(int socket, short events, milliseconds timeout)
{
    pollfd descriptor = {socket, events, 0};
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto left = std::max(milliseconds(0), std::chrono::duration_cast<milliseconds>(deadline - Clock::now()));
        const int ready = poll(&descriptor, 1, static_cast<int>(left.count()));
        if (ready >= 0 || errno != EINTR)
            return ready > 0;
    }
}

void addressOf(const sockaddr_storage& address, std::string& ip, int& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

// A client still sending a body the server will not read gets the answer before the connection
// ends: closing with unread input resets the connection, and the client's system may drop the
// answer with it (or the client fail on its next write before reading it). So the rest is read
// and dropped while the client goes on, for two seconds at most.
void discardUnreadInput(int socket)
{
    shutdown(socket, SHUT_WR);
    const auto deadline = Clock::now() + milliseconds(2000);
    char scrap[16 * 1024];
    while (Clock::now() < deadline && waitFor(socket, POLLIN, milliseconds(1000))) {
        if (recv(socket, scrap, sizeof scrap, 0) <= 0)
            return;
    }
}

// A connection's socket read through a buffer, each request within a deadline and a byte count
// from its first byte; writes as cpp-httplib's own stream does them.
class BoundedStream final : public httplib::Stream {
public:
    BoundedStream(int socket, milliseconds readIdle, milliseconds writeIdle)
        : m_socket(socket),
          m_readIdle(readIdle),
          m_writeIdle(writeIdle)
    {}

    // Waits up to idle for the next request's first byte, checking every tenth of a second
    // whether the server is stopping.
    bool waitForRequest(milliseconds idle, const std::atomic<socket_t>& serverSocket) const
    {
        if (m_offset < m_filled)
            return true;
        const auto deadline = Clock::now() + idle;
        while (serverSocket != INVALID_SOCKET && Clock::now() < deadline) {
            if (waitFor(m_socket, POLLIN, milliseconds(100)))
                return true;
        }
        return false;
    }

    void startRequest(milliseconds arrival, std::size_t bytes)
    {
        m_deadline = Clock::now() + arrival;
        m_bytesLeft = bytes;
    }

    bool is_readable() const override { return m_offset < m_filled || waitFor(m_socket, POLLIN, readWait()); }
    bool is_writable() const override { return waitFor(m_socket, POLLOUT, m_writeIdle); }

    ssize_t read(char* data, size_t size) override
    {
        if (m_offset == m_filled && !fill())
            return -1;
        const std::size_t count = std::min({size, m_filled - m_offset, m_bytesLeft});
        if (count == 0)
            return -1;
        std::memcpy(data, m_buffer.data() + m_offset, count);
        m_offset += count;
        m_bytesLeft -= count;
        return static_cast<ssize_t>(count);
    }

    using httplib::Stream::write;
    ssize_t write(const char* data, size_t size) override
    {
        if (!is_writable())
            return -1;
        for (;;) {
            const ssize_t sent = send(m_socket, data, size, MSG_NOSIGNAL);
            if (sent >= 0 || errno != EINTR)
                return sent;
        }
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (getpeername(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            addressOf(address, ip, port);
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            addressOf(address, ip, port);
    }

    socket_t socket() const override { return m_socket; }

private:
    milliseconds readWait() const
    {
        const auto untilDeadline = std::chrono::duration_cast<milliseconds>(m_deadline - Clock::now());
        return std::clamp(untilDeadline, milliseconds(0), m_readIdle);
    }

    // False when the request's time or bytes are used up, the client went quiet for the read
    // timeout, or the connection ended.
    bool fill()
    {
        if (m_bytesLeft == 0 || !waitFor(m_socket, POLLIN, readWait()))
            return false;
        ssize_t received = 0;
        do {
            received = recv(m_socket, m_buffer.data(), m_buffer.size(), 0);
        } while (received < 0 && errno == EINTR);
        if (received <= 0)
            return false;
        m_offset = 0;
        m_filled = static_cast<std::size_t>(received);
        return true;
    }

    int m_socket;
    milliseconds m_readIdle;
    milliseconds m_writeIdle;
    Clock::time_point m_deadline;
    std::size_t m_bytesLeft = 0;
    std::array<char, 16 * 1024> m_buffer{};
    std::size_t m_offset = 0;
    std::size_t m_filled = 0;
};

}  // namespace

BoundedServer::BoundedServer(const ServerLimits& limits)
    : m_limits(limits)
{
    new_task_queue = [workers = limits.workers] { return new httplib::ThreadPool(workers); };
}

void BoundedServer::closeConnectionAfterAnswer(httplib::Response& response)
{
    response.set_header("Connection", "close");
    closeAfterAnswer = true;
}

bool BoundedServer::process_and_close_socket(socket_t socket)
{
    BoundedStream stream(socket, fromTimeval(read_timeout_sec_, read_timeout_usec_),
                         fromTimeval(write_timeout_sec_, write_timeout_usec_));
    const milliseconds keepAlive = std::chrono::seconds(keep_alive_timeout_sec_);
    bool served = false;
    for (std::size_t left = keep_alive_max_count_; left > 0 && stream.waitForRequest(keepAlive, svr_sock_); --left) {
        stream.startRequest(m_limits.requestArrival, m_limits.requestBytes);
        closeAfterAnswer = false;
        bool clientClosed = false;
        served = process_request(stream, left == 1, clientClosed, nullptr);
        if (closeAfterAnswer) {
            discardUnreadInput(socket);
            break;
        }
        if (!served || clientClosed)
            break;
    }
    closeAfterAnswer = false;
    shutdown(socket, SHUT_RDWR);
    close(socket);
    return served;
}

}  // namespace veltrano::pagehost
