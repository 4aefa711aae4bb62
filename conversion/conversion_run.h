#pragma once
// The Convert command: each listed workbook in turn goes through the core's file steps (backed
// up when asked, opened in an instance of its own, converted in the chosen scope through the
// translation page, saved and closed), with the overall progress shown and "Done." at the end.
// A file that fails is left as it was on disk and named in the closing message, and the run
// goes on with the next file.

#include "core/scope.h"
#include "excel/running_programs.h"
#include "pageclient/page_client.h"
#include "pageclient/scope_walk.h"
#include "platform/shell/shell.h"
#include "result/result.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace veltrano::conversion {

// What the run reads and sets on the window, given as functions so that conversion does not
// depend on the window's class. Each is called at the moment the run needs it, so a choice
// the user changes during a run counts from the next file on.
struct RunWindow {
    // The window that owns the messages.
    QWidget* owner = nullptr;
    // The file list's paths now, top to bottom.
    std::function<QStringList()> listedFiles;
    // How many entries the file list has now.
    std::function<int()> listedCount;
    // Whether the backup box is ticked.
    std::function<bool()> backupWanted;
    // The first selected of Option3 (Workbook), Option4 (ActiveSheet) and Option5 (Block, asked
    // for in the workbook window); nullopt when none is.
    std::function<std::optional<core::Scope::Kind>()> chosenScope;
    // Shows the per cent of files done on ProgressBar2.
    std::function<void(int percent)> showOverallProgress;
    // Sets the window's pointer setting: busy (the hourglass), or default when false.
    std::function<void(bool busy)> setPointerBusy;
    // The dialogs as the window has them at the moment of the call.
    std::function<platform::shell::Shell&()> shell;
    // The translation page client as the window has it at the moment of the call.
    std::function<pageclient::PageClient&()> page;
};

// ProgressBar2's value after the file at position (from 1) when the list has count entries:
// floor(position ÷ count × 100), kept within 0..100; 100 when the list has been emptied.
int overallPercent(int position, int count);

// "Done." when nothing failed; else "Done.", a blank line, and the failures one a line.
QString closingMessage(const QStringList& failures);

class ConversionRun {
public:
    explicit ConversionRun(RunWindow window);
    ~ConversionRun();

    // Convert, once the button is released again. Does nothing for an empty list, or when a
    // spreadsheet program runs and the user does not answer Yes; else converts each listed
    // file (the list as it is when the run starts) and ends with the closing message. A press
    // while a run is under way is ignored.
    void Check7_Click();

    // The pauses of the walks; the program keeps the default ones, tests pause for nothing.
    void setWalkPacing(pageclient::WalkPacing pacing) { m_walkPacing = std::move(pacing); }
    // How a running spreadsheet program is found; the process table unless set.
    void setRunningProgramLookup(std::unique_ptr<excel::RunningProgramLookup> lookup);
    // The clock the backup stamps are read from; the local time unless set.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

private:
    // Nothing when the file went through, else why it did not.
    veltrano::Result<void, QString> convertFile(const QString& path);

    RunWindow m_window;
    pageclient::WalkPacing m_walkPacing;
    std::unique_ptr<excel::RunningProgramLookup> m_lookup;
    std::function<QDateTime()> m_now;
    bool m_running = false;
};

}  // namespace veltrano::conversion
