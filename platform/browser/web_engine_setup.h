#pragma once
// What the embedded browser needs from the process before the application object exists.

namespace veltrano::platform::browser {

// Call before constructing QApplication. Chromium refuses to start its sandbox as root, so
// only then is the sandbox turned off; also shares GL contexts as QtWebEngine asks.
void prepareWebEngine();

} // namespace veltrano::platform::browser
