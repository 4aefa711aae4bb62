#include "core/file_steps.h"

#include "core/backup_file.h"
#include "core/other_texts.h"
#include "spreadsheet/workbook.h"

namespace veltrano::core {
namespace {

constexpr char kLeftAsItWas[] = "; the file was left as it was";

// Calls close() however the steps after open() end.
class OpenFile {
public:
    explicit OpenFile(FileSteps& steps)
        : m_steps(steps)
    {}
    ~OpenFile() { m_steps.close(); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

private:
    FileSteps& m_steps;
};

Result<void> backUp(const std::string& path, const FilePlan& plan)
{
    const auto backup = copyForBackup(path, plan.backupStamp ? plan.backupStamp() : std::string());
    if (backup)
        return {};
    const Place file{path, {}, {}};
    return Failure{"no backup copy could be made (" + backup.error().reason + "), so the file was not converted", file};
}

Failure leftAsItWas(Failure failure)
{
    failure.reason += kLeftAsItWas;
    return failure;
}

}  // namespace

FileOutcome convertFile(const std::string& path, const FilePlan& plan, FileSteps& steps)
{
    if (plan.backup == BackupWhen::BeforeOpening && !plan.dryRun)
        if (const auto backedUp = backUp(path, plan); !backedUp)
            return {backedUp.error(), {}, false};

    auto opened = steps.open(path);
    const OpenFile closing(steps);
    if (!opened)
        return {opened.error(), {}, false};
    spreadsheet::Workbook& workbook = *opened.value();
    const auto chosen = steps.chooseCells(workbook);
    if (!chosen)
        return {chosen.error(), {}, false};

    FileOutcome outcome;
    if (const std::optional<Scope>& scope = chosen.value()) {
        auto converted = steps.convert(workbook, *scope);
        if (!converted)
            return {leftAsItWas(converted.error()), {}, false};
        outcome.converted = std::move(converted).value();
    }
    const bool unchanged = outcome.converted.changedCells == 0 && outcome.converted.changedTexts == 0;
    if (plan.dryRun || (unchanged && !plan.saveUnchanged))
        return outcome;
    if (plan.backup == BackupWhen::BeforeSavingChanges)
        if (const auto backedUp = backUp(path, plan); !backedUp)
            return {backedUp.error(), std::move(outcome.converted), false};
    if (const spreadsheet::Status saved = workbook.save(); !saved)
        return {leftAsItWas(engineFailure(saved.error(), {path, {}, {}})), std::move(outcome.converted), false};
    outcome.saved = true;
    return outcome;
}

EngineSteps::EngineSteps(Scope scope, Translator& translator, Pace pace, ConversionEvents& events, bool write,
                         spreadsheet::TextKinds texts)
    : m_scope(std::move(scope)),
      m_translator(translator),
      m_pace(pace),
      m_events(events),
      m_write(write),
      m_texts(texts)
{}

EngineSteps::~EngineSteps() = default;

Result<spreadsheet::Workbook*> EngineSteps::open(const std::string& path)
{
    auto opened = spreadsheet::Workbook::open(path);
    if (!opened)
        return engineFailure(opened.error(), {path, {}, {}});
    m_workbook = std::make_unique<spreadsheet::Workbook>(std::move(opened).value());
    return m_workbook.get();
}

Result<std::optional<Scope>> EngineSteps::chooseCells(spreadsheet::Workbook&)
{
    return std::optional<Scope>(m_scope);
}

Result<Converted> EngineSteps::convert(spreadsheet::Workbook& workbook, const Scope& scope)
{
    auto cells = convertCells(workbook, scope, m_translator, m_pace, m_events, m_write);
    if (!cells || !m_texts.any())
        return cells;
    auto texts = convertOtherTexts(workbook, scope, m_texts, m_translator, m_events, m_write);
    if (!texts)
        return texts.error();
    Converted both = std::move(cells).value();
    both.changedTexts = texts.value().changedTexts;
    both.notices = std::move(texts.value().notices);
    for (Failure& left : texts.value().cellsLeft)
        both.cellsLeft.push_back(std::move(left));
    return both;
}

void EngineSteps::close()
{
    // Saving holds the workbook twice (before and as read back); it is let go as soon as it can be.
    m_workbook.reset();
}

}  // namespace veltrano::core
