#include "app/main_routines.h"

#include "app/twips.h"
#include "platform/shell/shell.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

namespace veltrano::app {

namespace {
constexpr int kHomePageNumber = 7;
constexpr int kDrawRange = 100;
}  // namespace

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

float centredOffsetTwips(float screenTwips, float windowTwips)
{
    return (screenTwips - windowTwips) / 2.0F;
}

void CenterForm(QWidget& window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect screenPixels = screen->geometry();
    // Before the window is first shown its frame is not known yet and this is its client area.
    const QSize windowPixels = window.frameGeometry().size();
    const float left = centredOffsetTwips(static_cast<float>(pixelsToTwips(screenPixels.width())),
                                          static_cast<float>(pixelsToTwips(windowPixels.width())));
    const float top = centredOffsetTwips(static_cast<float>(pixelsToTwips(screenPixels.height())),
                                         static_cast<float>(pixelsToTwips(windowPixels.height())));
    // The primary screen need not start at the desktop's origin.
    window.move(screenPixels.topLeft() + QPoint(twipsToPixels(left), twipsToPixels(top)));
}

UnitDraw clockSeededDraw()
{
    const auto seed = static_cast<std::uint_fast32_t>(std::chrono::system_clock::now().time_since_epoch().count());
    return [generator = std::mt19937(seed)]() mutable {
        return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
    };
}

int drawnNumber(double r)
{
    // A generator may hand out 1.0 itself (rounding inside the distribution); that still
    // counts as the top number.
    const int number = static_cast<int>(std::floor(r * kDrawRange)) + 1;
    return std::clamp(number, 1, kDrawRange);
}

void OpenHomePageByChance(platform::shell::Shell& shell, const UnitDraw& draw)
{
    if (drawnNumber(draw()) == kHomePageNumber)
        shell.OpenUrl(QUrl(QLatin1String(kHomePageAddress)));
}

}  // namespace veltrano::app
