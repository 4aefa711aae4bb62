#include "pageclient/wait_seconds.h"

#include "platform/browser/event_pump.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace veltrano::pageclient {

void WaitSeconds(double seconds)
{
    if (!(seconds > 0))
        return;
    // A day is far beyond any wait the program asks for; the cap keeps the conversion sound.
    const double capped = std::min(seconds, 86'400.0);
    const auto duration = std::chrono::nanoseconds(std::llround(std::ceil(capped * 1e9)));
    platform::browser::pumpEventsUntil([] { return false; }, QDeadlineTimer(duration, Qt::PreciseTimer));
}

}  // namespace veltrano::pageclient
