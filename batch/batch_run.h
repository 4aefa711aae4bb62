#pragma once
// One workbook after another: opened through the engine, the cells of the scope translated with
// the run's shared translations, backed up when asked, and saved in place (atomically). A file
// that fails is left as it was and the run goes on.

#include "batch/options.h"
#include "batch/progress.h"
#include "batch/report.h"
#include "batch/run_translations.h"

#include <optional>
#include <string>

namespace veltrano::batch {

struct RunSettings {
    core::Scope scope;
    bool backup = true;
    bool dryRun = false;
};

struct RunTotals {
    std::size_t converted = 0;  // files that went through (in a dry run: would have)
    std::size_t failed = 0;
    std::size_t cells = 0;  // cells whose text changed
};

class BatchRun {
public:
    // report may be null.
    BatchRun(RunSettings settings, RunTranslations& translations, Progress& progress, ReportFile* report);

    // Converts one workbook and counts it; a failure is shown with its reason.
    void convert(const std::string& path);
    // Counts a path that could not even be looked at, and shows why.
    void fail(const std::string& path, const std::string& reason);

    const RunTotals& totals() const { return m_totals; }

private:
    struct Converted {
        std::size_t cells = 0;             // cells changed
        std::vector<ChangedCell> details;  // each of them, when there is a report to write
    };
    // What changed, or the failure's line (naming the file).
    std::variant<Converted, std::string> convertFile(const std::string& path);

    RunSettings m_settings;
    RunTranslations& m_translations;
    Progress& m_progress;
    ReportFile* m_report;
    RunTotals m_totals;
};

// Copies the file beside itself under the window's backup name, before it is changed; the
// reason when that cannot be done.
std::optional<std::string> makeBackup(const std::string& path);

}  // namespace veltrano::batch
