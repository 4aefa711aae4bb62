#include "filelist/list_drop.h"

#include <QMimeData>
#include <QUrl>

namespace veltrano::filelist {

QStringList droppedPaths(const QMimeData& data)
{
    if (!data.hasUrls())
        return {};
    QStringList paths;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            return {};
        paths.append(url.toLocalFile());
    }
    return paths;
}

bool ListView1_OLEDragOver(const QMimeData& data)
{
    return !droppedPaths(data).isEmpty();
}

Qt::DropAction dropActionFor(Qt::DropActions possible)
{
    if (possible & Qt::CopyAction)
        return Qt::CopyAction;
    if (possible & Qt::LinkAction)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

void ListView1_OLEDragDrop(const QMimeData& data, FileList& list)
{
    list.append(droppedPaths(data));
}

}  // namespace veltrano::filelist
