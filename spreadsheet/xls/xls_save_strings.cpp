// Saving an .xls workbook, its strings: which SST entry each written text takes, and the new
// entries appended to the shared string table, with the EXTSST index rebuilt over it.
#include "spreadsheet/xls/xls_save.h"

namespace veltrano::spreadsheet::xls {

namespace {

// EXTSST indexes every dsst-th string; at most this many entries keep it in one record.
constexpr std::uint32_t kMinStringsPerBucket = 8;
constexpr std::uint32_t kMaxBuckets = 128;

void appendRecordHeader(std::string& out, std::uint16_t type, std::size_t size)
{
    appendU16(out, type);
    appendU16(out, std::uint16_t(size));
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

}  // namespace

StringChoice chooseStrings(const Workbook::Impl& wb, const XlsBackend& file)
{
    StringChoice choice;
    choice.old = &file.sst;
    for (const auto& sheet : wb.worksheets)
        for (const CellRecord& cell : sheet->model.cells)
            if (cell.has(cell_flags::kWritten)) {
                WrittenCell w{{}, std::uint16_t(cell.column - 1), cell.value.index};
                readRecord(file.stream(), cell.begin, w.record);
                choice.newRefs += w.record.type != rt::kLabelSst;
                choice.written.push_back(w);
                if (!choice.reuses(cell.value.index))
                    choice.newEntries.try_emplace(cell.value.index, 0);
            }
    choice.entryCount = std::uint32_t(file.sst.stringStarts.size());
    for (auto& [index, entry] : choice.newEntries)
        entry = choice.entryCount++;
    return choice;
}

Status extendStringTable(const Workbook::Impl& wb, const XlsBackend& file, const StringChoice& choice,
                         std::vector<Splice>& splices)
{
    if (!choice.changesTable())
        return {};
    const StoredSst& old = file.sst;
    StoredSst grown = old;
    std::string header;
    appendU32(header, 0);
    appendU32(header, 0);  // counts, set by setStringTableCounts()
    Record last{rt::kSst, file.globalsEof, header};
    if (old.present)
        readRecord(file.stream(), old.lastRecord, last);
    SstAppender appender(last.offset, last.type, last.data);
    for (const auto& [index, entry] : choice.newEntries)
        appender.add(wb.sharedStrings.at(index), grown);
    const std::uint32_t sstEnd = old.present ? old.end : file.globalsEof;
    std::string records = appender.finish();
    if (!file.hasExtSst)
        records += extSstRecord(grown);
    splices.push_back({old.present ? old.lastRecord : file.globalsEof, sstEnd, std::move(records)});
    if (file.hasExtSst && file.extSstBegin >= sstEnd)
        splices.push_back({file.extSstBegin, file.extSstEnd, extSstRecord(grown)});
    else if (file.hasExtSst)  // an EXTSST before its table would have to move; Excel never writes one there
        return Error{ErrorCode::Unsupported, wb.path, "", "the EXTSST record stands before the shared string table"};
    return {};
}

void setStringTableCounts(std::string& out, const XlsBackend& file, const StringChoice& choice)
{
    if (!choice.changesTable())
        return;
    const std::uint32_t sstAt = file.sst.present ? file.sst.begin : file.globalsEof;
    putU32(out, sstAt + 4, file.sst.totalRefs + choice.newRefs);
    putU32(out, sstAt + 8, choice.entryCount);
}

}  // namespace veltrano::spreadsheet::xls
