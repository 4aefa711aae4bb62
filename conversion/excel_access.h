#pragma once
// How a conversion reaches Excel before and at the start of each file: whether a spreadsheet
// program already runs (and asking the user whether to go on if so), and a new instance of our
// own with one workbook open in it.

#include "core/failure.h"
#include "excel/application.h"
#include "excel/excel_error.h"
#include "excel/running_programs.h"
#include "platform/shell/shell.h"

#include <QString>

#include <string>

class QWidget;

namespace veltrano::conversion {

// The question asked when a spreadsheet program already runs.
extern const QString kExcelMayBeOpenMessage;

// True when a running spreadsheet program could be attached to and reports Excel's name.
// Every failure of the look-up counts as none running.
bool ExcelIsRunning(const excel::RunningProgramLookup& lookup);

// Whether a run must not start: when a spreadsheet program runs, asks once (Yes/No, titled
// "Veltrano") whether to go on anyway; true unless the answer is Yes. Shows nothing and
// returns false when none runs.
bool StopForOpenExcel(QWidget* owner, platform::shell::Shell& shell, const excel::RunningProgramLookup& lookup);

// Whether a path names a template, to be opened as itself for editing: a path ending in "xlt",
// or in ".xltx" or ".xltm" in any case.
bool isTemplatePath(const std::string& path);

// Starts a new instance, never one that already runs, and opens the file in it (a template with
// Editable = true). The caller owns the instance and must quit it. Fails, naming the file and
// why, when the file cannot be opened; the new instance has then quit.
core::Result<excel::Application> OpenWorkbookInExcel(const std::string& path);

}  // namespace veltrano::conversion
