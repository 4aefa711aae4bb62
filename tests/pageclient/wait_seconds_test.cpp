// WaitSeconds pumps the window's events for at least the time asked, at next to no CPU cost,
// and pumps nothing when no time is asked for.

#include "pageclient/wait_seconds.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <limits>
#include <sys/resource.h>

using veltrano::pageclient::WaitSeconds;

namespace {

// CPU time used so far by the calling thread, in milliseconds.
double threadCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

}  // namespace

class WaitSecondsTest : public QObject {
    Q_OBJECT

private slots:
    void noTimeMeansNoPumping_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative") << -2.5;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN();
    }

    void noTimeMeansNoPumping()
    {
        QFETCH(double, seconds);
        bool pumped = false;
        QTimer::singleShot(0, this, [&] { pumped = true; });
        WaitSeconds(seconds);
        QVERIFY(!pumped);
        QTRY_VERIFY(pumped);  // the queued call was there to be pumped
    }

    void halfASecondPumpsAndCostsLittle()
    {
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(50);

        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = threadCpuMs();
        WaitSeconds(0.5);
        const double cpuUsed = threadCpuMs() - cpuBefore;
        const qint64 elapsedNs = clock.nsecsElapsed();

        QVERIFY2(elapsedNs >= 500'000'000, qPrintable(QString::number(elapsedNs)));
        QVERIFY(ticks > 0);  // the window's timers ran during the wait
        QVERIFY2(cpuUsed < 0.1 * static_cast<double>(elapsedNs) / 1e6,
                 qPrintable(QStringLiteral("%1 ms of CPU").arg(cpuUsed)));
    }
};

QTEST_GUILESS_MAIN(WaitSecondsTest)
#include "wait_seconds_test.moc"
