#include "filelist/list_mouse.h"

#include <QCursor>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QStandardItemModel>
#include <QTreeView>

#include <utility>

namespace veltrano::filelist {

namespace {

// Screen rows (pixels from the top of the screen) above and below which a carry scrolls the
// list by one entry. They are rows of the whole screen, wherever the window stands.
constexpr int kScrollUpBelowRow = 305;
constexpr int kScrollDownAboveRow = 364;

}  // namespace

QCursor carryPointer(const QString& programFolder)
{
    const QPixmap picture(programFolder + QStringLiteral("/drag.ico"));
    if (picture.isNull())
        return QCursor(Qt::ArrowCursor);
    return QCursor(picture, 0, 0);
}

ListMouse::ListMouse(QTreeView& view, FileList& list, const WindowServices& window)
    : m_view(view),
      m_list(list),
      m_window(window)
{}

void ListMouse::ListView1_ItemClick()
{
    setListPointer(carryPointer(m_window.programFolder));
    const int selected = selectedPosition();
    DragItem = selected > 0 ? QPersistentModelIndex(m_list.model().index(selected - 1, 0)) : QPersistentModelIndex();
}

void ListMouse::ListView1_MouseDown()
{
    ListMouseDown = true;
}

void ListMouse::ListView1_MouseMove(const QPoint& at)
{
    if (!m_window.pointerIsBusy())
        m_window.setPointerBusy(false);
    if (!ListMouseDown)
        return;
    const QModelIndex HoverItem = m_view.indexAt(at);
    if (!HoverItem.isValid() || !DragItem.isValid())
        return;
    const int hoverPosition = HoverItem.row() + 1;
    const int dragPosition = DragItem.row() + 1;
    const QString carried = m_list.text(dragPosition);
    const QString hovered = m_list.text(hoverPosition);
    // Also covers the pointer still over the carried entry itself.
    if (hovered == carried)
        return;
    m_list.setText(dragPosition, hovered);
    m_list.setText(hoverPosition, carried);
    select(hoverPosition);
    DragItem = QPersistentModelIndex(m_list.model().index(hoverPosition - 1, 0));
    scrollNearScreenEdges(hoverPosition);
}

void ListMouse::ListView1_MouseUp()
{
    ListMouseDown = false;
    setListPointer(QCursor(Qt::ArrowCursor));
}

void ListMouse::ListView1_DblClick()
{
    m_list.remove(selectedPosition());
}

void ListMouse::windowPointerChanged()
{
    // A control's own pointer wins over its window's, so the hourglass has to be the list's
    // own while it shows. The header sets a pointer of its own over its dividers, but only
    // while it has none.
    if (m_window.pointerIsBusy()) {
        m_view.viewport()->setCursor(Qt::WaitCursor);
        m_view.header()->setCursor(Qt::WaitCursor);
        return;
    }
    m_view.header()->unsetCursor();
    if (m_listPointer)
        m_view.viewport()->setCursor(*m_listPointer);
    else
        m_view.viewport()->unsetCursor();
}

void ListMouse::setListPointer(std::optional<QCursor> pointer)
{
    m_listPointer = std::move(pointer);
    windowPointerChanged();
}

int ListMouse::selectedPosition() const
{
    const QModelIndexList selected = m_view.selectionModel()->selectedRows();
    return selected.isEmpty() ? 0 : selected.first().row() + 1;
}

void ListMouse::select(int position)
{
    m_view.selectionModel()->setCurrentIndex(m_list.model().index(position - 1, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ListMouse::ensureVisible(int position)
{
    m_view.scrollTo(m_list.model().index(position - 1, 0), QAbstractItemView::EnsureVisible);
}

void ListMouse::scrollNearScreenEdges(int hoverPosition)
{
    const int row = m_window.shell().GetCursorPos().y();
    if (row < kScrollUpBelowRow) {
        if (hoverPosition > 1)
            ensureVisible(hoverPosition - 1);
    } else if (row > kScrollDownAboveRow) {
        if (hoverPosition + 1 <= m_list.count())
            ensureVisible(hoverPosition + 1);
    }
}

}  // namespace veltrano::filelist
