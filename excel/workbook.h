#pragma once
// Excel's Workbook and Workbooks over the engine: light handles, valid while their instance
// has not quit; afterwards every member throws ExcelError.

#include "excel/worksheet.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veltrano::excel {

struct Session;

class Workbook {
public:
    // The file's name without its folder, and its full path.
    std::string Name() const;
    std::string FullName() const;

    // Every worksheet in workbook order; chart, dialog and macro sheets are not among them.
    std::vector<Worksheet> Worksheets() const;
    // The sheet that is active after opening. Throws ExcelError naming it when it is not a
    // worksheet (a chart sheet, for one).
    Worksheet ActiveSheet() const;
    // Writes the workbook back to its own file; throws ExcelError saying why when it cannot,
    // and the file is then as it was.
    void Save() const;

    // The engine's workbook, valid while the instance lives; throws once it has quit.
    spreadsheet::Workbook& engineWorkbook() const;
    // The same, kept alive by the pointer even if the instance quits meanwhile (then it is never
    // saved); throws once it has quit.
    std::shared_ptr<spreadsheet::Workbook> sharedEngineWorkbook() const;

private:
    friend class Workbooks;
    explicit Workbook(std::weak_ptr<WorkbookState> state)
        : m_state(std::move(state))
    {}

    std::weak_ptr<WorkbookState> m_state;
};

// Workbooks.Open's arguments, by name as Excel takes them.
struct OpenArguments {
    std::string FileName;
    // Opens a template itself for editing rather than a new workbook made from it. Templates
    // are always opened as themselves here; the argument is kept as it was passed.
    std::optional<bool> Editable = std::nullopt;
};

class Workbooks {
public:
    // Opens the file as a workbook of this instance and returns it. Throws ExcelError with
    // the engine's reason (file, part, place) when the file cannot be opened or edited safely,
    // or cannot be saved (read-only, not writable, in a folder where no file can be made).
    Workbook Open(const OpenArguments& arguments) const;
    int Count() const;
    // The index-th open workbook, from 1, in the order they were opened; throws outside 1..Count.
    Workbook Item(int index) const;

private:
    friend class Application;
    explicit Workbooks(std::weak_ptr<Session> session)
        : m_session(std::move(session))
    {}

    std::weak_ptr<Session> m_session;
};

}  // namespace veltrano::excel
