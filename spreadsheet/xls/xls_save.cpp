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

std::string_view recordForm(std::uint16_t type)
{
    switch (type) {
    case rt::kNumber:
    case rt::kRk:
    case rt::kMulRk: return "a number";
    case rt::kBoolErr: return "a boolean or error value";
    case rt::kFormula: return "a formula";
    default: return "a cell without a value";
    }
}

// A stretch of the old stream replaced by new bytes.
struct Splice {
    std::uint32_t begin = 0, end = 0;
    std::string bytes;
};

class StreamEditor {
public:
    StreamEditor(const std::string& stream, std::vector<Splice> splices) : m_stream(stream), m_splices(std::move(splices)) {}

    // Where a byte of the old stream outside every splice lands in the new one.
    std::uint32_t map(std::uint32_t old) const
    {
        std::int64_t moved = 0;
        for (const Splice& s : m_splices)
            if (s.end <= old && !(s.begin == s.end && s.begin > old))
                moved += std::int64_t(s.bytes.size()) - (s.end - s.begin);
        return std::uint32_t(std::int64_t(old) + moved);
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
};

// Builds the records that replace the last record of the SST chain: it, filled up, then
// CONTINUE records, holding the new strings.
class SstAppender {
public:
    SstAppender(std::uint32_t at, std::uint16_t type, std::string_view payload) : m_recordAt(at), m_type(type), m_payload(payload) {}

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
        appendU16(m_out, m_type);
        appendU16(m_out, std::uint16_t(m_payload.size()));
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
    appendU16(out, rt::kExtSst);
    appendU16(out, std::uint16_t(payload.size()));
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

}  // namespace

Status XlsBackend::checkWrite(const Workbook::Impl& wb, std::size_t worksheet, int row, int column) const
{
    const WorksheetModel& model = wb.worksheets[worksheet]->model;
    const std::int64_t found = model.find(row, column);
    std::string_view form = "an empty cell";
    if (found >= 0) {
        Record r;
        const bool read = readRecord(m_stream, model.cells[std::size_t(found)].begin, r);
        if (read && (r.type == rt::kLabelSst || r.type == rt::kLabel || r.type == rt::kRString))
            return {};
        form = recordForm(r.type);
    }
    return Error{ErrorCode::NotWritable, wb.path + ": " + model.name + "!" + cellName(row, column) + ": " + std::string(form) +
                                             "; in an .xls workbook only text cells take a new text"};
}

Result<std::string> XlsBackend::serialize(const Workbook::Impl& wb) const
{
    const StoredSst& old = sst;
    const std::uint32_t loaded = std::uint32_t(old.entryOfShared.size());
    // The SST entry of each written cell: an existing entry with the same text, else a new one.
    std::map<std::uint32_t, std::uint32_t> newEntries;  // shared string index → SST entry
    struct Written {
        Record record;
        std::uint32_t index;  // shared string
    };
    std::vector<Written> written;
    std::uint32_t newRefs = 0;  // cells that were not counted in the table before
    for (const auto& sheet : wb.worksheets)
        for (const CellRecord& cell : sheet->model.cells)
            if (cell.has(cell_flags::kWritten)) {
                Written w{{}, cell.value.index};
                readRecord(m_stream, cell.begin, w.record);
                newRefs += w.record.type != rt::kLabelSst;
                written.push_back(w);
                if (cell.value.index >= loaded)
                    newEntries.try_emplace(cell.value.index, 0);
            }
    std::uint32_t next = std::uint32_t(old.stringStarts.size());
    for (auto& [index, entry] : newEntries)
        entry = next++;
    auto entryOf = [&](std::uint32_t index) { return index < loaded ? old.entryOfShared[index] : newEntries.at(index); };

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
    // A text held in the cell's own record (LABEL, RSTRING) becomes a LABELSST record.
    for (const Written& w : written) {
        if (w.record.type == rt::kLabelSst)
            continue;
        std::string cell;
        appendU16(cell, rt::kLabelSst);
        appendU16(cell, 10);
        cell.append(w.record.data.substr(0, 6));  // row, column, cell format
        appendU32(cell, entryOf(w.index));
        splices.push_back({w.record.offset, w.record.end(), std::move(cell)});
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
    return m_file.write(m_streamName, out);
}

}  // namespace veltrano::spreadsheet::xls
