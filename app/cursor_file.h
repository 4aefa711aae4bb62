#pragma once
// Cursor files (.cur): the Windows icon-directory format with a hot spot per picture.

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPoint>

#include <optional>

class QString;

namespace veltrano::app {

// A cursor file holding one 32-bit picture with its alpha channel and the hot spot. The
// picture must be at most 256 × 256 pixels; an empty or larger one gives an empty array.
QByteArray encodeCursorFile(const QImage& picture, QPoint hotSpot);

// The hot spot of a cursor file's first picture; none when the data is no cursor file.
std::optional<QPoint> cursorFileHotSpot(const QByteArray& data);

// The pointer a cursor file shows, with its first picture and hot spot; none when the file
// cannot be read or holds no cursor picture.
std::optional<QCursor> loadCursorFile(const QString& path);

}  // namespace veltrano::app
