#include "pagehost/stop_signals.h"

#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <memory>

namespace veltrano::pagehost {
namespace {

sigset_t stopSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

}  // namespace

SignalWaiter::SignalWaiter(std::function<void()> onStop)
    : m_thread([this, onStop = std::move(onStop)] {
          const sigset_t set = stopSet();
          int signal = 0;
          while (sigwait(&set, &signal) != 0) {}
          if (!m_cancelled)
              onStop();
      })
{}

SignalWaiter::~SignalWaiter()
{
    m_cancelled = true;
    // Wakes the sigwait if no signal came; harmless if the thread has already returned.
    pthread_kill(m_thread.native_handle(), SIGTERM);
    m_thread.join();
}

StopSignals StopSignals::takeOver()
{
    StopSignals signals;
    const pid_t parent = getppid();
    const sigset_t set = stopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The parent may have ended between our start and the prctl; then we were re-parented.
    signals.m_parentGone = getppid() != parent;
    return signals;
}

std::unique_ptr<SignalWaiter> StopSignals::stopOnSignal(std::function<void()> onStop) const
{
    return std::make_unique<SignalWaiter>(std::move(onStop));
}

}  // namespace veltrano::pagehost
