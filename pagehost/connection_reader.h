#pragma once
// One thread that holds every open connection while its next request arrives and while it idles
// between requests, so that a slow or idle client costs a socket and a buffer, never a worker: a
// connection goes to a worker only with a whole request in hand, and comes back after the answer.

#include "pagehost/connection.h"

#include <array>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace veltrano::pagehost {

struct ReaderLimits {
    std::chrono::milliseconds idle;     // for the first byte of a connection's next request
    std::chrono::milliseconds arrival;  // from a request's first byte to its last
    FramingLimits framing;
    std::chrono::milliseconds drain{2000};  // reading out what a client sends after its last answer
};

class ConnectionReader {
public:
    // Called on the reader's thread with each connection whose request is in hand (whole, or over
    // the byte limit); must not block.
    using HandOver = std::function<void(Connection)>;

    ConnectionReader(const ReaderLimits& limits, HandOver handOver);
    // Stops, as stop() does.
    ~ConnectionReader();
    ConnectionReader(const ConnectionReader&) = delete;
    ConnectionReader& operator=(const ConnectionReader&) = delete;

    // Takes a newly accepted socket.
    void accept(int socket);
    // Holds connection until its next request is in hand; the bytes it has received may already
    // hold some of that request, or all of it.
    void hold(Connection connection);
    // Ends connection: its sending side now, the rest once the client stops sending or the drain
    // time is up. Closing with input unread would reset the connection, and the client's system
    // may then drop the answer just written.
    void close(Connection connection);
    // Closes every connection held, and each one handed in from now on; returns when the reader's
    // thread has ended.
    void stop();

private:
    enum class Phase {
        Idle,
        Arriving,
        Draining
    };
    struct Held {
        Connection connection;
        Phase phase;
        std::chrono::steady_clock::time_point deadline;
    };

    void admit(Held held);
    void run();
    void takeAdmitted();
    void pollHeld();
    void readFrom(Held& held);
    void decide(Held& held);
    void refuse(Held& held, int status, const std::string& reason);
    void drain(Held& held);
    void expire(Held& held);
    void wake() const;

    ReaderLimits m_limits;
    HandOver m_handOver;
    int m_wake;  // an eventfd that ends the reader's wait when a connection is handed in or it stops

    std::mutex m_mutex;  // guards the two below
    std::vector<Held> m_admitted;
    bool m_stopping = false;

    // The reader's thread alone uses these.
    std::vector<Held> m_held;
    std::array<char, 64 * 1024> m_scratch{};

    std::thread m_thread;
};

}  // namespace veltrano::pagehost
