#include "spreadsheet/workbook.h"

#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/internal/workbook_impl.h"
#include "spreadsheet/xls/xls_workbook.h"
#include "spreadsheet/xlsx/xlsx_backend.h"

namespace veltrano::spreadsheet {

std::string_view sheetKindName(SheetKind kind)
{
    switch (kind) {
    case SheetKind::Worksheet:
        return "worksheet";
    case SheetKind::Chartsheet:
        return "chartsheet";
    case SheetKind::Dialogsheet:
        return "dialogsheet";
    case SheetKind::Macrosheet:
        return "macrosheet";
    }
    return "";
}

std::string_view visibilityName(SheetVisibility visibility)
{
    switch (visibility) {
    case SheetVisibility::Visible:
        return "visible";
    case SheetVisibility::Hidden:
        return "hidden";
    case SheetVisibility::VeryHidden:
        return "veryhidden";
    }
    return "";
}

std::string_view cellKindName(CellKind kind)
{
    switch (kind) {
    case CellKind::Empty:
        return "empty";
    case CellKind::Text:
        return "text";
    case CellKind::Number:
        return "number";
    case CellKind::Boolean:
        return "boolean";
    case CellKind::Error:
        return "error";
    case CellKind::Date:
        return "date";
    case CellKind::Formula:
        return "formula";
    }
    return "";
}

std::string_view writeBlockReason(WriteBlock block)
{
    switch (block) {
    case WriteBlock::None:
        return "";
    case WriteBlock::Formula:
        return "formula cell";
    case WriteBlock::ArrayFormula:
        return "part of an array formula";
    case WriteBlock::SpillRange:
        return "part of a spill range";
    case WriteBlock::DataTable:
        return "part of a data table";
    case WriteBlock::PivotTable:
        return "inside a pivot table";
    case WriteBlock::ProtectedCell:
        return "locked cell on a protected sheet";
    case WriteBlock::RichValue:
        return "picture or linked data type in the cell";
    case WriteBlock::TableColumnInUse:
        return "table header named in formulas or feeding a pivot table";
    case WriteBlock::NumberValue:
        return "number value";
    case WriteBlock::DateValue:
        return "date or time value";
    case WriteBlock::BooleanValue:
        return "TRUE or FALSE value";
    case WriteBlock::ErrorValue:
        return "error value";
    case WriteBlock::EmptyCell:
        return "empty cell";
    }
    return "";
}

Workbook::Workbook(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

namespace {

// Messages are one line of valid text, whatever the file put into them.
Error oneLine(Error error)
{
    error.file = utf8::singleLine(error.file);
    error.place = utf8::singleLine(error.place);
    error.reason = utf8::singleLine(error.reason);
    return error;
}

}  // namespace

Result<Workbook> Workbook::open(const std::string& path)
{
    auto file = readWorkbookFile(path);
    if (!file)
        return oneLine(file.error());
    auto book = openBytes(std::move(file.value().bytes), path);
    if (book) {
        book.value().m_impl->onDisk = file.value().identity;
        book.value().m_impl->lock = std::move(file.value().lock);
    }
    return book;
}

Result<Workbook> Workbook::openBytes(std::string bytes, const std::string& path)
{
    auto impl = loadAnyWorkbook(path, std::move(bytes));
    if (!impl)
        return impl.error();  // already one line
    return Workbook(std::move(impl.value()));
}

Result<std::unique_ptr<Workbook::Impl>> loadAnyWorkbook(const std::string& path, std::string bytes)
{
    if (xls::isCompoundFile(bytes)) {
        auto impl = xls::loadWorkbook(path, std::move(bytes));
        if (!impl)
            return oneLine(impl.error());
        return impl;
    }
    auto impl = loadPackage(path, std::move(bytes));
    if (!impl)
        return oneLine(impl.error());
    return impl;
}

const std::string& Workbook::path() const
{
    return m_impl->path;
}
const std::vector<SheetInfo>& Workbook::sheets() const
{
    return m_impl->sheets;
}
std::size_t Workbook::activeSheet() const
{
    return m_impl->activeSheet;
}
std::size_t Workbook::worksheetCount() const
{
    return m_impl->worksheets.size();
}
Worksheet Workbook::worksheet(std::size_t index)
{
    return Worksheet(m_impl.get(), index);
}
bool Workbook::isModified() const
{
    return m_impl->modified;
}

std::optional<std::size_t> Workbook::worksheetOfSheet(std::size_t sheetIndex) const
{
    if (sheetIndex >= m_impl->worksheetOfSheet.size())
        return std::nullopt;
    return m_impl->worksheetOfSheet[sheetIndex];
}

std::optional<std::size_t> Workbook::findWorksheet(std::string_view name) const
{
    const std::string wanted = utf8::foldCase(name);
    for (std::size_t i = 0; i < m_impl->worksheets.size(); ++i)
        if (utf8::foldCase(m_impl->worksheets[i]->model.name) == wanted)
            return i;
    return std::nullopt;
}

namespace {

// The workbook as save() would write it, read back from those bytes with every check of
// opening: a save never writes a file that would not open again.
Result<std::unique_ptr<Workbook::Impl>> readBackSaved(Workbook::Impl& wb)
{
    auto bytes = wb.backend->serialize(wb);
    if (!bytes)
        return bytes.error();
    wb.backend->releaseRereadable(wb);
    auto refuse = [&](const Error& error) {
        return Error{error.code, wb.path, "",
                     "not saved, the file is left as it was: the workbook as it would be written does not read back ("
                         + error.message() + ")"};
    };
    auto loaded = loadAnyWorkbook(wb.path, std::move(bytes.value()));
    if (!loaded)
        return refuse(loaded.error());
    return loaded;
}

const std::string& fileBytes(const Workbook::Impl& wb)
{
    return wb.backend->bytes();
}

// The workbook's XML back in place after a save that failed; the failure is what is reported,
// with the restoring's own should that fail too (the sheets it misses then refuse any save).
Error restoredWithError(Workbook::Impl& wb, Error error)
{
    if (Status restored = wb.backend->restoreRereadable(wb); !restored)
        error.reason += "; " + restored.error().message();
    return error;
}

}  // namespace

Status Workbook::save()
{
    if (!m_impl->modified)
        return {};
    auto saved = readBackSaved(*m_impl);
    if (!saved)
        return restoredWithError(*m_impl, saved.error());
    auto written = writeFileAtomically(m_impl->path, fileBytes(*saved.value()), m_impl->onDisk, &m_impl->lock);
    if (!written)
        return restoredWithError(*m_impl, written.error());
    saved.value()->lock = std::move(m_impl->lock);
    // The parts read back hold the byte offsets of the file now on disk, which the next edits
    // splice into.
    saved.value()->onDisk = written.value();
    *m_impl = std::move(*saved.value());
    return {};
}

Status Workbook::saveAs(const std::string& path)
{
    std::unique_ptr<Impl> saved;
    if (m_impl->modified) {
        auto readBack = readBackSaved(*m_impl);
        if (!readBack)
            return restoredWithError(*m_impl, readBack.error());
        saved = std::move(readBack.value());
    }
    const std::string& bytes = fileBytes(saved ? *saved : *m_impl);
    auto written = writeFileAtomically(path, bytes, std::nullopt);
    saved.reset();
    Status restored = m_impl->backend->restoreRereadable(*m_impl);
    if (!written)
        return written.error();
    return restored;
}

Result<FileReadLock> FileReadLock::acquire(const std::string& path)
{
    auto lock = lockFile(path, false);
    if (!lock)
        return lock.error();
    return FileReadLock(std::make_shared<FileLock>(std::move(lock.value())));
}

}  // namespace veltrano::spreadsheet
