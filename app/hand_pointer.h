#pragma once
// The hand the large buttons show under the pointer: a white hand with a black outline, its
// forefinger pointing up. Drawn here and written beside the program as "HAND-M.CUR" when the
// program is built.

#include <QImage>
#include <QPoint>

namespace veltrano::app {

struct PointerPicture {
    QImage picture;  // 32 × 32, transparent around the hand
    QPoint hotSpot;  // the tip of the forefinger
};

// The hand, drawn afresh on every call.
PointerPicture drawHandPointer();

}  // namespace veltrano::app
