#include "filelist/file_list_handlers.h"

#include "filelist/add_files.h"
#include "filelist/add_folder.h"
#include "filelist/list_drop.h"

#include <QDropEvent>
#include <QMouseEvent>
#include <QTreeView>

namespace veltrano::filelist {

FileListHandlers::FileListHandlers(QTreeView& listView, QStandardItemModel& model, WindowServices window,
                                   QObject* parent)
    : QObject(parent),
      m_view(listView),
      m_window(std::move(window)),
      m_list(model),
      m_mouse(listView, m_list, m_window)
{
    m_view.setSelectionMode(QAbstractItemView::SingleSelection);
    m_view.setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Carrying is ours: the view does not drag entries out. It scrolls to the entry that keys
    // make current, but not while a button is held (see mouseEvent).
    m_view.setDragDropMode(QAbstractItemView::NoDragDrop);
    m_view.setAutoScroll(true);
    // Drops and pointer moves reach the viewport; moves without a button too.
    m_view.viewport()->setAcceptDrops(true);
    m_view.viewport()->setMouseTracking(true);
    m_view.viewport()->installEventFilter(this);
    connect(&m_view, &QAbstractItemView::pressed, this, [this] { m_mouse.ListView1_ItemClick(); });
}

void FileListHandlers::Check3_Click()
{
    filelist::Check3_Click(m_list, m_window);
}

void FileListHandlers::Check6_Click()
{
    filelist::Check6_Click(m_list, m_window);
}

bool FileListHandlers::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view.viewport())
        return false;
    return mouseEvent(event) || dragEvent(event);
}

// True when the view itself must not see the event.
bool FileListHandlers::mouseEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // While a button is held the list scrolls only as a carry asks: the view would bring the
        // pressed or carried entry fully into view by itself, at once or a moment later.
        m_view.setAutoScroll(false);
        // The view selects the pressed entry next and reports it, which runs ItemClick.
        m_mouse.ListView1_MouseDown();
        return false;
    case QEvent::MouseButtonDblClick:
        // Kept from the view: it would take the second press as a new press on whatever entry
        // moved up into the removed one's place.
        m_mouse.ListView1_DblClick();
        return true;
    case QEvent::MouseMove:
        m_mouse.ListView1_MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        // While carrying, the view must not move the selection along on its own.
        return m_mouse.listMouseDown();
    case QEvent::MouseButtonRelease:
        m_mouse.ListView1_MouseUp();
        if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
            m_view.setAutoScroll(true);
        return false;
    default:
        return false;
    }
}

bool FileListHandlers::dragEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* over = static_cast<QDragMoveEvent*>(event);
        const Qt::DropAction action = dropActionFor(over->possibleActions());
        if (over->mimeData() && ListView1_OLEDragOver(*over->mimeData()) && action != Qt::IgnoreAction) {
            over->setDropAction(action);
            over->accept();
        } else {
            over->ignore();
        }
        return true;
    }
    case QEvent::DragLeave:
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const Qt::DropAction action = dropActionFor(drop->possibleActions());
        if (!drop->mimeData() || action == Qt::IgnoreAction) {
            drop->ignore();
            return true;
        }
        ListView1_OLEDragDrop(*drop->mimeData(), m_list);
        drop->setDropAction(action);
        drop->accept();
        return true;
    }
    default:
        return false;
    }
}

}  // namespace veltrano::filelist
