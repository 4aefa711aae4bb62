#pragma once
// ListView1's mouse handlers: removing an entry by double-click, and carrying an entry to
// another place by exchanging texts while a button is held.

#include "filelist/file_list.h"
#include "filelist/window_services.h"

#include <QCursor>
#include <QPersistentModelIndex>
#include <QPoint>

#include <optional>

class QTreeView;

namespace veltrano::filelist {

// The pointer shown over the list while an entry is carried: "drag.ico" from programFolder,
// its tip at the top-left corner; the arrow when the file is missing or cannot be read.
QCursor carryPointer(const QString& programFolder);

class ListMouse {
public:
    // view shows list's model; window gives the pointer setting, the screen position of the
    // pointer and the program's folder.
    ListMouse(QTreeView& view, FileList& list, const WindowServices& window);

    // An entry was pressed: it becomes the carried entry (none when nothing is selected, e.g.
    // after a Ctrl+click took the selection away), and the list shows the carry pointer.
    void ListView1_ItemClick();
    // Any button went down over the list.
    void ListView1_MouseDown();
    // The pointer moved to at (the list's viewport coordinates). Sets the window's pointer to
    // default unless it is busy; while a button is held, an entry under the pointer whose text
    // differs from the carried entry's exchanges texts with it and becomes the carried one,
    // and the list scrolls by one entry when the pointer is near the top or bottom of the screen.
    void ListView1_MouseMove(const QPoint& at);
    // Any button went up: carrying stops and the list shows the arrow.
    void ListView1_MouseUp();
    // Removes the selected entry; does nothing when none is selected.
    void ListView1_DblClick();
    // Shows the window's busy pointer over the whole list (its header too) while the window's
    // setting is busy, and the list's own pointer otherwise. Called on every change of the
    // window's setting.
    void windowPointerChanged();

    bool listMouseDown() const { return ListMouseDown; }
    // The carried entry's position (from 1); 0 when there is none, also when it was removed.
    int dragItemPosition() const { return DragItem.isValid() ? DragItem.row() + 1 : 0; }

private:
    // Makes pointer the list's own pointer (none: the window's), shown unless the window's is busy.
    void setListPointer(std::optional<QCursor> pointer);
    int selectedPosition() const;
    void select(int position);
    void ensureVisible(int position);
    void scrollNearScreenEdges(int hoverPosition);

    QTreeView& m_view;
    FileList& m_list;
    const WindowServices& m_window;

    std::optional<QCursor> m_listPointer;
    bool ListMouseDown = false;
    // Follows its row through moves and becomes invalid when the row is removed, so a removed
    // entry counts as none.
    QPersistentModelIndex DragItem;
};

}  // namespace veltrano::filelist
