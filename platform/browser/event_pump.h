#pragma once
// Pumping the window's events while a routine waits, so that the window, the page's own
// scripts and every other handler keep running. The wait blocks on the event queue with a
// timeout; it never spins.

#include <QDeadlineTimer>

#include <functional>

namespace veltrano::platform::browser {

// Processes the thread's events until done() is true or the deadline passes, whichever comes
// first; done() is checked before the first pump. Returns done()'s last value (false on timeout).
bool pumpEventsUntil(const std::function<bool()>& done, QDeadlineTimer deadline);

}  // namespace veltrano::platform::browser
