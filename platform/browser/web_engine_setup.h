#pragma once
// What the embedded browser needs from the process before the application object exists.

#include <QByteArray>

namespace veltrano::platform::browser {

// Call before constructing QApplication. Chromium refuses to start its sandbox as root, so
// only then is the sandbox turned off; Chromium is told not to slow a hidden or minimized
// window's page (see withoutBackgroundThrottling); also shares GL contexts as QtWebEngine asks.
void prepareWebEngine();

// The Chromium flags given (as QTWEBENGINE_CHROMIUM_FLAGS holds them, maybe empty) followed by
// those that keep a page in a hidden, minimized or covered window running at full pace; a flag
// already given is not repeated.
QByteArray withoutBackgroundThrottling(const QByteArray& flags);

}  // namespace veltrano::platform::browser
