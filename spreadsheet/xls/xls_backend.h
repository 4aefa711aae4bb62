#pragma once
// What an .xls workbook keeps beyond the shared model: the compound file, its workbook
// stream, and where in that stream the records are that a save rewrites or corrects.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "spreadsheet/internal/workbook_impl.h"
#include "spreadsheet/xls/compound_file.h"

namespace veltrano::spreadsheet::xls {

// The shared string table as stored: the SST record and its CONTINUE records, and where each
// string starts (for the EXTSST index).
struct StoredSst {
    bool present = false;
    std::uint32_t begin = 0;                    // header of the SST record
    std::uint32_t end = 0;                      // just past the last CONTINUE
    std::uint32_t lastRecord = 0;               // header of the last record of the chain
    std::uint32_t totalRefs = 0;                // cstTotal
    std::vector<std::uint32_t> stringStarts;    // stream offset of each string
    std::vector<std::uint16_t> stringInRecord;  // its offset inside its record, header included
    // The first SST entry without formatting runs or phonetics that holds each loaded shared
    // string, UINT32_MAX when every entry with that text has some.
    std::vector<std::uint32_t> plainEntryOfShared;
};

// A HEADER or FOOTER record (by type) holding text.
std::string pageTextRecord(std::uint16_t type, std::string_view text);

// One formatting run of a text object: its text and font.
struct TextRun {
    std::string text;
    std::uint16_t font = 0;
};

// A TXO record and the CONTINUE records after it: its text cut into its formatting runs, and
// where the last record ends. nullopt when they are not all there.
struct TextObjectRecords {
    std::vector<TextRun> runs;
    std::uint32_t end = 0;
};
std::optional<TextObjectRecords> readTextObject(std::string_view stream, std::uint32_t txo);

// The TXO record at txo and its CONTINUE records holding runs instead (each run in its own
// font; empty runs left out).
std::string textObjectRecords(std::string_view stream, std::uint32_t txo, const std::vector<TextRun>& runs);

class XlsBackend : public FormatBackend {
public:
    // stream names the workbook stream, a stream at the file's root.
    XlsBackend(std::string fileBytes, CompoundFile file, std::string stream)
        : m_fileBytes(std::move(fileBytes)),
          m_file(std::move(file)),
          m_streamName(std::move(stream)),
          m_stream(m_file.find(m_streamName)->data)
    {}

    Status checkWrite(const Workbook::Impl& wb, std::size_t worksheet, int row, int column) const override;
    // Never called: checkWrite() refuses formula cells.
    void dropFormula(Workbook::Impl&, std::size_t, std::uint32_t) const override {}
    Result<std::string> serialize(const Workbook::Impl& wb) const override;
    const std::string& bytes() const override { return m_fileBytes; }
    // Page headers and footers (HEADER and FOOTER records); notes, charts and shapes are named
    // as left as they are.
    Result<std::unique_ptr<PartTexts>> collectTexts(const Workbook::Impl& wb, TextKinds kinds) const override;
    // The workbook stream is parsed into records once and never let go.
    void releaseRereadable(Workbook::Impl&) const override {}
    Status restoreRereadable(Workbook::Impl&) const override { return {}; }

    const std::string& stream() const { return m_stream; }

    StoredSst sst;
    bool hasExtSst = false;
    std::uint32_t extSstBegin = 0, extSstEnd = 0;
    std::uint32_t globalsEof = 0;             // header of the globals' EOF record
    std::vector<std::uint32_t> boundSheets;   // header of each BOUNDSHEET8 record
    std::vector<std::uint32_t> indexRecords;  // header of each INDEX record
    std::vector<std::uint32_t> dbCells;       // header of each DBCELL record
    struct PageText {
        std::string sheet;
        std::uint32_t record = 0;  // header of the HEADER or FOOTER record
    };
    std::vector<PageText> pageTexts;  // of the worksheets, in stream order
    struct TextObject {
        std::string sheet;
        std::uint32_t record = 0;  // header of the TXO record
        std::string cell;          // "A1" for a note (its NOTE record's cell), else ""
    };
    std::vector<TextObject> textObjects;  // notes and text boxes of the worksheets, in stream order

private:
    std::string m_fileBytes;
    CompoundFile m_file;
    std::string m_streamName;
    const std::string& m_stream;  // held in m_file
};

}  // namespace veltrano::spreadsheet::xls
