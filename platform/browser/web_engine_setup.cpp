#include "platform/browser/web_engine_setup.h"

#include <QCoreApplication>
#include <QList>

#include <cstdlib>
#include <unistd.h>

namespace veltrano::platform::browser {

namespace {

constexpr const char* kChromiumFlagsVariable = "QTWEBENGINE_CHROMIUM_FLAGS";

// Unthrottled, a conversion goes on at full pace while the user has Veltrano minimized;
// throttled, the page's timers slow to a tick a second, then a tick a minute.
constexpr const char* kNoBackgroundThrottling[] = {
    "--disable-background-timer-throttling",
    "--disable-renderer-backgrounding",
    "--disable-backgrounding-occluded-windows",
};

}  // namespace

QByteArray withoutBackgroundThrottling(const QByteArray& flags)
{
    const QList<QByteArray> given = flags.simplified().split(' ');
    QByteArray all = flags.trimmed();
    for (const char* flag : kNoBackgroundThrottling) {
        if (given.contains(flag))
            continue;
        if (!all.isEmpty())
            all += ' ';
        all += flag;
    }
    return all;
}

void prepareWebEngine()
{
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", /*overwrite=*/0);
    const QByteArray flags = withoutBackgroundThrottling(qgetenv(kChromiumFlagsVariable));
    setenv(kChromiumFlagsVariable, flags.constData(), /*overwrite=*/1);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

}  // namespace veltrano::platform::browser
