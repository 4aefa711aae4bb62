#pragma once
// The local translation page host the program talks to: either the one it starts itself
// (veltrano-pagehost beside the program, on a port the system picks) or a running one named
// by VELTRANO_PAGE_HOST=host:port. A host it started ends with the program.

#include "result/result.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

namespace veltrano::pageclient {

// The page host program's file name, looked for in the program's own folder.
inline constexpr char kPageHostProgram[] = "veltrano-pagehost";
// The environment variable that names a running page host instead.
inline constexpr char kPageHostVariable[] = "VELTRANO_PAGE_HOST";
// How long a started page host may take to say where it listens.
inline constexpr std::chrono::seconds kPageHostStartLimit{10};

// The address in the host's first line of output ("listening on 127.0.0.1:PORT"); none when
// the line is not of that form.
std::optional<QString> addressFromListeningLine(const QString& line);

// Whether a text is a usable "host:port" (a host name or address, a port from 1 to 65535).
bool isHostAndPort(const QString& text);

// Why no page host address came, in one sentence for the user.
struct PageHostFailure {
    QString message;
};

// "host:port", or why there is none.
using PageHostAddress = veltrano::Result<QString, PageHostFailure>;

// How a page host of our own is started.
struct PageHostLaunch {
    QStringList arguments;      // given after "--port 0"
    bool lowerPriority = true;  // false when the host does all the work, as for a batch run
};

class PageHost {
public:
    // Starts reaching a page host: VELTRANO_PAGE_HOST when it is set, otherwise the page host
    // program in programFolder with "--port 0". Returns at once; waitForAddress tells the outcome.
    static std::unique_ptr<PageHost> launch(const QString& programFolder, const PageHostLaunch& how = {});

    // Ends a page host that this object started (terminate, then kill if it lingers).
    ~PageHost();
    PageHost(const PageHost&) = delete;
    PageHost& operator=(const PageHost&) = delete;

    // Waits, without pumping window events, until the address is known or the deadline passes.
    // Asked again, gives the same answer at once.
    PageHostAddress waitForAddress(QDeadlineTimer deadline);

    // Whether this object started a process of its own (false for VELTRANO_PAGE_HOST).
    bool startedProcess() const { return m_process != nullptr; }

private:
    PageHost() = default;
    void startProcess(const QString& programPath, const PageHostLaunch& how);
    std::optional<QString> readAddressLine(QDeadlineTimer deadline);

    QElapsedTimer m_sinceLaunch;
    std::unique_ptr<QProcess> m_process;
    std::optional<QString> m_address;
    QString m_failure;  // why no address came; empty until one did not
};

}  // namespace veltrano::pageclient
