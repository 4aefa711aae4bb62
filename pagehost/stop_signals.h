#pragma once
// Stopping the host cleanly: on SIGTERM or SIGINT, and when the process that started it ends.

#include <sys/types.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace veltrano::pagehost {

// Waits for a stop signal on its own thread and runs a stop action once.
class SignalWaiter {
public:
    explicit SignalWaiter(std::function<void()> onStop);
    // Ends the waiting thread without running the action if no signal came.
    ~SignalWaiter();
    SignalWaiter(const SignalWaiter&) = delete;
    SignalWaiter& operator=(const SignalWaiter&) = delete;

private:
    std::atomic<bool> m_cancelled{false};
    std::thread m_thread;
};

class StopSignals {
public:
    // Blocks SIGTERM and SIGINT in the calling thread, and so in every thread it starts later,
    // so that only the waiter's sigwait sees them; asks for SIGTERM when the parent ends. Call
    // first thing in main, before any other thread exists.
    static StopSignals takeOver();

    // True when the parent ended before its end could be watched; its signal will never come.
    bool parentAlreadyGone() const { return m_parentGone; }

    // Starts waiting for a stop signal; onStop runs on the waiter's thread.
    std::unique_ptr<SignalWaiter> stopOnSignal(std::function<void()> onStop) const;

private:
    bool m_parentGone = false;
};

}  // namespace veltrano::pagehost
