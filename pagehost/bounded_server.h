#pragma once
// The HTTP server with bounds that a slow or hostile client cannot stretch: a time and a size
// for each request to arrive as a whole, read by one thread that holds every connection until
// its request is in hand, so that workers only ever answer requests that have arrived.

#include "pagehost/connection.h"

#include <httplib.h>

#include <chrono>
#include <cstddef>

namespace veltrano::pagehost {

class ConnectionReader;

struct ServerLimits {
    // From a request's first byte to its last, body included. cpp-httplib's own read timeout
    // starts again with every byte, so a client sending a byte a second would be waited for
    // for hours; a real client sends its request at once.
    std::chrono::milliseconds requestArrival{10000};
    // Bytes one request may bring, head and body with its framing; reading stops there.
    std::size_t requestBytes = FramingLimits{}.requestBytes;
    // Requests answered at once. A connection holds a worker only while its request is answered,
    // never while the request arrives or the connection idles.
    std::size_t workers = 64;
};

class BoundedServer final : public httplib::Server {
public:
    explicit BoundedServer(const ServerLimits& limits);

    // Closes the connection of the request being answered on this thread once response is
    // written, and tells the client so: for a request whose body was left unread.
    static void closeConnectionAfterAnswer(httplib::Response& response);

    // Lets as many connections wait to be accepted as the system allows, once bound. cpp-httplib
    // asks for 5, and in a burst of connections the system drops those past the queue, whose
    // clients try again only a second or more later.
    void widenAcceptQueue();

private:
    class Workers;

    // Called by cpp-httplib on the accepting thread: hands socket to the reader.
    bool process_and_close_socket(socket_t socket) override;

    // Answers the request connection holds, then hands the connection back to reader to wait
    // for its next request, or to end.
    void answer(Connection connection, ConnectionReader& reader);

    ServerLimits m_limits;
    Workers* m_workers = nullptr;  // while listening; owned by cpp-httplib as its task queue
};

// Raises this process's soft limit of open files to its hard limit: each connection held while
// its request arrives takes one.
void raiseOpenFileLimit();

}  // namespace veltrano::pagehost
