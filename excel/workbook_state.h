#pragma once
// What the Excel objects share inside one instance: the open workbooks. Handles (workbooks,
// worksheets, ranges) hold it weakly, so a handle used after its instance quit fails with an
// ExcelError instead of reaching freed memory.

#include "excel/excel_error.h"
#include "spreadsheet/workbook.h"

#include <memory>
#include <vector>

namespace veltrano::excel {

struct WorkbookState {
    explicit WorkbookState(spreadsheet::Workbook opened)
        : book(std::move(opened))
    {}
    spreadsheet::Workbook book;
};

struct Session {
    std::vector<std::shared_ptr<WorkbookState>> workbooks;  // in the order they were opened
};

// The workbook behind a handle; throws ExcelError when its instance has quit.
std::shared_ptr<WorkbookState> lockWorkbook(const std::weak_ptr<WorkbookState>& workbook);
// The session behind a handle; throws ExcelError when its instance has quit.
std::shared_ptr<Session> lockSession(const std::weak_ptr<Session>& session);

}  // namespace veltrano::excel
