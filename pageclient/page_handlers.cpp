#include "pageclient/page_handlers.h"

#include "pageclient/translation_direction.h"
#include "platform/browser/web_browser.h"

#include <QComboBox>
#include <QProgressBar>

#include <cstdint>
#include <limits>

namespace veltrano::pageclient {

namespace {

// Each setter says whether the bar took the value; a refused value leaves the bar as it was,
// as the progress bar control does when it raises "invalid property value".
bool setMin(QProgressBar& bar, std::int64_t value)
{
    if (value >= bar.maximum())
        return false;
    bar.setMinimum(static_cast<int>(value));
    return true;
}

bool setMax(QProgressBar& bar, std::int64_t value)
{
    if (value > std::numeric_limits<std::int32_t>::max() || value <= bar.minimum())
        return false;
    bar.setMaximum(static_cast<int>(value));
    return true;
}

bool setValue(QProgressBar& bar, std::int64_t value)
{
    if (value < bar.minimum() || value > bar.maximum())
        return false;
    bar.setValue(static_cast<int>(value));
    return true;
}

}  // namespace

void Combo1_Click(const QComboBox& Combo1, platform::browser::WebBrowser& WebBrowser1, const QString& pageHost)
{
    if (const auto direction = directionAtPosition(Combo1.currentIndex()))
        WebBrowser1.Navigate(TranslateBaseUrl(*direction, pageHost));
}

void Combo1_Change(const QComboBox& Combo1, platform::browser::WebBrowser& WebBrowser1, const QString& pageHost)
{
    Combo1_Click(Combo1, WebBrowser1, pageHost);
}

void WebBrowser1_ProgressChange(QProgressBar& ProgressBar1, int progress, int progressMax)
{
    // Failures are ignored statement by statement: each result is deliberately dropped.
    (void)setMin(ProgressBar1, 0);
    (void)setMax(ProgressBar1, std::int64_t{progressMax} + 1);
    (void)setValue(ProgressBar1, progress);
}

}  // namespace veltrano::pageclient
