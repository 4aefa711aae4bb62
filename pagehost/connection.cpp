#include "pagehost/connection.h"

#include <unistd.h>

#include <utility>

namespace veltrano::pagehost {

Connection::Connection(Connection&& other) noexcept
    : received(std::move(other.received)),
      framer(std::move(other.framer)),
      frame(std::move(other.frame)),
      answered(other.answered),
      m_socket(std::exchange(other.m_socket, -1))
{}

Connection& Connection::operator=(Connection&& other) noexcept
{
    if (this != &other) {
        end();
        received = std::move(other.received);
        framer = std::move(other.framer);
        frame = std::move(other.frame);
        answered = other.answered;
        m_socket = std::exchange(other.m_socket, -1);
    }
    return *this;
}

void Connection::end()
{
    if (m_socket >= 0)
        close(m_socket);
    m_socket = -1;
}

std::string_view Connection::request() const
{
    const std::string_view bytes = received;
    return frame.state == FrameState::Whole ? bytes.substr(0, frame.length) : bytes;
}

void Connection::startNextRequest()
{
    received.erase(0, request().size());
    // A connection may idle long after a large request; it keeps no more than its next one needs.
    if (received.capacity() > 64 * 1024)
        received.shrink_to_fit();
    framer.reset();
    frame = RequestFrame{};
}

}  // namespace veltrano::pagehost
