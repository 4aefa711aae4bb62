#include "pagehost/bounded_server.h"

#include "pagehost/connection_reader.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace veltrano::pagehost {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A worker answers one request at a time, so its own flag belongs to the request it answers.
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

// One request that has already arrived, read from memory; the answer goes to the socket as
// cpp-httplib's own stream writes it.
class RequestStream final : public httplib::Stream {
public:
    RequestStream(int socket, std::string_view request, milliseconds writeIdle)
        : m_socket(socket),
          m_request(request),
          m_writeIdle(writeIdle)
    {}

    bool is_readable() const override { return !m_request.empty(); }
    bool is_writable() const override { return waitFor(m_socket, POLLOUT, m_writeIdle); }

    // The request's bytes, and none past them: a body the answer leaves unread ends there, and
    // one over the byte limit ends where reading stopped.
    ssize_t read(char* data, size_t size) override
    {
        const std::size_t count = std::min(size, m_request.size());
        if (count == 0)
            return -1;
        std::memcpy(data, m_request.data(), count);
        m_request.remove_prefix(count);
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
    int m_socket;
    std::string_view m_request;
    milliseconds m_writeIdle;
};

}  // namespace

// cpp-httplib gives each accepted connection to its task queue as a task that serves the
// connection to its end. This queue runs that task at once on the accepting thread, where it
// only passes the socket to the reader; its workers answer the requests the reader has in hand.
class BoundedServer::Workers final : public httplib::TaskQueue {
public:
    Workers(BoundedServer& server, std::size_t workers, const ReaderLimits& limits)
        : m_server(server),
          m_pool(workers),
          m_reader(limits, [this](Connection connection) { answerLater(std::move(connection)); })
    {}

    void enqueue(std::function<void()> task) override { task(); }

    // Closes the connections waiting for requests, then lets the workers finish those in hand.
    void shutdown() override
    {
        m_reader.stop();
        m_pool.shutdown();
        m_server.m_workers = nullptr;
    }

    ConnectionReader& reader() { return m_reader; }

private:
    void answerLater(Connection connection)
    {
        // A task must be copyable; the connection is not.
        auto shared = std::make_shared<Connection>(std::move(connection));
        m_pool.enqueue([this, shared] { m_server.answer(std::move(*shared), m_reader); });
    }

    BoundedServer& m_server;
    httplib::ThreadPool m_pool;
    ConnectionReader m_reader;
};

BoundedServer::BoundedServer(const ServerLimits& limits)
    : m_limits(limits)
{
    new_task_queue = [this] {
        const ReaderLimits readerLimits{std::chrono::seconds(keep_alive_timeout_sec_), m_limits.requestArrival,
                                        FramingLimits{m_limits.requestBytes}};
        m_workers = new Workers(*this, m_limits.workers, readerLimits);
        return m_workers;
    };
}

void BoundedServer::closeConnectionAfterAnswer(httplib::Response& response)
{
    response.set_header("Connection", "close");
    closeAfterAnswer = true;
}

void BoundedServer::widenAcceptQueue()
{
    // Listening again on a listening socket changes only its queue's length.
    ::listen(svr_sock_, SOMAXCONN);
}

bool BoundedServer::process_and_close_socket(socket_t socket)
{
    m_workers->reader().accept(socket);
    return true;
}

void BoundedServer::answer(Connection connection, ConnectionReader& reader)
{
    RequestStream stream(connection.socket(), connection.request(),
                         fromTimeval(write_timeout_sec_, write_timeout_usec_));
    const bool overLimit = connection.frame.state == FrameState::OverLimit;
    const bool last = overLimit || connection.answered + 1 >= keep_alive_max_count_;
    closeAfterAnswer = false;
    bool clientClosed = false;
    const bool served = process_request(stream, last, clientClosed, nullptr);
    const bool keepOpen = served && !clientClosed && !last && !closeAfterAnswer;
    closeAfterAnswer = false;
    ++connection.answered;
    connection.startNextRequest();
    if (keepOpen)
        reader.hold(std::move(connection));
    else
        reader.close(std::move(connection));
}

void raiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace veltrano::pagehost
