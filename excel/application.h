#pragma once
// Excel's Application over the engine. A new instance is an engine session of its own,
// invisible, with no workbook open; Quit releases it and everything it opened, unsaved
// changes discarded. Made Visible, it shows the workbook window, where InputBox asks the
// user to highlight a block of cells.

#include "excel/workbook.h"

#include <memory>
#include <optional>
#include <string>

namespace veltrano::excel {

class WorkbookWindow;

// The name every application object reports, as Excel's does.
inline constexpr char kApplicationName[] = "Microsoft Excel";
// InputBox's Type for "a cell reference, returned as a range".
inline constexpr int kInputBoxRange = 8;

class Application {
public:
    // Starts a new instance, separate from every other one.
    Application();
    // Quits the instance if that has not been done.
    ~Application();
    Application(Application&&) noexcept;
    Application& operator=(Application&&) noexcept;

    std::string Name() const { return kApplicationName; }
    // This instance's open workbooks; throws ExcelError once it has quit.
    class Workbooks Workbooks() const;

    bool Visible() const;
    // Shows or hides the workbook window with the last workbook opened.
    void setVisible(bool visible);

    // With Type 8: shows the workbook window with the prompt, lets the user highlight a block
    // or type a reference, and returns the block (its first area) once the user confirms;
    // nullopt when the user cancels or closes the window. Waits in a local event loop, so the
    // program's other windows keep working. Throws ExcelError for another Type, with no
    // workbook open, or once the instance has quit.
    std::optional<Range> InputBox(const std::string& prompt, int type);

    // Ends the instance: closes its window and lets go of every workbook without saving.
    void Quit();

    // The workbook window while the instance shows one; null otherwise.
    WorkbookWindow* window() const;

private:
    struct Impl;
    // The instance's state; throws ExcelError once it has quit.
    Impl& live() const;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace veltrano::excel
