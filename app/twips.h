#pragma once
// Window measures are given in twips (1/1440 inch); on screen they are pixels at 96 dpi.
// This is the one place that converts between the two.

#include <QRect>

#include <cmath>

namespace veltrano::app {

// 15 twips make one pixel at 96 dots per inch.
inline constexpr double kTwipsPerPixel = 15.0;

// The whole number of pixels nearest to a measure in twips.
inline int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

// A measure in whole pixels as twips.
inline constexpr double pixelsToTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

// A control's Left, Top, Width and Height in twips as a rectangle in pixels.
inline QRect twipsRect(double left, double top, double width, double height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

}  // namespace veltrano::app
