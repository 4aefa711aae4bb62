#include "excel/sheet_grid_model.h"

#include "spreadsheet/cell_ref.h"

namespace veltrano::excel {

using spreadsheet::CellKind;

SheetGridModel::SheetGridModel(spreadsheet::Worksheet sheet, QObject* parent)
    : QAbstractTableModel(parent),
      m_sheet(sheet)
{}

int SheetGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : spreadsheet::kMaxRows;
}

int SheetGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : spreadsheet::kMaxColumns;
}

QVariant SheetGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row() + 1;
    const int column = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(m_sheet.text(row, column));
    case Qt::TextAlignmentRole: {
        const CellKind kind = m_sheet.kind(row, column);
        const bool right = kind == CellKind::Number || kind == CellKind::Date;
        return QVariant::fromValue(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
    }
    default:
        return {};
    }
}

QVariant SheetGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return QString::fromStdString(spreadsheet::columnName(section + 1));
    return section + 1;
}

}  // namespace veltrano::excel
