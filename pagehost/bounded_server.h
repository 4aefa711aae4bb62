#pragma once
// The HTTP server with bounds that a slow or hostile client cannot stretch: a time and a size
// for each request to arrive as a whole, and a pool of workers large enough that a few such
// clients leave the others served.

#include <httplib.h>

#include <chrono>
#include <cstddef>

namespace veltrano::pagehost {

struct ServerLimits {
    // From a request's first byte to its last, body included. cpp-httplib's own read timeout
    // starts again with every byte, so a client sending a byte a second would hold a worker
    // for hours; a real client sends its request at once.
    std::chrono::milliseconds requestArrival{10000};
    // Bytes one request may bring, head and body with its framing; reading stops there.
    std::size_t requestBytes = 1024 * 1024 + 64 * 1024;
    // Connections served at once (each holds a worker while it is open); further connections
    // wait for one. Veltrano and its page use a handful; the rest is room for slow clients,
    // each cut off after requestArrival.
    std::size_t workers = 64;
};

class BoundedServer final : public httplib::Server {
public:
    explicit BoundedServer(const ServerLimits& limits);

    // Closes the connection of the request being answered on this thread once response is
    // written, and tells the client so: for a request whose body was left unread, which would
    // otherwise be taken for the next request.
    static void closeConnectionAfterAnswer(httplib::Response& response);

private:
    // Serves one connection's requests as cpp-httplib does, through a stream that enforces the
    // limits above.
    bool process_and_close_socket(socket_t socket) override;

    ServerLimits m_limits;
};

}  // namespace veltrano::pagehost
