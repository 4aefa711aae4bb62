#pragma once
// The paced wait that keeps the window alive.

namespace veltrano::pageclient {

// Pumps the window's events until at least `seconds` have passed on a monotonic clock (so a
// wait across midnight still ends). Blocks on the event queue between events instead of
// spinning. Returns at once, pumping nothing, for 0, a negative number or NaN.
void WaitSeconds(double seconds);

}  // namespace veltrano::pageclient
