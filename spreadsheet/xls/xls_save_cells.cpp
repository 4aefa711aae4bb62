// Saving an .xls workbook, its cells: a written cell's record gives way to a LABELSST record
// naming its SST entry; a record of several cells keeps the others in records of their own.
#include "spreadsheet/xls/xls_save.h"

namespace veltrano::spreadsheet::xls {

namespace {

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

}  // namespace

void rewriteCells(const StringChoice& choice, std::vector<Splice>& splices)
{
    std::map<std::uint32_t, std::pair<Record, std::map<std::uint16_t, std::uint32_t>>> rewritten;  // by offset
    for (const WrittenCell& w : choice.written)
        if (w.record.type != rt::kLabelSst) {
            auto& [record, entries] = rewritten[w.record.offset];
            record = w.record;
            entries[w.column] = choice.entryOf(w.index);
        }
    for (const auto& [offset, change] : rewritten)
        splices.push_back({offset, change.first.end(), replacementRecords(change.first, change.second)});
}

void pointLabelSsts(std::string& out, const StreamEditor& editor, const StringChoice& choice)
{
    for (const WrittenCell& w : choice.written)
        if (w.record.type == rt::kLabelSst)
            putU32(out, editor.map(w.record.offset) + 4 + 6, choice.entryOf(w.index));
}

}  // namespace veltrano::spreadsheet::xls
