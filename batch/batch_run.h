#pragma once
// One workbook after another through the core's file steps: opened through the engine, the
// texts of the scope gathered and translated with the run's shared translations, then written,
// backed up when asked (only a file about to change), and saved in place (atomically). A file
// that fails is left as it was and the run goes on.

#include "batch/progress.h"
#include "batch/report.h"
#include "batch/run_translations.h"
#include "core/conversion.h"
#include "core/scope.h"
#include "spreadsheet/workbook_texts.h"

#include <cstddef>
#include <string>

namespace veltrano::batch {

struct RunSettings {
    core::Scope scope;
    bool backup = true;
    bool dryRun = false;
    spreadsheet::TextKinds include;  // texts outside the cells converted too
};

struct RunTotals {
    std::size_t converted = 0;  // files that went through (in a dry run: would have)
    std::size_t failed = 0;
    std::size_t cells = 0;  // cells whose text changed
    std::size_t texts = 0;  // texts outside the cells that changed (--include)
    // Files converted with cells left as they were, since a translation was longer than a cell
    // holds; each such cell is named on standard error.
    std::size_t withCellsLeft = 0;
};

// The run's translations as the core asks for them: each call's texts are prepared (memory,
// number templates, the translator) and their translations given back in order.
class RunTranslator final : public core::Translator {
public:
    explicit RunTranslator(RunTranslations& translations)
        : m_translations(translations)
    {}
    core::Result<std::vector<std::string>> translate(const std::vector<std::string_view>& texts) override;

private:
    RunTranslations& m_translations;
};

class BatchRun {
public:
    // report may be null.
    BatchRun(RunSettings settings, RunTranslations& translations, Progress& progress, ReportFile* report);

    // Converts one workbook and counts it; a failure is shown with its reason, and so is each
    // cell left as it was.
    void convert(const std::string& path);
    // Counts a path that could not even be looked at, and shows why.
    void fail(const std::string& path, const std::string& reason);

    const RunTotals& totals() const { return m_totals; }

private:
    RunSettings m_settings;
    RunTranslator m_translator;
    Progress& m_progress;
    ReportFile* m_report;
    RunTotals m_totals;
};

}  // namespace veltrano::batch
