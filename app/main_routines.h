#pragma once
// Small routines of the program's start: whether a file is there, centring a window on the
// screen, and the occasional visit to the maker's home page.

#include <QString>

#include <functional>

class QWidget;

namespace veltrano::platform::shell {
class Shell;
}

namespace veltrano::app {

// True when the file system can tell when the path last changed (a file or a folder); false
// for any failure: no such path, an empty or malformed one, no permission to look.
bool FileExists(const QString& path);

// Where a window's outer edge goes along one axis to sit in the middle of the screen, in
// twips: half of what the screen leaves over, in single precision and not rounded; negative
// when the window is larger than the screen.
float centredOffsetTwips(float screenTwips, float windowTwips);

// Places the window's outer frame in the middle of the primary screen (nothing clamps a window
// larger than the screen), by the frame's size as the window system knows it now: before the
// window is first shown, that is the window without its frame. Does nothing when there is no
// screen at all.
void CenterForm(QWidget& window);

// The maker's home page.
inline constexpr char kHomePageAddress[] = "https://www.marlquist.example/veltrano";

// A number drawn uniformly from [0, 1).
using UnitDraw = std::function<double()>;

// Draws from a generator seeded from the clock when this is called.
UnitDraw clockSeededDraw();

// The whole number from 1 to 100 that a draw r from [0, 1) stands for: floor(r × 100) + 1.
int drawnNumber(double r);

// Draws once; when the drawn number is 7 (one start in a hundred) hands the home page to the
// desktop's browser through shell, without waiting for it or looking at the outcome.
void OpenHomePageByChance(platform::shell::Shell& shell, const UnitDraw& draw);

}  // namespace veltrano::app
