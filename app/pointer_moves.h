#pragma once
// Pointer movement as the window's handlers want it: every movement over a control, with or
// without a mouse button held, and movement over the window's bare surface only.

#include <functional>

class QWidget;

namespace veltrano::app {

// Calls handler on every pointer movement over control (its mouse tracking is turned on).
void onPointerMove(QWidget& control, std::function<void()> handler);

// Calls handler on pointer movement over the window's own surface, outside every one of its
// controls (its mouse tracking is turned on). Movement over a control never counts, even when
// the control passes the event on to the window.
void onBareSurfacePointerMove(QWidget& window, std::function<void()> handler);

}  // namespace veltrano::app
