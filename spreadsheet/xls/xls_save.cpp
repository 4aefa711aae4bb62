// Writing an .xls workbook back: new texts appended to the shared string table, the written
// cells' LABELSST records pointed at them, the EXTSST index rebuilt, and every absolute stream
// offset that moves corrected. Every other stream of the compound file is copied as it was.
#include "spreadsheet/xls/xls_save.h"

#include "spreadsheet/cell_ref.h"

namespace veltrano::spreadsheet::xls {

namespace {

constexpr std::size_t kMinWorkbookStream = 4096;

}  // namespace

StreamEditor::StreamEditor(const std::string& stream, std::vector<Splice> splices)
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

std::uint32_t StreamEditor::map(std::uint32_t old) const
{
    const auto passed = std::upper_bound(m_ends.begin(), m_ends.end(), old) - m_ends.begin();
    return std::uint32_t(std::int64_t(old) + (passed == 0 ? 0 : m_movedAfter[std::size_t(passed - 1)]));
}

std::string StreamEditor::assemble() const
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

Status XlsBackend::checkWrite(const Workbook::Impl& wb, std::size_t worksheet, int row, int column) const
{
    // A new cell would need new ROW, DBCELL and INDEX entries; a formula's record brings others
    // (its STRING, ARRAY, SHRFMLA, TABLE) that would have to go with it.
    const WorksheetModel& model = wb.worksheets[worksheet]->model;
    const std::int64_t found = model.find(row, column);
    Record r;
    if (found >= 0 && readRecord(m_stream, model.cells[std::size_t(found)].begin, r) && r.type != rt::kFormula)
        return {};
    return Error{ErrorCode::NotWritable, wb.path, model.name + "!" + cellName(row, column),
                 found < 0 ? "an empty cell; an .xls workbook takes new texts only in cells that hold a value"
                           : "a formula cell; an .xls workbook keeps its formulas"};
}

Result<std::string> XlsBackend::serialize(const Workbook::Impl& wb) const
{
    const StringChoice choice = chooseStrings(wb, *this);
    std::vector<Splice> splices;
    if (Status extended = extendStringTable(wb, *this, choice, splices); !extended)
        return extended.error();
    rewriteCells(choice, splices);
    if (Status texts = rewriteRecordTexts(wb, m_stream, splices); !texts)
        return texts.error();
    std::sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) { return a.begin < b.begin; });
    StreamEditor editor(m_stream, std::move(splices));
    std::string out = editor.assemble();
    setStringTableCounts(out, *this, choice);
    pointLabelSsts(out, editor, choice);
    fixOffsets(out, editor, *this);
    // Excel expects the workbook stream in the compound file's regular sectors, which takes at
    // least this many bytes; readers pass over bytes after the last EOF.
    if (m_stream.size() >= kMinWorkbookStream && out.size() < kMinWorkbookStream)
        out.resize(kMinWorkbookStream, '\0');
    return m_file.write(m_streamName, out);
}

}  // namespace veltrano::spreadsheet::xls
