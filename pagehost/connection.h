#pragma once
// A client's connection as the reader and the workers pass it between them: its socket, and the
// bytes it has sent that no answer has used yet.

#include "pagehost/request_framing.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrano::pagehost {

class Connection {
public:
    Connection(int socket, const FramingLimits& limits)
        : framer(limits),
          m_socket(socket)
    {}
    // Closes the socket, if this connection still has it.
    ~Connection() { end(); }
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;

    int socket() const { return m_socket; }
    bool isOpen() const { return m_socket >= 0; }
    // Closes the socket now.
    void end();

    // The request handed over with the connection: all its bytes when whole, those at hand when
    // it is over the byte limit.
    std::string_view request() const;
    // Drops the request just answered, keeping the bytes that followed it, and starts looking
    // for the next request among them.
    void startNextRequest();

    std::string received;      // bytes from the client not yet used by an answer
    RequestFramer framer;      // where the next request in received ends
    RequestFrame frame;        // what the framer found when the connection was handed over
    std::size_t answered = 0;  // requests answered on this connection

private:
    int m_socket;
};

}  // namespace veltrano::pagehost
