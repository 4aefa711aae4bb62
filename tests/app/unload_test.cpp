// Closing the window in the middle of long work ends the program there and then, and every
// process it started (the page host, the browser engine's helpers) ends with it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

// The processes a process started: /proc lists each thread's children.
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile list(tasks + "/" + task + "/children");
        if (list.open(QIODevice::ReadOnly))
            for (const QByteArray& child : list.readAll().split(' '))
                if (child.trimmed().toLongLong() > 0)
                    children << child.trimmed().toLongLong();
    }
    return children;
}

// Gone, or a zombie that only waits to be collected.
bool hasEnded(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

}  // namespace

class UnloadTest : public QObject {
    Q_OBJECT

private slots:
    void closingInTheMiddleOfAWaitEndsEverything()
    {
        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("VELTRANO_PAGE_HOST");
        probe.setProcessEnvironment(environment);
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe.start(VELTRANO_BIN_DIR "/unload_probe");
        while (!probe.canReadLine() && probe.waitForReadyRead(60'000)) {}
        QCOMPARE(probe.readLine(), QByteArray("ready\n"));
        const QList<qint64> started = childrenOf(probe.processId());
        QVERIFY(started.size() >= 2);  // the page host and at least one browser helper

        probe.write("close\n");
        QVERIFY(probe.waitForFinished(60'000));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(probe.readAllStandardOutput(), QByteArray());
        for (qint64 child : started)
            QVERIFY(QTest::qWaitFor([child] { return hasEnded(child); }, 30'000));
    }
};

QTEST_GUILESS_MAIN(UnloadTest)
#include "unload_test.moc"
