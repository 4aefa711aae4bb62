#pragma once
// Internal to the .xls loader: its state while it reads a workbook stream, in phases. The
// globals (formats, styles, sheet entries, the date system), the shared string table, then
// each sheet's records into the worksheet model.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "spreadsheet/xls/biff_records.h"
#include "spreadsheet/xls/xls_backend.h"

namespace veltrano::spreadsheet::xls {

// A sheet's BOUNDSHEET8 entry in the globals.
struct BoundSheet {
    std::uint32_t position = 0;  // of the sheet's BOF record
    SheetInfo info;
    std::uint8_t type = 0;  // 0 worksheet or dialog, 1 macro sheet, 2 chart, 6 module
};

// The text objects of one sheet: each TXO belongs to the OBJ before it; a note's OBJ is named
// by a NOTE record after all of them.
struct TextObjects {
    std::uint16_t lastType = 0, lastId = 0;
    std::vector<std::pair<XlsBackend::TextObject, std::pair<std::uint16_t, std::uint16_t>>> found;  // type, id
    std::map<std::uint16_t, std::string> noteCells;  // object id → cell
    // Hands the text objects that some cell or shape shows to the backend.
    void finish(XlsBackend& backend);
};

class Loader {
public:
    Loader(const std::string& path, std::string bytes)
        : m_path(path),
          m_bytes(std::move(bytes))
    {}

    // The workbook, or why the file cannot be opened.
    Result<std::unique_ptr<Workbook::Impl>> run();

private:
    // Opening (xls_loader.cpp): what is refused before any record is read, and how.
    Status refuseUnsupported(const CompoundFile& file) const;
    Error encrypted() const;
    Error excel95OrOlder() const;
    Error damaged(std::uint32_t offset, const std::string& what) const;
    // The record at offset, Damaged when it runs past the stream's end.
    Status record(std::uint32_t offset, Record& out) const;

    // Globals (xls_load_globals.cpp): the records before the globals' EOF.
    Status readGlobals();
    // DATEMODE, FORMAT and XF: how the cells' values are shown.
    void readStyleRecord(const Record& r);
    // One BOUNDSHEET8 record, noted for the sheets to come.
    Status readBoundSheet(const Record& r);

    // String table (xls_load_strings.cpp): the SST and its CONTINUE records; pos moves past them.
    Status readSst(const Record& first, std::uint32_t& pos);

    // Sheet records (xls_load_sheets.cpp): every sheet's substream, each worksheet's model.
    Status readSheets();
    // Reads one sheet's substream: cells (of worksheets), protection, blocked areas, and the
    // INDEX records a save corrects.
    Status readSubstream(const BoundSheet& sheet, WorksheetModel& model, bool& dialog);
    void noteDrawingRecord(const Record& r, const std::string& sheet, TextObjects& objects) const;
    // One record of a worksheet's cells or of what blocks them.
    Status readSheetRecord(const Record& r, WorksheetModel& model);
    Status readLabelSst(const Record& r, WorksheetModel& model);
    Status readLabel(const Record& r, WorksheetModel& model);
    Status readNumber(const Record& r, WorksheetModel& model);
    // MULRK and MULBLANK: a run of cells of one row.
    Status readMultiple(const Record& r, WorksheetModel& model);
    Status readFormula(const Record& r, WorksheetModel& model);
    // The STRING record holding the text result of the formula before it.
    Status readFormulaString(const Record& r, WorksheetModel& model);
    // ARRAY, TABLE and SXVIEW (areas not ours to replace) and PROTECT.
    Status readBlockingRecord(const Record& r, WorksheetModel& model);
    Error cutShort(const Record& r, const WorksheetModel& model) const;

    const std::string& m_path;
    std::string m_bytes;
    std::unique_ptr<Workbook::Impl> m_wb;
    XlsBackend* m_backend = nullptr;
    std::string_view m_stream;
    bool m_date1904 = false;
    std::map<int, std::string> m_formatCodes;
    std::vector<Styles::StoredFormat> m_xfs;
    std::vector<BoundSheet> m_sheets;
    std::vector<std::uint32_t> m_sstIndex;  // shared string of each SST entry
    std::size_t m_cellsBefore = 0;          // cells of the worksheets read so far
    std::int64_t m_pendingString = -1;      // the formula cell whose STRING record comes next
};

}  // namespace veltrano::spreadsheet::xls
