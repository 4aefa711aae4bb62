#include "batch/batch_run.h"

#include "batch/scope_cells.h"
#include "conversion/backup_copy.h"
#include "core/backup_file.h"
#include "spreadsheet/cell_ref.h"

#include <QDateTime>
#include <QLocale>

namespace veltrano::batch {
namespace {

// The engine's messages name the file first; the run's own reasons get it put in front.
std::string lineFor(const std::string& path, const std::string& reason)
{
    if (reason.starts_with(path))
        return reason;
    return path + ": " + reason;
}

}  // namespace

std::optional<std::string> makeBackup(const std::string& path)
{
    const std::string stamp = conversion::backupStamp(QDateTime::currentDateTime(), QLocale::system()).toStdString();
    core::BackupFile backup = core::copyForBackup(path, stamp);
    if (!backup.failure.empty())
        return std::move(backup.failure);
    return std::nullopt;
}

BatchRun::BatchRun(RunSettings settings, RunTranslations& translations, Progress& progress, ReportFile* report)
    : m_settings(std::move(settings)),
      m_translations(translations),
      m_progress(progress),
      m_report(report)
{}

void BatchRun::convert(const std::string& path)
{
    m_progress.startFile(path);
    auto converted = convertFile(path);
    if (auto* failure = std::get_if<std::string>(&converted)) {
        ++m_totals.failed;
        m_progress.endFile(path, 0, *failure);
        return;
    }
    const Converted& done = std::get<Converted>(converted);
    ++m_totals.converted;
    m_totals.cells += done.cells;
    // Said once: after the first failure the report takes no more lines.
    if (m_report && m_report->failure().empty() && !m_report->add(path, done.details))
        m_progress.note("veltrano-batch: the report is not whole from here on: " + m_report->failure());
    m_progress.endFile(path, done.cells, std::nullopt);
}

void BatchRun::fail(const std::string& path, const std::string& reason)
{
    ++m_totals.failed;
    m_progress.note("veltrano-batch: " + lineFor(path, reason));
}

std::variant<BatchRun::Converted, std::string> BatchRun::convertFile(const std::string& path)
{
    auto opened = spreadsheet::Workbook::open(path);
    if (!opened)
        return lineFor(path, opened.error().message);
    spreadsheet::Workbook& workbook = opened.value();
    auto scoped = cellsInScope(workbook, m_settings.scope);
    if (auto* reason = std::get_if<std::string>(&scoped))
        return lineFor(path, *reason + ", so it was not converted");
    std::vector<ScopeCell> cells = std::move(std::get<std::vector<ScopeCell>>(scoped));

    std::vector<std::string_view> texts;
    texts.reserve(cells.size());
    for (const ScopeCell& cell : cells)
        texts.emplace_back(cell.text);
    if (auto prepared = m_translations.prepare(texts); !prepared)
        return lineFor(path, "not translated: " + prepared.error() + "; the file was left as it was");
    texts = {};

    Converted converted;
    for (const ScopeCell& cell : cells) {
        const std::string& translation = m_translations.of(cell.text);
        if (translation == cell.text)
            continue;  // the cell stays exactly as it was, as in the window
        spreadsheet::Worksheet sheet = workbook.worksheet(cell.worksheet);
        std::string after = translation;
        if (!m_settings.dryRun) {
            auto written = sheet.setValue(cell.row, cell.column, translation);
            if (!written)
                return lineFor(path, written.error().message + "; the file was left as it was");
            after = std::move(written.value().storedText);
        }
        ++converted.cells;
        if (m_report)
            converted.details.push_back(
                {sheet.name(), spreadsheet::cellName(cell.row, cell.column), cell.text, std::move(after)});
    }
    // Saving holds the workbook twice (before and as read back); the cells are not needed then.
    cells = {};
    if (m_settings.dryRun || converted.cells == 0)
        return converted;
    if (m_settings.backup)
        if (const auto failure = makeBackup(path))
            return lineFor(path, "no backup copy could be made (" + *failure + "), so the file was not converted");
    if (auto saved = workbook.save(); !saved)
        return lineFor(path, saved.error().message + "; the file was left as it was");
    return converted;
}

}  // namespace veltrano::batch
