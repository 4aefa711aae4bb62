#include "pageclient/page_host.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace veltrano::pageclient {

namespace {

// The page host's scheduling priority (its "nice" value), relative to the program's 0.
constexpr int kPageHostNiceness = 10;

// How long a page host asked to end may take before it is killed.
constexpr int kTerminateGraceMs = 2000;

// What is left of a deadline in the form QProcess waits take: -1 for none at all.
int msLeft(const QDeadlineTimer& deadline)
{
    if (deadline.isForever())
        return -1;
    return static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 0, INT_MAX));
}

}  // namespace

std::optional<QString> addressFromListeningLine(const QString& line)
{
    static const QRegularExpression form(QStringLiteral("^listening on (\\S+)\\s*$"));
    const QRegularExpressionMatch match = form.match(line);
    if (!match.hasMatch() || !isHostAndPort(match.captured(1)))
        return std::nullopt;
    return match.captured(1);
}

bool isHostAndPort(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^([A-Za-z0-9.\\-]+|\\[[0-9A-Fa-f:.]+\\]):(\\d{1,5})$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return false;
    const int port = match.captured(2).toInt();
    return port >= 1 && port <= 65535;
}

std::unique_ptr<PageHost> PageHost::launch(const QString& programFolder, const PageHostLaunch& how)
{
    std::unique_ptr<PageHost> host(new PageHost);
    const QString named = qEnvironmentVariable(kPageHostVariable);
    if (!named.isEmpty()) {
        if (isHostAndPort(named))
            host->m_address = named;
        else
            host->m_failure = QStringLiteral("%1 must name a running page host as host:port, not \"%2\".")
                                  .arg(QLatin1String(kPageHostVariable), named);
        return host;
    }
    host->startProcess(QDir(programFolder).filePath(QLatin1String(kPageHostProgram)), how);
    return host;
}

void PageHost::startProcess(const QString& programPath, const PageHostLaunch& how)
{
    m_sinceLaunch.start();
    m_process = std::make_unique<QProcess>();
    // The host's diagnostics go where ours go; only its first output line is ours to read.
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->setChildProcessModifier([lowerPriority = how.lowerPriority] {
        // Should this program die without ending the host (killed, crashed), the host is told too.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The host warms its translation pipelines up at start, which costs about a second of
        // CPU; a lower priority lets the window come up first. Cells are exchanged seconds
        // later, when the window mostly waits and the host has the processor to itself.
        if (lowerPriority)
            ::setpriority(PRIO_PROCESS, 0, kPageHostNiceness);
    });
    m_process->start(programPath, QStringList{QStringLiteral("--port"), QStringLiteral("0")} + how.arguments);
}

PageHost::~PageHost()
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return;
    m_process->terminate();
    if (!m_process->waitForFinished(kTerminateGraceMs)) {
        m_process->kill();
        m_process->waitForFinished(kTerminateGraceMs);
    }
}

PageHostAddress PageHost::waitForAddress(QDeadlineTimer deadline)
{
    if (!m_address && m_process && m_failure.isEmpty()) {
        m_address = readAddressLine(deadline);
        if (m_address) {
            // Later output is read and dropped so that the host never blocks on a full pipe.
            QObject::connect(m_process.get(), &QProcess::readyReadStandardOutput, m_process.get(),
                             [process = m_process.get()] { process->readAllStandardOutput(); });
        }
    }
    if (m_address)
        return *m_address;
    return PageHostFailure{m_failure};
}

std::optional<QString> PageHost::readAddressLine(QDeadlineTimer deadline)
{
    const QString program = m_process->program();
    if (!m_process->waitForStarted(msLeft(deadline))) {
        m_failure = QStringLiteral("The translation page host %1 could not be started: %2.")
                        .arg(program, m_process->errorString());
        return std::nullopt;
    }
    while (!m_process->canReadLine()) {
        if (m_process->state() == QProcess::NotRunning) {
            m_failure = QStringLiteral("The translation page host %1 ended before it was ready (exit code %2).")
                            .arg(program)
                            .arg(m_process->exitCode());
            return std::nullopt;
        }
        if (deadline.hasExpired()) {
            m_failure = QStringLiteral("The translation page host %1 did not get ready within %2 s.")
                            .arg(program)
                            .arg(static_cast<double>(m_sinceLaunch.elapsed()) / 1000.0, 0, 'f', 1);
            return std::nullopt;
        }
        m_process->waitForReadyRead(msLeft(deadline));
    }
    const QString line = QString::fromUtf8(m_process->readLine()).trimmed();
    const std::optional<QString> address = addressFromListeningLine(line);
    if (!address)
        m_failure =
            QStringLiteral("The translation page host %1 did not say where it listens; its first line was \"%2\".")
                .arg(program, line);
    return address;
}

}  // namespace veltrano::pageclient
