// Closing the window in the middle of long work ends the program there and then, with every
// process it started (the page host, the browser engine's helpers).
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

struct ProcessEntry {
    qint64 parent = 0;
    QByteArray name;
    char state = '?';
};

// What /proc says of a process; none once it is gone.
std::optional<ProcessEntry> processEntry(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = stat.readAll();
    // "pid (name) state ppid ...", where the name may hold blanks and parentheses.
    const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
    const QList<QByteArray> rest = line.mid(close + 2).split(' ');
    if (open < 0 || close < open || rest.size() < 2)
        return std::nullopt;
    return ProcessEntry{rest[1].toLongLong(), line.mid(open + 1, close - open - 1), rest[0].at(0)};
}

bool isGone(qint64 pid)
{
    const std::optional<ProcessEntry> entry = processEntry(pid);
    return !entry || entry->state == 'Z';
}

// Every process below root, with its name.
QMap<qint64, QByteArray> descendants(qint64 root)
{
    QMap<qint64, ProcessEntry> all;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
        if (const qint64 pid = name.toLongLong(); pid > 0)
            if (const std::optional<ProcessEntry> entry = processEntry(pid))
                all.insert(pid, *entry);
    QMap<qint64, QByteArray> found;
    for (bool grew = true; grew;) {
        grew = false;
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            if ((it->parent == root || found.contains(it->parent)) && !found.contains(it.key())) {
                found.insert(it.key(), it->name);
                grew = true;
            }
    }
    return found;
}

} // namespace

class UnloadTest : public QObject {
    Q_OBJECT

private slots:
    void closingInTheMiddleOfAWaitEndsEverything()
    {
        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("VELTRANO_PAGE_HOST"));
        probe.setProcessEnvironment(environment);
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe.start(QStringLiteral(VELTRANO_BIN_DIR "/unload_probe"));
        QVERIFY(probe.waitForStarted());
        while (!probe.canReadLine() && probe.state() == QProcess::Running)
            probe.waitForReadyRead(60'000);
        QCOMPARE(probe.readLine(), QByteArray("ready\n"));
        const QMap<qint64, QByteArray> started = descendants(probe.processId());
        const qint64 pageHost = started.key("veltrano-pageho"); // names are cut at 15 characters
        QVERIFY2(pageHost > 0, started.values().join(", ").constData());

        probe.write("close\n");
        QVERIFY(probe.waitForFinished(60'000));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(probe.readAllStandardOutput(), QByteArray());
        // The page host and the browser engine's helpers learn that the program went; each
        // of them ends on its own.
        for (auto it = started.cbegin(); it != started.cend(); ++it)
            QVERIFY2(QTest::qWaitFor([&] { return isGone(it.key()); }, 30'000), it.value().constData());
    }
};

QTEST_GUILESS_MAIN(UnloadTest)
#include "unload_test.moc"
