#pragma once
// How a conversion reaches Excel before and at the start of each file: whether a spreadsheet
// program already runs (and asking the user whether to go on if so), and a new instance of our
// own with one workbook open in it. The Excel objects' exceptions end here, as failures.

#include "core/failure.h"
#include "excel/application.h"
#include "excel/excel_error.h"
#include "excel/running_programs.h"
#include "platform/shell/shell.h"

#include <QString>

#include <string>
#include <type_traits>
#include <utility>

class QWidget;

namespace veltrano::conversion {

// An Excel object's failure as the core's: the failure it carries, in its pieces.
core::Failure failureOf(const platform::excel::ExcelError& error);

// What steps on Excel's objects give back, or the ExcelError they throw as a failure: the
// objects report their failures by exception, and the conversion's code takes them as values.
template <typename Steps>
core::Result<std::invoke_result_t<Steps>> CatchExcelError(Steps&& steps)
{
    try {
        return std::forward<Steps>(steps)();
    } catch (const platform::excel::ExcelError& error) {
        return failureOf(error);
    }
}

// The question asked when a spreadsheet program already runs.
extern const QString kExcelMayBeOpenMessage;

// True when a running spreadsheet program could be attached to and reports Excel's name.
// Every failure of the look-up counts as none running.
bool ExcelIsRunning(const platform::excel::RunningProgramLookup& lookup);

// Whether a run must not start: when a spreadsheet program runs, asks once (Yes/No, titled
// "Veltrano") whether to go on anyway; true unless the answer is Yes. Shows nothing and
// returns false when none runs.
bool StopForOpenExcel(QWidget* owner, platform::shell::Shell& shell,
                      const platform::excel::RunningProgramLookup& lookup);

// Whether a path names a template, to be opened as itself for editing: a path ending in "xlt",
// or in ".xltx" or ".xltm" in any case.
bool isTemplatePath(const std::string& path);

// Starts a new instance, never one that already runs, and opens the file in it (a template with
// Editable = true). The caller owns the instance and must quit it. Fails, naming the file and
// why, when the file cannot be opened; the new instance has then quit.
core::Result<platform::excel::Application> OpenWorkbookInExcel(const std::string& path);

}  // namespace veltrano::conversion
