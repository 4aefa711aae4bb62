#pragma once
// The window's handlers that drive the translation page: the direction box and the page's
// load progress.

#include <QString>

class QComboBox;
class QProgressBar;

namespace veltrano::platform::browser {
class WebBrowser;
}

namespace veltrano::pageclient {

// Combo1's Click: navigates the browser to the page of the direction at the box's selected
// position; does nothing when no entry is selected. Returns at once; nothing waits for the page.
void Combo1_Click(const QComboBox& Combo1, platform::browser::WebBrowser& WebBrowser1, const QString& pageHost);

// Combo1's Change: the same as its Click.
void Combo1_Change(const QComboBox& Combo1, platform::browser::WebBrowser& WebBrowser1, const QString& pageHost);

// The browser's progress report shown on ProgressBar1: Min 0, Max progressMax + 1, Value
// progress, each statement on its own. A statement the bar refuses (Max not above Min, a
// value outside Min..Max) or whose arithmetic overflows 32 bits is skipped without a word.
void WebBrowser1_ProgressChange(QProgressBar& ProgressBar1, int progress, int progressMax);

}  // namespace veltrano::pageclient
