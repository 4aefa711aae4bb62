#pragma once
// Files dragged from a file manager (or any program offering local files) and dropped on the
// list are appended to it.

#include "filelist/file_list.h"

#include <Qt>

class QMimeData;

namespace veltrano::filelist {

// The local paths that data carries as "text/uri-list", in its order; none unless every URL of
// the list is a local file.
QStringList droppedPaths(const QMimeData& data);

// Whether data can be dropped on the list: only drags of local files can.
bool ListView1_OLEDragOver(const QMimeData& data);

// The action to accept a drop of files with: a copy or a link, never a move, so that no source
// takes a move as leave to delete its files; IgnoreAction when the source offers neither.
Qt::DropAction dropActionFor(Qt::DropActions possible);

// Appends every dropped path at the end, in the drop's order, whatever it names (a folder is
// one entry of its own); nothing is added for data without local files.
void ListView1_OLEDragDrop(const QMimeData& data, FileList& list);

}  // namespace veltrano::filelist
