#include "platform/browser/event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace veltrano::platform::browser {

namespace {

// Milliseconds left, rounded up so that a wake-up never comes before the deadline.
int remainingMsRoundedUp(const QDeadlineTimer& deadline)
{
    const qint64 ns = deadline.remainingTimeNSecs();
    return static_cast<int>(std::min<qint64>((ns + 999'999) / 1'000'000, 24LL * 3600 * 1000));
}

}  // namespace

bool pumpEventsUntil(const std::function<bool()>& done, QDeadlineTimer deadline)
{
    if (done())
        return true;
    // The timer only wakes the blocking wait below when nothing else arrives before the deadline.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        if (!deadline.isForever() && !wake.isActive())
            wake.start(remainingMsRoundedUp(deadline));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (done())
            return true;
    }
    return done();
}

}  // namespace veltrano::platform::browser
