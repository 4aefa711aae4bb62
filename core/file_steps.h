#pragma once
// One file's way through a conversion: backed up when asked, opened, its cells chosen and
// converted, then saved. A step that fails ends the way there, and the file on disk is as it
// was: nothing is saved after a failure, and the engine's save replaces the file in one step.

#include "core/conversion.h"
#include "core/failure.h"
#include "core/scope.h"
#include "spreadsheet/workbook_texts.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace veltrano::spreadsheet {
class Workbook;
}

namespace veltrano::core {

enum class BackupWhen {
    Never,
    BeforeOpening,        // every file, before it is opened (the window)
    BeforeSavingChanges,  // only a file about to be saved with changed cells (veltrano-batch)
};

struct FilePlan {
    BackupWhen backup = BackupWhen::Never;
    // The stamp in the backup's name, read when the copy is made.
    std::function<std::string()> backupStamp;
    // False: a workbook none of whose cells changed is neither saved nor backed up.
    bool saveUnchanged = true;
    // Converted, but neither saved nor backed up.
    bool dryRun = false;
};

// The steps a front end takes its own way.
class FileSteps {
public:
    virtual ~FileSteps() = default;
    // Opens the workbook at path; it stays open until close().
    virtual Result<spreadsheet::Workbook*> open(const std::string& path) = 0;
    // The cells to convert in the open workbook (the window asks for a block here); nullopt when
    // there are none to convert and the workbook is saved as it is. A failure is given as it is.
    virtual Result<std::optional<Scope>> chooseCells(spreadsheet::Workbook& workbook) = 0;
    // Converts the cells of scope (convertCells); the cells it wrote are not saved if it fails.
    // Converted::changedCells counts only for a plan that does not save unchanged workbooks.
    virtual Result<Converted> convert(spreadsheet::Workbook& workbook, const Scope& scope) = 0;
    // Lets go of the workbook, changes not saved dropped; called once after open(), however the
    // steps ended.
    virtual void close() {}
};

struct FileOutcome {
    // Why the file is as it was (a backup made before opening stays); none when it went through.
    std::optional<Failure> failure;
    Converted converted;
    bool saved = false;
};

// Takes the file at path through the steps of plan. A failure's message names the file first.
FileOutcome convertFile(const std::string& path, const FilePlan& plan, FileSteps& steps);

// The steps on the engine alone: the workbook opened from its file, a fixed scope, the texts
// translated the given way (veltrano-batch, and tests that set a front end beside it).
class EngineSteps final : public FileSteps {
public:
    // write false: a dry run, nothing written (with FilePlan::dryRun). texts: the kinds of text
    // outside the cells converted after the cells (none: the cells only, as the window).
    EngineSteps(Scope scope, Translator& translator, Pace pace, ConversionEvents& events, bool write = true,
                spreadsheet::TextKinds texts = {});
    ~EngineSteps() override;

    Result<spreadsheet::Workbook*> open(const std::string& path) override;
    Result<std::optional<Scope>> chooseCells(spreadsheet::Workbook& workbook) override;
    Result<Converted> convert(spreadsheet::Workbook& workbook, const Scope& scope) override;
    void close() override;

private:
    Scope m_scope;
    Translator& m_translator;
    Pace m_pace;
    ConversionEvents& m_events;
    bool m_write;
    spreadsheet::TextKinds m_texts;
    std::unique_ptr<spreadsheet::Workbook> m_workbook;
};

}  // namespace veltrano::core
