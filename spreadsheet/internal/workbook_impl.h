#pragma once
// The state behind a Workbook: its format's backend (which holds the file), the parsed parts
// and records, and the edits not yet saved.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "spreadsheet/internal/file_access.h"
#include "spreadsheet/internal/limits.h"
#include "spreadsheet/internal/part_place.h"
#include "spreadsheet/internal/worksheet_model.h"
#include "spreadsheet/numfmt/renderer.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx/namespaces.h"
#include "spreadsheet/xlsx/opc.h"
#include "spreadsheet/xlsx/part_texts.h"
#include "spreadsheet/xlsx/shared_strings.h"
#include "spreadsheet/xlsx/styles.h"
#include "spreadsheet/xlsx/tables.h"

namespace veltrano::spreadsheet {

struct WorksheetState {
    WorksheetModel model;
    std::size_t zipEntry = 0;
    std::vector<std::size_t> tables;  // indices into Workbook::Impl::tables
    bool edited = false;              // some cell has cell_flags::kWritten, or one of the maps below has entries
    // Cells whose value stays but whose <f> element is replaced by this markup (the members of
    // a shared formula whose master was written), by cell index.
    std::unordered_map<std::uint32_t, std::string> formulaChanges;
    // Cells written where the part had no <c>, by (row, column).
    std::map<std::pair<int, int>, CellRecord> added;
};

// Where a pivot cache reads its data: a named table or range, or a sheet and range.
struct PivotSource {
    std::string name;   // case-folded; "" when given by sheet and ref
    std::string sheet;  // case-folded sheet name
    std::optional<CellRange> ref;
};

// Where workbook.xml takes fullCalcOnLoad: the value of the attribute on <calcPr>, the
// place for the attribute in <calcPr>, or the place for a <calcPr> of its own.
struct CalcSettingsPlace {
    bool fullCalcOnLoad = false;  // already asks for it
    bool hasCalcPr = false;
    std::size_t valueBegin = 0, valueEnd = 0;  // an existing attribute's value, when valueEnd > 0
    std::size_t insertAt = 0;                  // the attribute's place, or the element's
    std::string prefix;                        // of the workbook element, with its ':'
};

// What a file format keeps behind a Workbook: its own file state, how a cell write is checked
// against the way the file stores that cell, its texts outside the cells, and how the file is
// written back. The cells, strings and styles themselves live in Workbook::Impl, shared.
class FormatBackend {
public:
    virtual ~FormatBackend() = default;
    // NotWritable, saying why, when this file cannot store a new text at that cell.
    virtual Status checkWrite(const Workbook::Impl& wb, std::size_t worksheet, int row, int column) const = 0;
    // Lets go of the formula of a cell (worksheet's cell index) about to hold a text, and of
    // what the file ties to it; called only for cells checkWrite() let through.
    virtual void dropFormula(Workbook::Impl& wb, std::size_t worksheet, std::uint32_t cell) const = 0;
    // The whole file with every pending edit applied.
    virtual Result<std::string> serialize(const Workbook::Impl& wb) const = 0;
    // The file as it was read or last saved.
    virtual const std::string& bytes() const = 0;
    // The texts outside the cells of kinds that this format can edit, naming in leftAsTheyAre,
    // once, the kinds asked for that it cannot; an error only when the file cannot be read.
    virtual Result<std::unique_ptr<PartTexts>> collectTexts(const Workbook::Impl& wb, TextKinds kinds) const = 0;
    // Lets go of what the workbook holds that bytes() can give again, while a save's bytes are
    // read back, so the workbook is never held twice over.
    virtual void releaseRereadable(Workbook::Impl& wb) const = 0;
    // Reads back what releaseRereadable() let go, where the workbook stays in use.
    virtual Status restoreRereadable(Workbook::Impl& wb) const = 0;
};

struct Workbook::Impl {
    std::string path;
    std::unique_ptr<FormatBackend> backend;  // never null: XlsxBackend or xls::XlsBackend
    ns::Family family = ns::Family::Transitional;

    std::size_t contentTypesEntry = 0;
    std::string contentTypesXml;
    opc::ContentTypes contentTypes;

    std::string workbookPart;
    std::size_t workbookEntry = 0;
    std::string workbookXml;
    CalcSettingsPlace calcSettings;
    std::string workbookRelsPart;
    std::size_t workbookRelsEntry = 0;
    std::string workbookRelsXml;
    opc::Relationships workbookRels;

    std::unique_ptr<numfmt::Renderer> renderer;
    std::optional<Styles> styles;

    std::optional<std::size_t> sharedStringsEntry;
    std::string sharedStringsPart;  // where the part is, or would be made
    SharedStrings sharedStrings;
    std::int64_t sharedStringRefDelta = 0;

    std::vector<SheetInfo> sheets;
    std::vector<std::string> sheetParts;  // each sheet's part, "" where the format has none
    std::vector<std::optional<std::size_t>> worksheetOfSheet;
    std::vector<std::unique_ptr<WorksheetState>> worksheets;
    std::size_t activeSheet = 0;

    std::vector<TableModel> tables;
    std::vector<std::size_t> tableEntries;  // zip entry of each table
    std::set<std::string> bracketNames;     // names used inside [ ] in any formula
    std::vector<PivotSource> pivotSources;

    std::optional<std::size_t> calcChainEntry;
    std::optional<opc::Relationship> calcChainRelationship;
    // The texts outside the cells, read when first asked for; edits to them are saved with the cells'.
    std::unique_ptr<PartTexts> partTexts;

    bool formulaRemoved = false;
    bool modified = false;
    // The file as it was read or last saved; save() refuses to replace a file that has changed
    // since. nullopt for a workbook opened from bytes.
    std::optional<FileIdentity> onDisk;
    FileLock lock;  // on the file at path, from opening to the last save; none for bytes

    Impl(std::string filePath, std::unique_ptr<FormatBackend> format)
        : path(std::move(filePath)),
          backend(std::move(format))
    {}

    PartPlace where(std::string_view part) const { return {path, std::string(part)}; }
};

// Loads a workbook from a file's bytes in whichever format they are: a compound file, or else
// the zip package.
Result<std::unique_ptr<Workbook::Impl>> loadAnyWorkbook(const std::string& path, std::string bytes);

}  // namespace veltrano::spreadsheet
