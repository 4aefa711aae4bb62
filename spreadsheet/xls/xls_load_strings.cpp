// Reading an .xls workbook, its shared string table: each SST entry's text into the shared
// strings, and where each entry stands, which a save extends and indexes anew.
#include "spreadsheet/xls/xls_loader.h"

namespace veltrano::spreadsheet::xls {

Status Loader::readSst(const Record& first, std::uint32_t& pos)
{
    StoredSst& sst = m_backend->sst;
    if (sst.present)
        return damaged(first.offset, "a second shared string table");
    if (first.data.size() < 8)
        return damaged(first.offset, "the shared string table (SST) is cut short");
    sst.present = true;
    sst.begin = first.offset;
    sst.totalRefs = u32At(first.data, 0);
    const std::uint32_t unique = u32At(first.data, 4);
    std::vector<Segment> segments = continuedSegments(m_stream, first, 8, pos);
    sst.lastRecord = segments.back().recordOffset;
    sst.end = pos;
    ContinuedReader reader(std::move(segments));
    for (std::uint32_t i = 0; i < unique; ++i) {
        if (!reader.more())
            return damaged(first.offset, "the shared string table holds " + std::to_string(i) + " strings, not the "
                                             + std::to_string(unique) + " it counts");
        sst.stringStarts.push_back(reader.streamPosition());
        sst.stringInRecord.push_back(reader.recordPosition());
        bool plain = false;
        const std::string text = reader.richExtendedString(plain);
        if (reader.failed())
            return damaged(first.offset, "shared string " + std::to_string(i) + " runs past the table's end");
        const std::uint32_t shared = m_wb->sharedStrings.add(text);
        if (shared == sst.plainEntryOfShared.size())
            sst.plainEntryOfShared.push_back(UINT32_MAX);
        if (plain && sst.plainEntryOfShared[shared] == UINT32_MAX)
            sst.plainEntryOfShared[shared] = i;
        m_sstIndex.push_back(shared);
    }
    return {};
}

}  // namespace veltrano::spreadsheet::xls
