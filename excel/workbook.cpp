#include "excel/workbook.h"

#include "core/scope.h"
#include "excel/workbook_state.h"

#include <filesystem>

namespace veltrano::excel {

spreadsheet::Workbook& Workbook::engineWorkbook() const
{
    return lockWorkbook(m_state)->book;
}

std::shared_ptr<spreadsheet::Workbook> Workbook::sharedEngineWorkbook() const
{
    const std::shared_ptr<WorkbookState> state = lockWorkbook(m_state);
    return {state, &state->book};
}

std::string Workbook::Name() const
{
    return std::filesystem::path(FullName()).filename().string();
}

std::string Workbook::FullName() const
{
    return engineWorkbook().path();
}

std::vector<Worksheet> Workbook::Worksheets() const
{
    const std::size_t count = engineWorkbook().worksheetCount();
    std::vector<Worksheet> sheets;
    sheets.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        sheets.push_back(Worksheet(m_state, i));
    return sheets;
}

Worksheet Workbook::ActiveSheet() const
{
    const auto active = core::activeWorksheet(engineWorkbook());
    if (!active)
        throw ExcelError(active.error());
    return Worksheet(m_state, active.value());
}

void Workbook::Save() const
{
    spreadsheet::Workbook& book = engineWorkbook();
    const spreadsheet::Status saved = book.save();
    if (!saved)
        throw ExcelError(core::engineFailure(saved.error(), {book.path(), {}, {}}));
}

Workbook Workbooks::Open(const OpenArguments& arguments) const
{
    const auto session = lockSession(m_session);
    auto opened = spreadsheet::Workbook::open(arguments.FileName);
    if (!opened)
        throw ExcelError(core::engineFailure(opened.error(), {arguments.FileName, {}, {}}));
    // Every workbook opened here is saved in the end: one that cannot be fails now, before any
    // work is done on it, rather than at the end of a walk.
    const spreadsheet::Status writable = spreadsheet::checkWritable(arguments.FileName);
    if (!writable)
        throw ExcelError(core::engineFailure(writable.error(), {arguments.FileName, {}, {}}));
    session->workbooks.push_back(std::make_shared<WorkbookState>(std::move(opened).value()));
    return Workbook(session->workbooks.back());
}

int Workbooks::Count() const
{
    return int(lockSession(m_session)->workbooks.size());
}

Workbook Workbooks::Item(int index) const
{
    const auto session = lockSession(m_session);
    if (index < 1 || std::size_t(index) > session->workbooks.size())
        throw ExcelError::at({}, "there is no workbook " + std::to_string(index) + "; "
                                     + std::to_string(session->workbooks.size()) + " are open.");
    return Workbook(session->workbooks[std::size_t(index) - 1]);
}

}  // namespace veltrano::excel
