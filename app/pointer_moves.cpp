#include "app/pointer_moves.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace veltrano::app {

namespace {

// Watches one widget's mouse-move events; lives as the widget's child.
class PointerMoveWatcher final : public QObject {
public:
    PointerMoveWatcher(QWidget& watched, bool bareSurfaceOnly, std::function<void()> handler)
        : QObject(&watched),
          m_watched(watched),
          m_bareSurfaceOnly(bareSurfaceOnly),
          m_handler(std::move(handler))
    {
        // Without tracking, Qt reports movement only while a mouse button is held.
        watched.setMouseTracking(true);
        watched.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (object == &m_watched && event->type() == QEvent::MouseMove && counts(*static_cast<QMouseEvent*>(event)))
            m_handler();
        return false;
    }

private:
    // A control that does not take a movement passes it on to its window, with the position
    // in the window's coordinates; one that lies under that position is where the pointer is.
    bool counts(const QMouseEvent& move) const
    {
        return !m_bareSurfaceOnly || m_watched.childAt(move.position().toPoint()) == nullptr;
    }

    QWidget& m_watched;
    bool m_bareSurfaceOnly;
    std::function<void()> m_handler;
};

}  // namespace

void onPointerMove(QWidget& control, std::function<void()> handler)
{
    new PointerMoveWatcher(control, false, std::move(handler));
}

void onBareSurfacePointerMove(QWidget& window, std::function<void()> handler)
{
    new PointerMoveWatcher(window, true, std::move(handler));
}

}  // namespace veltrano::app
