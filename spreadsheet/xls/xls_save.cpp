// Writing an .xls workbook back: new texts appended to the shared string table, the written
// cells' LABELSST records pointed at them, the EXTSST index rebuilt, and every absolute stream
// offset that moves corrected. Every other stream of the compound file is copied as it was.
#include <algorithm>
#include <map>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/xls/biff_records.h"
#include "spreadsheet/xls/xls_backend.h"

namespace veltrano::spreadsheet::xls {

namespace {

// EXTSST indexes every dsst-th string; at most this many entries keep it in one record.
constexpr std::uint32_t kMinStringsPerBucket = 8;
constexpr std::uint32_t kMaxBuckets = 128;
constexpr std::uint32_t kRowRecordSize = 20;
constexpr std::size_t kMinWorkbookStream = 4096;

// A stretch of the old stream replaced by new bytes.
struct Splice {
    std::uint32_t begin = 0, end = 0;
    std::string bytes;
};

class StreamEditor {
public:
    // splices sorted and apart from each other.
    StreamEditor(const std::string& stream, std::vector<Splice> splices)
        : m_stream(stream),
          m_splices(std::move(splices))
    {
        std::int64_t moved = 0;
        for (const Splice& s : m_splices) {
            moved += std::int64_t(s.bytes.size()) - (s.end - s.begin);
            m_ends.push_back(s.end);
            m_movedAfter.push_back(moved);
        }
    }

    // Where a byte of the old stream outside every splice (or a splice's first byte) lands.
    std::uint32_t map(std::uint32_t old) const
    {
        const auto passed = std::upper_bound(m_ends.begin(), m_ends.end(), old) - m_ends.begin();
        return std::uint32_t(std::int64_t(old) + (passed == 0 ? 0 : m_movedAfter[std::size_t(passed - 1)]));
    }

    std::string assemble() const
    {
        std::string out;
        std::uint32_t at = 0;
        for (const Splice& s : m_splices) {
            out.append(m_stream, at, s.begin - at);
            out += s.bytes;
            at = s.end;
        }
        out.append(m_stream, at, std::string::npos);
        return out;
    }

private:
    const std::string& m_stream;
    std::vector<Splice> m_splices;
    std::vector<std::uint32_t> m_ends;
    std::vector<std::int64_t> m_movedAfter;  // the shift of everything after each splice
};

void appendRecordHeader(std::string& out, std::uint16_t type, std::size_t size)
{
    appendU16(out, type);
    appendU16(out, std::uint16_t(size));
}

void appendLabelSst(std::string& out, std::uint16_t row, std::uint16_t column, std::uint16_t format,
                    std::uint32_t entry)
{
    appendRecordHeader(out, rt::kLabelSst, 10);
    appendU16(out, row);
    appendU16(out, column);
    appendU16(out, format);
    appendU32(out, entry);
}

// The records that take the place of a cell record some of whose cells now hold an SST entry
// (column → entry): a LABELSST for each of those, and the record's other cells of a MULRK or
// MULBLANK kept in records of their own kind around them.
std::string replacementRecords(const Record& r, const std::map<std::uint16_t, std::uint32_t>& entries)
{
    const std::uint16_t row = u16At(r.data, 0);
    std::string out;
    if (r.type != rt::kMulRk && r.type != rt::kMulBlank) {
        appendLabelSst(out, row, u16At(r.data, 2), u16At(r.data, 4), entries.begin()->second);
        return out;
    }
    const bool rk = r.type == rt::kMulRk;
    const std::size_t width = rk ? 6 : 2;
    const std::uint16_t first = u16At(r.data, 2);
    const std::size_t count = (r.data.size() - 6) / width;
    std::size_t runBegin = 0;
    auto keepRun = [&](std::size_t runEnd) {  // cells [runBegin, runEnd) unchanged
        if (runEnd == runBegin)
            return;
        const std::string_view cells = r.data.substr(4 + runBegin * width, (runEnd - runBegin) * width);
        if (runEnd - runBegin == 1) {
            appendRecordHeader(out, rk ? rt::kRk : rt::kBlank, 4 + width);
            appendU16(out, row);
            appendU16(out, std::uint16_t(first + runBegin));
        } else {
            appendRecordHeader(out, r.type, 6 + cells.size());
            appendU16(out, row);
            appendU16(out, std::uint16_t(first + runBegin));
        }
        out += cells;
        if (runEnd - runBegin > 1)
            appendU16(out, std::uint16_t(first + runEnd - 1));
    };
    for (std::size_t i = 0; i < count; ++i) {
        auto entry = entries.find(std::uint16_t(first + i));
        if (entry == entries.end())
            continue;
        keepRun(i);
        appendLabelSst(out, row, entry->first, u16At(r.data, 4 + i * width), entry->second);
        runBegin = i + 1;
    }
    keepRun(count);
    return out;
}

// Builds the records that replace the last record of the SST chain: it, filled up, then
// CONTINUE records, holding the new strings.
class SstAppender {
public:
    SstAppender(std::uint32_t at, std::uint16_t type, std::string_view payload)
        : m_recordAt(at),
          m_type(type),
          m_payload(payload)
    {}

