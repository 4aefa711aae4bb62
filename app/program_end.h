#pragma once
// Ending the program at once, from wherever the window is closed: also from inside a folder
// scan or a conversion that pumps the window's events in loops of its own.

namespace veltrano::app {

// Flushes standard output and error and ends the process with exitCode without returning to
// any caller: loops under way are cut off where they stand, and no destructor runs.
// Everything the program writes is complete before this can be reached (settings are written
// when they change, workbooks are saved by rename), so nothing is left half-written. The
// processes the program started learn from the system that it ended: the page host is asked
// to stop then, and the browser engine's helpers see their connection go.
[[noreturn]] void endProgramNow(int exitCode);

}  // namespace veltrano::app
