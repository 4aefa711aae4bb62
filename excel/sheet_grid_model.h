#pragma once
// One worksheet as a table for the workbook window: every row and column of the sheet, with
// each cell's displayed text asked of the engine only when the view shows that cell, so a
// sheet of any size opens and scrolls at once.

#include "spreadsheet/workbook.h"

#include <QAbstractTableModel>

namespace veltrano::excel {

class SheetGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // sheet must stay valid while the model lives (the window goes before its workbook).
    SheetGridModel(spreadsheet::Worksheet sheet, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // The displayed text; numbers and dates are aligned right, as a spreadsheet shows them.
    QVariant data(const QModelIndex& index, int role) const override;
    // Column letters across, row numbers down.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    spreadsheet::Worksheet m_sheet;
};

}  // namespace veltrano::excel
