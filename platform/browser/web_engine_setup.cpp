#include "platform/browser/web_engine_setup.h"

#include <QCoreApplication>

#include <cstdlib>
#include <unistd.h>

namespace veltrano::platform::browser {

void prepareWebEngine()
{
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", /*overwrite=*/0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace veltrano::platform::browser