    void add(std::string_view text, StoredSst& positions)
    {
        const std::u16string units = toUtf16(text);
        const bool wide = std::any_of(units.begin(), units.end(), [](char16_t u) { return u > 0xFF; });
        const std::size_t unit = wide ? 2 : 1;
        if (m_payload.size() + 3 + (units.empty() ? 0 : unit) > kMaxRecordData)
            flush();
        positions.stringStarts.push_back(m_recordAt + 4 + std::uint32_t(m_payload.size()));
        positions.stringInRecord.push_back(std::uint16_t(4 + m_payload.size()));
        appendU16(m_payload, std::uint16_t(units.size()));
        m_payload += char(wide ? 1 : 0);
        std::size_t i = 0;
        while (i < units.size()) {
            const std::size_t room = (kMaxRecordData - m_payload.size()) / unit;
            if (room == 0) {
                flush();
                m_payload += char(wide ? 1 : 0);  // the characters go on, with their width
                continue;
            }
            for (const std::size_t stop = std::min(units.size(), i + room); i < stop; ++i) {
                if (wide)
                    appendU16(m_payload, units[i]);
                else
                    m_payload += char(units[i]);
            }
        }
    }

    std::string finish()
    {
        flush();
        return std::move(m_out);
    }

private:
    void flush()
    {
        appendRecordHeader(m_out, m_type, m_payload.size());
        m_out += m_payload;
        m_recordAt += 4 + std::uint32_t(m_payload.size());
        m_payload.clear();
        m_type = rt::kContinue;
    }

