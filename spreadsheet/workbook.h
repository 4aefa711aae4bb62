#pragma once
// The workbook engine's public face: open an .xlsx/.xlsm/.xltx/.xltm or .xls/.xlt file, list its sheets,
// read each cell's displayed text and kind, replace text values, and save with a minimal
// edit. Standard C++ types only. One Workbook per open file; no global state.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/cell_types.h"
#include "spreadsheet/result.h"
#include "spreadsheet/workbook_texts.h"

namespace veltrano::spreadsheet {

struct SheetInfo {
    std::string name;
    SheetKind kind = SheetKind::Worksheet;
    SheetVisibility visibility = SheetVisibility::Visible;
};

// Whether setValue may replace a formula. The program keeps formulas; replacing one is
// there for callers that ask for it explicitly.
enum class FormulaPolicy {
    Keep,
    Replace
};

struct WriteOutcome {
    std::string storedText;      // the text as the cell now holds it
    bool renamedColumn = false;  // a table header: the table's column got the same name
};

class Worksheet;

class Workbook {
public:
    // Opens and fully checks a workbook file. Refuses, with the reason and place, files it
    // cannot edit safely (Excel 5.0/95 and older, .xlsb, .ods, encrypted, signed, damaged, too
    // large). The format is told by the content: a compound file is read as BIFF8 records.
    static Result<Workbook> open(const std::string& path);

    // Opens a workbook from bytes already in memory, with the same checks; path is where
    // save() writes and what messages name.
    static Result<Workbook> openBytes(std::string bytes, const std::string& path);

    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;
    ~Workbook();

    const std::string& path() const;

    // Every sheet in workbook order: worksheets, chart, dialog and macro sheets.
    const std::vector<SheetInfo>& sheets() const;

    // Index into sheets() of the sheet that is active after opening.
    std::size_t activeSheet() const;

    // The worksheets in workbook order (chart, dialog and macro sheets left out).
    std::size_t worksheetCount() const;
    Worksheet worksheet(std::size_t index);
    // The worksheet index of a sheet, or nullopt when that sheet is not a worksheet.
    std::optional<std::size_t> worksheetOfSheet(std::size_t sheetIndex) const;
    // The worksheet with this name (compared without case), or nullopt.
    std::optional<std::size_t> findWorksheet(std::string_view name) const;

    // True once a cell or text has been written since opening or the last save.
    bool isModified() const;

    // The texts outside the cells of the kinds asked for, sheet by sheet, read anew; setText()
    // takes indexes into this listing. InvalidArgument while texts set since are not saved.
    Result<WorkbookTexts> texts(TextKinds kinds);

    // Replaces one text of the last texts() listing, kept until save() like a cell's value: only
    // that text changes in its part. TooLarge for a header or footer past its length limit.
    Status setText(std::size_t index, std::string_view text);

    // Writes the workbook back to its own file: to a temporary file in the same folder,
    // renamed over the original (keeping its mode). The new bytes are read back as a workbook
    // first, and that reading becomes this workbook's state. Refused, with the original left
    // untouched, when the bytes do not read back, when the file is read-only or not writable
    // (checkWritable), or when it has changed on disk since it was opened or last saved.
    Status save();

    // Writes the workbook to another path the same way (the bytes read back first, the target
    // passing checkWritable); the Workbook keeps its own path and state.
    Status saveAs(const std::string& path);

    struct Impl;

private:
    explicit Workbook(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// Whether a file at path could be replaced by a save: NotWritable, saying why, for a file that
// is read-only (no write permission bit), one this user may not write, or one in a folder
// where no file can be made; success for a writable file, or for no file in a writable folder.
Status checkWritable(const std::string& path);

// A shared lock on a workbook file: while one lives, no Workbook in another process opens the
// file (they wait or are refused), so a copy made meanwhile is of one whole version.
class FileReadLock {
public:
    // Takes it, waiting a few seconds for a Workbook elsewhere to save and let go: InUse when it
    // does not; NotFound or NotAFile (without blocking on a FIFO or device) as Workbook::open.
    static Result<FileReadLock> acquire(const std::string& path);

private:
    explicit FileReadLock(std::shared_ptr<const void> lock)
        : m_lock(std::move(lock))
    {}
    std::shared_ptr<const void> m_lock;
};

// One worksheet of an open workbook; a light handle, valid while its Workbook lives.
// Rows and columns are 1-based.
class Worksheet {
public:
    const std::string& name() const;

    // The bounding box from A1 to the last row and column of any cell holding a value; A1
    // for a sheet with none.
    CellRange usedRange() const;

    // The cell's displayed text (en-US, a wide enough column); a formula shows its cached
    // result; "" for an empty cell, a cell outside the sheet, or a formula without a result.
    std::string text(int row, int column) const;

    CellKind kind(int row, int column) const;

    // The cells inside range that the sheet stores (with a value, a formula, or only a format),
    // row by row and left to right; every other cell of the range is empty. Costs the cells
    // found and a search per row that has any, not the size of the range.
    std::vector<CellAddress> storedCells(const CellRange& range) const;

    // The string a text cell holds (shared or inline), before any number format adds to it;
    // nullopt for any other cell, formulas included.
    std::optional<std::string> storedText(int row, int column) const;

    // WriteBlock::None when the cell's value is ours to replace, else why not.
    WriteBlock writeBlock(int row, int column, FormulaPolicy policy = FormulaPolicy::Keep) const;

    // The one rule for what a translation may replace: WriteBlock::None only for a cell whose
    // stored value is text (shared, inline or rich) and that writeBlock() allows; else why not,
    // writeBlock()'s reason first, then the kind of value (number, date, boolean, error, empty).
    WriteBlock translationBlock(int row, int column) const;

    // Replaces the cell's value by text, stored as a string (never parsed: "=1+2" stays text).
    // Refused with NotWritable and the reason when writeBlock() says so; InvalidArgument
    // outside the sheet. Nothing is written to disk until Workbook::save().
    Result<WriteOutcome> setValue(int row, int column, std::string_view text,
                                  FormulaPolicy policy = FormulaPolicy::Keep);

private:
    friend class Workbook;
    Worksheet(Workbook::Impl* workbook, std::size_t index)
        : m_workbook(workbook),
          m_index(index)
    {}
    Workbook::Impl* m_workbook;
    std::size_t m_index;
};

}  // namespace veltrano::spreadsheet
