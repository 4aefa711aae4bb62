#pragma once
// The file list: the paths of the workbooks to convert, held only by ListView1's model, one
// entry a row, in the order they were added. Positions count from 1.

#include <QString>
#include <QStringList>

class QStandardItemModel;

namespace veltrano::filelist {

class FileList {
public:
    // Works on model's rows (one column); the model stays the only store of the list.
    explicit FileList(QStandardItemModel& model)
        : m_model(model)
    {}

    // Adds path as the last entry, exactly as given; an entry already there is added again.
    void append(const QString& path);
    // Adds every path, in order, as the last entries, in one change of the model.
    void append(const QStringList& paths);
    // How many entries the list has.
    int count() const;
    // The path at position (1 to count); "" outside that range.
    QString text(int position) const;
    // Replaces the path at position (1 to count); nothing happens outside that range.
    void setText(int position, const QString& path);
    // Takes away the entry at position (1 to count); false, and nothing changes, outside it.
    bool remove(int position);

    QStandardItemModel& model() { return m_model; }

private:
    QStandardItemModel& m_model;
};

}  // namespace veltrano::filelist
