#pragma once
// What the file list's handlers need from the window they sit in, given as functions so that
// the list does not depend on the window's class (the window depends on the list).

#include "platform/shell/shell.h"

#include <QString>

#include <functional>

class QWidget;

namespace veltrano::filelist {

struct WindowServices {
    // The window that owns the dialogs.
    QWidget* owner = nullptr;
    // The dialogs and desktop services as the window has them at the moment of the call.
    std::function<platform::shell::Shell&()> shell;
    // True while the window's pointer setting is the busy one.
    std::function<bool()> pointerIsBusy;
    // Sets the window's pointer setting: busy (the hourglass), or default when false.
    std::function<void(bool busy)> setPointerBusy;
    // Handles the window's pending events once, so it repaints and its handlers run.
    std::function<void()> pumpEvents;
    // The folder that holds the program and the pictures beside it.
    QString programFolder;
};

}  // namespace veltrano::filelist