    std::uint32_t m_recordAt;
    std::uint16_t m_type;
    std::string m_payload;
    std::string m_out;
};

std::string extSstRecord(const StoredSst& sst)
{
    const std::uint32_t count = std::uint32_t(sst.stringStarts.size());
    const std::uint32_t perBucket = std::max(kMinStringsPerBucket, (count + kMaxBuckets - 1) / kMaxBuckets);
    std::string payload;
    appendU16(payload, std::uint16_t(perBucket));
    for (std::uint32_t i = 0; i < count; i += perBucket) {
        appendU32(payload, sst.stringStarts[i]);
        appendU16(payload, sst.stringInRecord[i]);
        appendU16(payload, 0);
    }
    std::string out;
    appendRecordHeader(out, rt::kExtSst, payload.size());
    return out + payload;
}

// A DBCELL locates its row block by offsets relative to itself, to the block's second ROW
// record and to the previous row's first cell: each is recomputed from where those records now
// stand.
void correctDbCell(std::string& out, const StreamEditor& editor, std::uint32_t at)
{
    const std::uint32_t now = editor.map(at);
    const std::uint16_t size = u16At(out, now + 2);
    if (size < 4)
        return;
    const std::uint32_t data = now + 4;
    const std::uint32_t firstRow = at - u32At(out, data);
    putU32(out, data, now - editor.map(firstRow));
    std::uint32_t previous = firstRow + kRowRecordSize;
    for (std::uint32_t i = 4; i + 2 <= size; i += 2) {
        const std::uint32_t cell = previous + u16At(out, data + i);
        putU16(out, data + i, std::uint16_t(editor.map(cell) - editor.map(previous)));
        previous = cell;
    }
}

std::vector<const TextElement*> editedRecordTexts(const Workbook::Impl& wb)
{
    std::vector<const TextElement*> edited;
    if (wb.partTexts)
        for (const TextElement& element : wb.partTexts->elements)
            if (element.edited)
                edited.push_back(&element);
    return edited;
}

}  // namespace

Status XlsBackend::checkWrite(const Workbook::Impl& wb, std::size_t worksheet, int row, int column) const
{
    // A new cell would need new ROW, DBCELL and INDEX entries; a formula's record brings others
    // (its STRING, ARRAY, SHRFMLA, TABLE) that would have to go with it.
    const WorksheetModel& model = wb.worksheets[worksheet]->model;
    const std::int64_t found = model.find(row, column);
    Record r;
    if (found >= 0 && readRecord(m_stream, model.cells[std::size_t(found)].begin, r) && r.type != rt::kFormula)
        return {};
    return Error{ErrorCode::NotWritable,
                 wb.path + ": " + model.name + "!" + cellName(row, column)
                     + (found < 0 ? ": an empty cell; an .xls workbook takes new texts only in cells that hold a value"
                                  : ": a formula cell; an .xls workbook keeps its formulas")};
}

Result<std::string> XlsBackend::serialize(const Workbook::Impl& wb) const
{
    const StoredSst& old = sst;
    const std::uint32_t loaded = std::uint32_t(old.plainEntryOfShared.size());
    auto reused = [&](std::uint32_t index) { return index < loaded && old.plainEntryOfShared[index] != UINT32_MAX; };
    // The SST entry of each written cell: an existing plain entry with the same text, else a new one.
    std::map<std::uint32_t, std::uint32_t> newEntries;  // shared string index → SST entry
    struct Written {
        Record record;
        std::uint16_t column;  // 0-based
        std::uint32_t index;   // shared string
    };
    std::vector<Written> written;
    std::uint32_t newRefs = 0;  // cells that were not counted in the table before
    for (const auto& sheet : wb.worksheets)
        for (const CellRecord& cell : sheet->model.cells)
            if (cell.has(cell_flags::kWritten)) {
                Written w{{}, std::uint16_t(cell.column - 1), cell.value.index};
                readRecord(m_stream, cell.begin, w.record);
                newRefs += w.record.type != rt::kLabelSst;
                written.push_back(w);
                if (!reused(cell.value.index))
                    newEntries.try_emplace(cell.value.index, 0);
            }
    std::uint32_t next = std::uint32_t(old.stringStarts.size());
    for (auto& [index, entry] : newEntries)
        entry = next++;
    auto entryOf = [&](std::uint32_t index) {
        return reused(index) ? old.plainEntryOfShared[index] : newEntries.at(index);
    };

    std::vector<Splice> splices;
    const bool tableChanges = !newEntries.empty() || newRefs > 0;
    const std::uint32_t sstAt = old.present ? old.begin : globalsEof;
    if (tableChanges) {
        StoredSst grown = old;
        std::string header;
        appendU32(header, 0);
        appendU32(header, 0);  // counts, set below
        Record last{rt::kSst, globalsEof, header};
        if (old.present)
            readRecord(m_stream, old.lastRecord, last);
        SstAppender appender(last.offset, last.type, last.data);
        for (const auto& [index, entry] : newEntries)
            appender.add(wb.sharedStrings.at(index), grown);
        const std::uint32_t sstEnd = old.present ? old.end : globalsEof;
        std::string records = appender.finish();
        if (!hasExtSst)
            records += extSstRecord(grown);
        splices.push_back({old.present ? old.lastRecord : globalsEof, sstEnd, std::move(records)});
        if (hasExtSst && extSstBegin >= sstEnd)
            splices.push_back({extSstBegin, extSstEnd, extSstRecord(grown)});
        else if (hasExtSst)  // an EXTSST before its table would have to move; Excel never writes one there
            return Error{ErrorCode::Unsupported, wb.path + ": the EXTSST record stands before the shared string table"};
    }
    // Any other record of a written cell gives way to a LABELSST record (and, for a record of
    // several cells, records for the others).
    std::map<std::uint32_t, std::pair<Record, std::map<std::uint16_t, std::uint32_t>>> rewritten;  // by offset
    for (const Written& w : written)
        if (w.record.type != rt::kLabelSst) {
            auto& [record, entries] = rewritten[w.record.offset];
            record = w.record;
            entries[w.column] = entryOf(w.index);
        }
    for (const auto& [offset, change] : rewritten)
        splices.push_back({offset, change.first.end(), replacementRecords(change.first, change.second)});
    // Headers and footers set anew: the record's text replaced, its length with it. Notes and
    // text boxes: the TXO record and its CONTINUE records written anew, run by run.
    for (const TextElement* element : editedRecordTexts(wb)) {
        Record r;
        const auto at = std::uint32_t(element->zipEntry);
        if (!readRecord(m_stream, at, r))
            return Error{ErrorCode::Damaged, wb.path + ": a page header or footer record is cut short"};
        if (element->form == TextForm::HeaderFooter) {
            splices.push_back({r.offset, r.end(), pageTextRecord(r.type, joinHeaderPieces(element->pieces))});
            continue;
        }
        const auto stored = readTextObject(m_stream, at);
        if (!stored)
            return Error{ErrorCode::Damaged, wb.path + ": a text object's records are cut short"};
        std::vector<TextRun> runs = stored->runs;
        for (std::size_t k = 0; k < runs.size() && k < element->pieces.size(); ++k)
            runs[k].text = element->pieces[k].text;
        splices.push_back({at, stored->end, textObjectRecords(m_stream, at, runs)});
    }
    std::sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) { return a.begin < b.begin; });
    StreamEditor editor(m_stream, std::move(splices));
    std::string out = editor.assemble();
    if (tableChanges) {  // the SST record itself does not move
        putU32(out, sstAt + 4, old.totalRefs + newRefs);
        putU32(out, sstAt + 8, next);
    }
    for (const Written& w : written)
        if (w.record.type == rt::kLabelSst)
            putU32(out, editor.map(w.record.offset) + 4 + 6, entryOf(w.index));
    for (std::uint32_t at : boundSheets) {
        const std::uint32_t field = editor.map(at) + 4;
        putU32(out, field, editor.map(u32At(out, field)));
    }
    for (std::uint32_t at : indexRecords) {
        Record r;
        readRecord(m_stream, at, r);
        const std::uint32_t data = editor.map(at) + 4;
        if (r.data.size() >= 16 && u32At(out, data + 12) != 0)
            putU32(out, data + 12, editor.map(u32At(out, data + 12)));  // ibXF: DEFCOLWIDTH
        for (std::size_t i = 16; i + 4 <= r.data.size(); i += 4)
            putU32(out, std::uint32_t(data + i), editor.map(u32At(out, std::uint32_t(data + i))));  // DBCELLs
    }
    for (std::uint32_t at : dbCells)
        correctDbCell(out, editor, at);
    // Excel expects the workbook stream in the compound file's regular sectors, which takes at
    // least this many bytes; readers pass over bytes after the last EOF.
    if (m_stream.size() >= kMinWorkbookStream && out.size() < kMinWorkbookStream)
        out.resize(kMinWorkbookStream, '\0');
    return m_file.write(m_streamName, out);
}

}  // namespace veltrano::spreadsheet::xls
