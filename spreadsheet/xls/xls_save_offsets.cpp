// Saving an .xls workbook, its offsets: the records that locate others by stream offset
// (BOUNDSHEET8 its sheet's BOF, INDEX its DBCELLs, DBCELL its rows and cells) corrected for
// what the splices moved.
#include "spreadsheet/xls/xls_save.h"

namespace veltrano::spreadsheet::xls {

namespace {

constexpr std::uint32_t kRowRecordSize = 20;

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

// An INDEX record's DEFCOLWIDTH offset, when it has one, and its DBCELL offsets.
void correctIndex(std::string& out, const StreamEditor& editor, std::string_view stream, std::uint32_t at)
{
    Record r;
    readRecord(stream, at, r);
    const std::uint32_t data = editor.map(at) + 4;
    if (r.data.size() >= 16 && u32At(out, data + 12) != 0)
        putU32(out, data + 12, editor.map(u32At(out, data + 12)));  // ibXF: DEFCOLWIDTH
    for (std::size_t i = 16; i + 4 <= r.data.size(); i += 4)
        putU32(out, std::uint32_t(data + i), editor.map(u32At(out, std::uint32_t(data + i))));  // DBCELLs
}

}  // namespace

void fixOffsets(std::string& out, const StreamEditor& editor, const XlsBackend& file)
{
    for (std::uint32_t at : file.boundSheets) {
        const std::uint32_t field = editor.map(at) + 4;
        putU32(out, field, editor.map(u32At(out, field)));
    }
    for (std::uint32_t at : file.indexRecords)
        correctIndex(out, editor, file.stream(), at);
    for (std::uint32_t at : file.dbCells)
        correctDbCell(out, editor, at);
}

}  // namespace veltrano::spreadsheet::xls
