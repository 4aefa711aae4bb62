#include "batch/batch_run.h"

#include "conversion/backup_copy.h"
#include "core/file_steps.h"

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

// The changed cells of a file, kept for the report when there is one.
class ReportedCells final : public core::ConversionEvents {
public:
    explicit ReportedCells(bool wanted)
        : m_wanted(wanted)
    {}
    void cellChanged(const core::ChangedCell& cell) override
    {
        if (m_wanted)
            cells.push_back(cell);
    }
    std::vector<core::ChangedCell> cells;

private:
    bool m_wanted;
};

}  // namespace

core::Result<std::vector<std::string>> RunTranslator::translate(const std::vector<std::string_view>& texts)
{
    if (auto prepared = m_translations.prepare(texts); !prepared)
        return core::Failure{prepared.error().message, {}};
    std::vector<std::string> translations;
    translations.reserve(texts.size());
    for (const std::string_view text : texts)
        translations.push_back(m_translations.of(text));
    return translations;
}

BatchRun::BatchRun(RunSettings settings, RunTranslations& translations, Progress& progress, ReportFile* report)
    : m_settings(std::move(settings)),
      m_translator(translations),
      m_progress(progress),
      m_report(report)
{}

void BatchRun::convert(const std::string& path)
{
    m_progress.startFile(path);
    ReportedCells changed(m_report != nullptr);
    core::EngineSteps steps(m_settings.scope, m_translator, core::Pace::Gathered, changed, !m_settings.dryRun,
                            m_settings.include);
    core::FilePlan plan;
    plan.backup = m_settings.backup ? core::BackupWhen::BeforeSavingChanges : core::BackupWhen::Never;
    plan.backupStamp = [] {
        return conversion::backupStamp(QDateTime::currentDateTime(), QLocale::system()).toStdString();
    };
    plan.saveUnchanged = false;
    plan.dryRun = m_settings.dryRun;
    const core::FileOutcome outcome = core::convertFile(path, plan, steps);
    for (const std::string& notice : outcome.converted.notices)
        m_progress.note("veltrano-batch: " + lineFor(path, notice));
    if (outcome.failure) {
        ++m_totals.failed;
        m_progress.endFile(path, 0, lineFor(path, outcome.failure->message()));
        return;
    }
    ++m_totals.converted;
    m_totals.cells += outcome.converted.changedCells;
    m_totals.texts += outcome.converted.changedTexts;
    // Said once: after the first failure the report takes no more lines.
    if (m_report && m_report->whole())
        if (const auto added = m_report->add(path, changed.cells); !added)
            m_progress.note("veltrano-batch: the report is not whole from here on: " + added.error().reason);
    if (!outcome.converted.cellsLeft.empty())
        ++m_totals.withCellsLeft;
    for (const core::Failure& cell : outcome.converted.cellsLeft)
        m_progress.note("veltrano-batch: " + lineFor(path, cell.message()));
    m_progress.endFile(path, outcome.converted.changedCells + outcome.converted.changedTexts, std::nullopt);
}

void BatchRun::fail(const std::string& path, const std::string& reason)
{
    ++m_totals.failed;
    m_progress.note("veltrano-batch: " + lineFor(path, reason));
}

}  // namespace veltrano::batch
