#pragma once
// The pictures of the window, drawn here in code (32 x 32): the three large buttons' icons and
// the window's own icon, which is fully transparent so the title bar and task bar show none.

#include <QIcon>

namespace veltrano::app {

// Check3's picture: a small spreadsheet window, a white grid of cells under a dark title strip.
QIcon spreadsheetWindowPicture();
// Check6's picture: an open yellow folder with papers in it.
QIcon openFolderPicture();
// Check7's picture: a dropper (pipette) with a red rubber bulb.
QIcon dropperPicture();
// The window's icon: 32 x 32, every pixel transparent.
QIcon transparentWindowIcon();

}  // namespace veltrano::app
