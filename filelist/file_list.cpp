#include "filelist/file_list.h"

#include <QStandardItemModel>

namespace veltrano::filelist {

namespace {

// An entry can be selected, and nothing else: the user cannot edit its text in place, and the
// view neither drags it out nor takes drops on it (carrying and dropping are ours).
QStandardItem* newEntry(const QString& path)
{
    auto* entry = new QStandardItem(path);
    entry->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
    return entry;
}

}  // namespace

void FileList::append(const QString& path)
{
    m_model.appendRow(newEntry(path));
}

void FileList::append(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    QList<QStandardItem*> entries;
    entries.reserve(paths.size());
    for (const QString& path : paths)
        entries.append(newEntry(path));
    m_model.invisibleRootItem()->appendRows(entries);
}

int FileList::count() const
{
    return m_model.rowCount();
}

QString FileList::text(int position) const
{
    if (position < 1 || position > count())
        return {};
    return m_model.item(position - 1)->text();
}

void FileList::setText(int position, const QString& path)
{
    if (position < 1 || position > count())
        return;
    m_model.item(position - 1)->setText(path);
}

bool FileList::remove(int position)
{
    if (position < 1 || position > count())
        return false;
    return m_model.removeRow(position - 1);
}

}  // namespace veltrano::filelist
