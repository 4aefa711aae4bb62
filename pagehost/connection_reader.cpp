#include "pagehost/connection_reader.h"

#include "pagehost/api.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace veltrano::pagehost {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const char* statusText(int status)
{
    switch (status) {
    case 400:
        return "Bad Request";
    case 408:
        return "Request Timeout";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 501:
        return "Not Implemented";
    default:
        return "Error";
    }
}

// An answer small enough for an idle socket's send buffer, so written without waiting; a client
// that has left unread answers filling that buffer loses this one.
void sendRefusal(int socket, int status, const std::string& reason)
{
    const std::string body = errorJson(reason);
    const std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + statusText(status)
                               + "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: "
                               + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    send(socket, answer.data(), answer.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
}

// What a read from a socket that poll found ready tells: bytes, nothing yet, or the end.
bool connectionEnded(ssize_t received)
{
    return received == 0 || (received < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

}  // namespace

ConnectionReader::ConnectionReader(const ReaderLimits& limits, HandOver handOver)
    : m_limits(limits),
      m_handOver(std::move(handOver)),
      m_wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_thread([this] { run(); })
{}

ConnectionReader::~ConnectionReader()
{
    stop();
    ::close(m_wake);
}

void ConnectionReader::accept(int socket)
{
    hold(Connection(socket, m_limits.framing));
}

void ConnectionReader::hold(Connection connection)
{
    const bool arriving = !connection.received.empty();
    admit(Held{std::move(connection), arriving ? Phase::Arriving : Phase::Idle,
               Clock::now() + (arriving ? m_limits.arrival : m_limits.idle)});
}

void ConnectionReader::close(Connection connection)
{
    shutdown(connection.socket(), SHUT_WR);
    connection.received.clear();
    admit(Held{std::move(connection), Phase::Draining, Clock::now() + m_limits.drain});
}

void ConnectionReader::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    wake();
    if (m_thread.joinable())
        m_thread.join();
    const std::lock_guard lock(m_mutex);
    m_admitted.clear();
}

void ConnectionReader::admit(Held held)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;  // held's connection closes as it goes
        m_admitted.push_back(std::move(held));
    }
    wake();
}

void ConnectionReader::wake() const
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wake, &one, sizeof one);
}

void ConnectionReader::run()
{
    for (;;) {
        {
            const std::lock_guard lock(m_mutex);
            if (m_stopping)
                break;
        }
        takeAdmitted();
        pollHeld();
        std::erase_if(m_held, [](const Held& held) { return !held.connection.isOpen(); });
    }
    m_held.clear();
}

void ConnectionReader::takeAdmitted()
{
    std::vector<Held> admitted;
    {
        const std::lock_guard lock(m_mutex);
        admitted.swap(m_admitted);
    }
    for (Held& held : admitted) {
        // A connection back from a worker may already hold its next request.
        if (held.phase == Phase::Arriving)
            decide(held);
        if (held.connection.isOpen())
            m_held.push_back(std::move(held));
    }
}

// Waits for any held connection to bring bytes, for the earliest deadline, or to be woken; then
// reads what came and ends what is due.
void ConnectionReader::pollHeld()
{
    std::vector<pollfd> polled{{m_wake, POLLIN, 0}};
    auto earliest = Clock::time_point::max();
    for (const Held& held : m_held) {
        polled.push_back({held.connection.socket(), POLLIN, 0});
        earliest = std::min(earliest, held.deadline);
    }
    int timeout = -1;
    if (earliest != Clock::time_point::max()) {
        const auto left = std::chrono::ceil<milliseconds>(earliest - Clock::now());
        timeout = static_cast<int>(std::max(left, milliseconds(0)).count());
    }
    if (poll(polled.data(), polled.size(), timeout) < 0)
        return;  // EINTR: the caller comes back
    if (polled[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(m_wake, &count, sizeof count);
    }
    for (std::size_t i = 0; i < m_held.size(); ++i) {
        if (polled[i + 1].revents != 0)
            readFrom(m_held[i]);
    }
    const auto now = Clock::now();
    for (Held& held : m_held) {
        if (held.connection.isOpen() && now >= held.deadline)
            expire(held);
    }
}

void ConnectionReader::readFrom(Held& held)
{
    Connection& connection = held.connection;
    const std::size_t room =
        held.phase == Phase::Draining
            ? m_scratch.size()
            : std::min(m_scratch.size(), m_limits.framing.requestBytes - connection.received.size());
    const ssize_t received = recv(connection.socket(), m_scratch.data(), room, MSG_DONTWAIT);
    if (connectionEnded(received)) {
        connection.end();
        return;
    }
    if (received <= 0 || held.phase == Phase::Draining)
        return;
    connection.received.append(m_scratch.data(), static_cast<std::size_t>(received));
    if (held.phase == Phase::Idle) {
        held.phase = Phase::Arriving;
        held.deadline = Clock::now() + m_limits.arrival;
    }
    decide(held);
}

void ConnectionReader::decide(Held& held)
{
    Connection& connection = held.connection;
    connection.frame = connection.framer.examine(connection.received);
    switch (connection.frame.state) {
    case FrameState::Incomplete:
        return;
    case FrameState::Whole:
    case FrameState::OverLimit:
        m_handOver(std::move(connection));
        return;
    case FrameState::Refused:
        refuse(held, connection.frame.status, connection.frame.reason);
        return;
    }
}

void ConnectionReader::refuse(Held& held, int status, const std::string& reason)
{
    sendRefusal(held.connection.socket(), status, reason);
    drain(held);
}

void ConnectionReader::drain(Held& held)
{
    shutdown(held.connection.socket(), SHUT_WR);
    held.connection.received.clear();
    held.phase = Phase::Draining;
    held.deadline = Clock::now() + m_limits.drain;
}

void ConnectionReader::expire(Held& held)
{
    // A connection idle between requests is simply closed; its client has nothing to be told.
    if (held.phase == Phase::Arriving)
        refuse(held, 408, "the request did not arrive within " + std::to_string(m_limits.arrival.count()) + " ms");
    else
        held.connection.end();
}

}  // namespace veltrano::pagehost
