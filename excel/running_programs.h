#pragma once
// Finding a spreadsheet program that runs now and may hold the user's workbooks open
// (LibreOffice, Gnumeric, Excel under Wine and the like), and Excel's "attach to the running
// instance" over that look-up. Behind an interface so that tests decide what runs.

#include "excel/application.h"

#include <filesystem>
#include <optional>
#include <string>

namespace veltrano::excel {

struct RunningProgram {
    int processId = 0;
    std::string name;  // the program's file name, e.g. "soffice.bin"
};

class RunningProgramLookup {
public:
    virtual ~RunningProgramLookup() = default;
    // A spreadsheet program that runs now; nullopt when none does or none can be seen.
    virtual std::optional<RunningProgram> findSpreadsheetProgram() const = 0;
};

// The look-up over the process table: the user's own processes whose program is a known
// spreadsheet program. A program started with --headless (a file converter, with no window
// that could hold a workbook open for editing) does not count. Unreadable entries are passed over.
class ProcessTable final : public RunningProgramLookup {
public:
    // procRoot is where the process table is mounted; user is whose processes count.
    explicit ProcessTable(std::filesystem::path procRoot = "/proc", std::optional<unsigned> user = std::nullopt);
    std::optional<RunningProgram> findSpreadsheetProgram() const override;

private:
    std::filesystem::path m_procRoot;
    unsigned m_user;
};

// The application object of a running spreadsheet program. It only tells its name; the program
// is neither changed nor ended through it.
class RunningApplication {
public:
    // Attaches to a spreadsheet program that runs now; throws ExcelError when none runs.
    static RunningApplication attach(const RunningProgramLookup& lookup);

    std::string Name() const { return kApplicationName; }
    const RunningProgram& program() const { return m_program; }

private:
    explicit RunningApplication(RunningProgram program)
        : m_program(std::move(program))
    {}
    RunningProgram m_program;
};

}  // namespace veltrano::excel
