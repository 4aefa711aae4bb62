// Reaching the page host: the address line, VELTRANO_PAGE_HOST, and stand-in host programs
// (small shell scripts) that answer well, badly, late or not at all, and that end with us.

#include "pageclient/page_host.h"
#include "tests/support/data_rows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>

using namespace veltrano::pageclient;
using veltrano::testing::addRow;

namespace {

// Writes an executable veltrano-pagehost with this shell body into the folder.
void writeStandIn(const QTemporaryDir& folder, const QByteArray& body)
{
    QFile script(QDir(folder.path()).filePath(QLatin1String(kPageHostProgram)));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n" + body + "\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

}  // namespace

class PageHostTest : public QObject {
    Q_OBJECT

private slots:
    void init() { qunsetenv(kPageHostVariable); }
    void cleanup() { qunsetenv(kPageHostVariable); }

    void theAddressLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");  // empty: no address
        addRow("as printed", "listening on 127.0.0.1:41234", "127.0.0.1:41234");
        addRow("trailing blanks", "listening on 127.0.0.1:80 \r", "127.0.0.1:80");
        addRow("a host name", "listening on localhost:8080", "localhost:8080");
        addRow("other words", "ready at 127.0.0.1:41234", "");
        addRow("no port", "listening on 127.0.0.1", "");
        addRow("port 0", "listening on 127.0.0.1:0", "");
        addRow("port too large", "listening on 127.0.0.1:65536", "");
        addRow("path after the port", "listening on 127.0.0.1:80/x", "");
    }

    void theAddressLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        QCOMPARE(addressFromListeningLine(line).value_or(QString()), expected);
    }

    void aNamedHostIsUsedAsItIs()
    {
        qputenv(kPageHostVariable, "127.0.0.1:5555");
        const auto host = PageHost::launch(QStringLiteral("/nonexistent"));
        const auto named = host->waitForAddress(QDeadlineTimer(0));
        QCOMPARE(named ? named.value() : QString(), QStringLiteral("127.0.0.1:5555"));
        QVERIFY(!host->startedProcess());

        qputenv(kPageHostVariable, "nonsense");
        const auto bad = PageHost::launch(QStringLiteral("/nonexistent"));
        const auto refused = bad->waitForAddress(QDeadlineTimer(0));
        QVERIFY(!refused);
        QVERIFY(refused.error().message.contains(QLatin1String(kPageHostVariable)));
    }

    void standInHosts_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expectedAddress");
        QTest::addColumn<QString>("expectedFailurePart");
        addRow("answers, given --port 0",
               QByteArray("[ \"$*\" = '--port 0' ] || exit 9\necho 'listening on 127.0.0.1:4321'\nexec sleep 60"),
               "127.0.0.1:4321", "");
        addRow("says something else", QByteArray("echo hello\nexec sleep 60"), "", "its first line was \"hello\"");
        addRow("ends at once", QByteArray("exit 3"), "", "ended before it was ready (exit code 3)");
        addRow("never answers", QByteArray("exec sleep 60"), "", "did not get ready");
    }

    void standInHosts()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expectedAddress);
        QFETCH(QString, expectedFailurePart);
        QTemporaryDir folder;
        writeStandIn(folder, body);
        const auto host = PageHost::launch(folder.path());
        const auto address = host->waitForAddress(QDeadlineTimer(1500));
        QCOMPARE(address ? address.value() : QString(), expectedAddress);
        const QString failure = address ? QString() : address.error().message;
        QVERIFY2(failure.contains(expectedFailurePart), qPrintable(failure));
    }

    void aMissingProgramIsReported()
    {
        QTemporaryDir empty;
        const auto host = PageHost::launch(empty.path());
        const auto address = host->waitForAddress(QDeadlineTimer(5000));
        QVERIFY(!address);
        QVERIFY2(address.error().message.contains("could not be started"), qPrintable(address.error().message));
    }

    void aStartedHostEndsWithUs()
    {
        QTemporaryDir folder;
        const QString pidFile = QDir(folder.path()).filePath("pid");
        writeStandIn(folder, "echo $$ > '" + pidFile.toUtf8() + "'\necho 'listening on 127.0.0.1:4321'\nexec sleep 60");
        auto host = PageHost::launch(folder.path());
        QVERIFY(host->waitForAddress(QDeadlineTimer(5000)));
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const pid_t pid = file.readAll().trimmed().toInt();
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid, 0), 0);
        host.reset();
        QCOMPARE(::kill(pid, 0), -1);
        QCOMPARE(errno, ESRCH);
    }
};

QTEST_GUILESS_MAIN(PageHostTest)
#include "page_host_test.moc"
