#pragma once
// ListView1's behaviour as a whole: the list's operations, its mouse and drop handlers, and the
// two commands that fill it, hooked to the list view the window made.

#include "filelist/file_list.h"
#include "filelist/list_mouse.h"
#include "filelist/window_services.h"

#include <QObject>

class QDropEvent;
class QStandardItemModel;
class QTreeView;

namespace veltrano::filelist {

class FileListHandlers : public QObject {
    Q_OBJECT
public:
    // Sets listView up as the file list over model (single selection, no editing in place, no
    // drag out, drops of files taken) and routes its events to the handlers. Both must outlive
    // this object.
    FileListHandlers(QTreeView& listView, QStandardItemModel& model, WindowServices window, QObject* parent = nullptr);

    FileList& fileList() { return m_list; }
    ListMouse& mouse() { return m_mouse; }

    // "Add Excel File(s)", once its button has been released.
    void Check3_Click();
    // "Add All Excel File(s) In Folder", once its button has been released.
    void Check6_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool mouseEvent(QEvent* event);
    bool dragEvent(QEvent* event);

    QTreeView& m_view;
    WindowServices m_window;
    FileList m_list;
    ListMouse m_mouse;
};

}  // namespace veltrano::filelist
