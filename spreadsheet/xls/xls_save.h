#pragma once
// Internal to the .xls save: its phases, each producing splices of the old workbook stream or
// correcting the new one. Choose the SST entry of each written text, extend the string table
// with the new ones, rewrite the cells' records, then fix every absolute offset that moved.

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/xls/biff_records.h"
#include "spreadsheet/xls/xls_backend.h"

namespace veltrano::spreadsheet::xls {

// A stretch of the old stream replaced by new bytes.
struct Splice {
    std::uint32_t begin = 0, end = 0;
    std::string bytes;
};

// The old stream with its splices applied, and where each old offset lands.
class StreamEditor {
public:
    // splices sorted and apart from each other.
    StreamEditor(const std::string& stream, std::vector<Splice> splices);
    // Where a byte of the old stream outside every splice (or a splice's first byte) lands.
    std::uint32_t map(std::uint32_t old) const;
    // The new stream.
    std::string assemble() const;

private:
    const std::string& m_stream;
    std::vector<Splice> m_splices;
    std::vector<std::uint32_t> m_ends;
    std::vector<std::int64_t> m_movedAfter;  // the shift of everything after each splice
};

// A cell written since the workbook was read: its record as stored, and its new text.
struct WrittenCell {
    Record record;
    std::uint16_t column = 0;  // 0-based
    std::uint32_t index = 0;   // shared string
};

// The SST entry each written text takes: an existing entry without formatting runs or
// phonetics that holds the same text, else a new one at the table's end.
struct StringChoice {
    const StoredSst* old = nullptr;
    std::vector<WrittenCell> written;
    std::map<std::uint32_t, std::uint32_t> newEntries;  // shared string index → SST entry
    std::uint32_t newRefs = 0;                          // written cells the table did not count before
    std::uint32_t entryCount = 0;                       // the table's entries afterwards

    bool reuses(std::uint32_t index) const
    {
        return index < old->plainEntryOfShared.size() && old->plainEntryOfShared[index] != UINT32_MAX;
    }
    std::uint32_t entryOf(std::uint32_t index) const
    {
        return reuses(index) ? old->plainEntryOfShared[index] : newEntries.at(index);
    }
    // The table's records or counts change.
    bool changesTable() const { return !newEntries.empty() || newRefs > 0; }
};

// Choosing strings: the written cells of every worksheet, and the SST entry of each.
StringChoice chooseStrings(const Workbook::Impl& wb, const XlsBackend& file);

// Extending the string table: splices appending the new entries to the SST chain (or a new SST
// before the globals' EOF) and rebuilding EXTSST; Unsupported for an EXTSST before the table.
Status extendStringTable(const Workbook::Impl& wb, const XlsBackend& file, const StringChoice& choice,
                         std::vector<Splice>& splices);

// Sets the SST's counts in the new stream (the SST record itself does not move).
void setStringTableCounts(std::string& out, const XlsBackend& file, const StringChoice& choice);

// Rewriting cells: splices giving each written cell not yet held in a LABELSST record one,
// with the other cells of a multi-cell record kept in records of their own.
void rewriteCells(const StringChoice& choice, std::vector<Splice>& splices);

// Points the written cells whose LABELSST record stays at their entry, in the new stream.
void pointLabelSsts(std::string& out, const StreamEditor& editor, const StringChoice& choice);

// Splices rewriting the records of the edited texts outside the cells (headers and footers,
// notes and text boxes); Damaged when such a record is cut short.
Status rewriteRecordTexts(const Workbook::Impl& wb, std::string_view stream, std::vector<Splice>& splices);

// Fixing offsets: corrects, in the new stream, the absolute and relative stream offsets of the
// BOUNDSHEET8, INDEX and DBCELL records for what the splices moved.
void fixOffsets(std::string& out, const StreamEditor& editor, const XlsBackend& file);

}  // namespace veltrano::spreadsheet::xls
