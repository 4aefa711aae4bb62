#include "excel/workbook_state.h"

namespace veltrano::excel {

std::shared_ptr<WorkbookState> lockWorkbook(const std::weak_ptr<WorkbookState>& workbook)
{
    if (auto state = workbook.lock())
        return state;
    throw ExcelError::at({}, "The workbook is no longer open: its Excel instance has quit.");
}

std::shared_ptr<Session> lockSession(const std::weak_ptr<Session>& session)
{
    if (auto state = session.lock())
        return state;
    throw ExcelError::at({}, "The Excel instance has quit.");
}

}  // namespace veltrano::excel
