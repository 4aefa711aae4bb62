// Reading an .xls workbook, its sheet records: each sheet's substream, and of a worksheet its
// cells, the areas not ours to replace, its protection, page texts and text objects, and the
// INDEX and DBCELL records a save corrects.
#include "spreadsheet/xls/xls_loader.h"

#include <algorithm>
#include <cstring>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/internal/limits.h"

namespace veltrano::spreadsheet::xls {

namespace {

constexpr std::uint16_t kSubstreamWorksheet = 0x0010;
constexpr std::uint16_t kWsBoolDialog = 0x0010;
constexpr std::uint16_t kObjectNote = 0x19;
constexpr std::uint16_t kCommonObject = 0x15;  // ftCmo, the first part of an OBJ record

std::string_view errorText(std::uint8_t code)
{
    switch (code) {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    case 0x2A:
        return "#N/A";
    case 0x2B:
        return "#GETTING_DATA";
    }
    return "#N/A";
}

double rkValue(std::uint32_t rk)
{
    double value;
    if (rk & 2) {
        value = double(std::int32_t(rk) >> 2);
    } else {
        std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100 : value;
}

CellRange refU(std::string_view data, bool wideColumns)
{
    if (wideColumns)
        return {u16At(data, 0) + 1, u16At(data, 4) + 1, u16At(data, 2) + 1, u16At(data, 6) + 1};
    return {u16At(data, 0) + 1, std::uint8_t(data[4]) + 1, u16At(data, 2) + 1, std::uint8_t(data[5]) + 1};
}

CellRecord& addCell(WorksheetModel& model, const Record& r, std::uint16_t row, std::uint16_t column, std::uint16_t xf)
{
    CellRecord cell;
    cell.row = std::uint32_t(row) + 1;
    cell.column = std::uint16_t(column + 1);
    cell.style = xf;
    cell.begin = r.offset;
    cell.end = r.end();
    model.cells.push_back(cell);
    return model.cells.back();
}

void setText(WorksheetModel& model, CellRecord& cell, ValueType type, std::string_view text)
{
    cell.type = type;
    cell.value.text = {std::uint32_t(model.texts.size()), std::uint32_t(text.size())};
    model.texts += text;
}

void readBoolErr(WorksheetModel& model, CellRecord& cell, std::uint8_t value, bool isError)
{
    if (isError) {
        setText(model, cell, ValueType::Error, errorText(value));
    } else {
        cell.type = ValueType::Boolean;
        cell.value.number = value != 0 ? 1 : 0;
    }
}

void block(WorksheetModel& model, CellRange range, WriteBlock reason)
{
    if (range.firstRow != range.lastRow || range.firstColumn != range.lastColumn || reason == WriteBlock::PivotTable)
        model.blocked.push_back({range, reason});
}

// Sorts the cells, keeps the first of any repeated place, indexes rows, and finds the
// bounding box of the cells holding a value.
void finishModel(WorksheetModel& model)
{
    auto& cells = model.cells;
    std::stable_sort(cells.begin(), cells.end(), [](const CellRecord& a, const CellRecord& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    cells.erase(
        std::unique(cells.begin(), cells.end(),
                    [](const CellRecord& a, const CellRecord& b) { return a.row == b.row && a.column == b.column; }),
        cells.end());
    for (std::uint32_t i = 0; i < cells.size(); ++i) {
        const CellRecord& cell = cells[i];
        if (model.rows.empty() || model.rows.back().row != cell.row)
            model.rows.push_back({cell.row, i, 0});
        ++model.rows.back().cellCount;
        if (cell.type != ValueType::None)
            model.extendUsedRange(int(cell.row), int(cell.column));
    }
}

}  // namespace

void TextObjects::finish(XlsBackend& backend)
{
    for (auto& [object, owner] : found) {
        const auto cell = noteCells.find(owner.second);
        if (owner.first == kObjectNote && cell == noteCells.end())
            continue;  // a note no cell shows
        if (owner.first == kObjectNote)
            object.cell = cell->second;
        backend.textObjects.push_back(std::move(object));
    }
}

Status Loader::readSheets()
{
    m_wb->renderer =
        std::make_unique<numfmt::Renderer>(m_date1904 ? numfmt::DateSystem::Excel1904 : numfmt::DateSystem::Excel1900);
    m_wb->styles.emplace(Styles::resolve(m_xfs, m_formatCodes, *m_wb->renderer));

    for (BoundSheet& sheet : m_sheets) {
        auto state = std::make_unique<WorksheetState>();
        state->model.name = sheet.info.name;
        bool dialog = false;
        if (sheet.type != 2) {
            Status read = readSubstream(sheet, state->model, dialog);
            if (!read)
                return read;
        }
        if (dialog)
            sheet.info.kind = SheetKind::Dialogsheet;
        m_wb->sheets.push_back(sheet.info);
        if (sheet.info.kind != SheetKind::Worksheet) {
            m_wb->worksheetOfSheet.push_back(std::nullopt);
            continue;
        }
        finishModel(state->model);
        m_cellsBefore += state->model.cells.size();
        m_wb->worksheetOfSheet.push_back(m_wb->worksheets.size());
        m_wb->worksheets.push_back(std::move(state));
    }
    return {};
}

Status Loader::readSubstream(const BoundSheet& sheet, WorksheetModel& model, bool& dialog)
{
    Record r;
    if (!readRecord(m_stream, sheet.position, r) || r.type != rt::kBof || r.data.size() < 4)
        return damaged(sheet.position, "sheet \"" + sheet.info.name + "\" does not begin with a BOF record");
    const bool cells = sheet.type == 0 && u16At(r.data, 2) == kSubstreamWorksheet;
    std::uint32_t pos = r.end();
    int depth = 1;
    m_pendingString = -1;
    TextObjects objects;
    while (depth > 0) {
        Status ok = record(pos, r);
        if (!ok)
            return ok;
        pos = r.end();
        if (r.type == rt::kBof) {
            ++depth;
            continue;
        }
        if (r.type == rt::kEof) {
            --depth;
            continue;
        }
        if (depth != 1)
            continue;
        if (r.type == rt::kIndex)
            m_backend->indexRecords.push_back(r.offset);
        else if (r.type == rt::kDbCell)
            m_backend->dbCells.push_back(r.offset);
        else if (r.type == rt::kWsBool && r.data.size() >= 2)
            dialog = (u16At(r.data, 0) & kWsBoolDialog) != 0;
        else if (cells && (r.type == rt::kHeader || r.type == rt::kFooter) && !r.data.empty())
            m_backend->pageTexts.push_back({sheet.info.name, r.offset});
        else if (cells) {
            noteDrawingRecord(r, sheet.info.name, objects);
            Status cell = readSheetRecord(r, model);
            if (!cell)
                return cell;
            // One MULBLANK record of 8 KiB names some 4,000 cells: a small file can ask
            // for more cells than the machine has memory.
            if (m_cellsBefore + model.cells.size() > kMaxStoredCells)
                return Error{ErrorCode::TooLarge, m_path, "sheet \"" + sheet.info.name + "\"",
                             "the workbook holds more cells than the limit of " + std::to_string(kMaxStoredCells)};
        }
    }
    objects.finish(*m_backend);
    return {};
}

void Loader::noteDrawingRecord(const Record& r, const std::string& sheet, TextObjects& objects) const
{
    if (r.type == rt::kObj && r.data.size() >= 8 && u16At(r.data, 0) == kCommonObject) {
        objects.lastType = u16At(r.data, 4);
        objects.lastId = u16At(r.data, 6);
    } else if (r.type == rt::kTxo) {
        objects.found.push_back({{sheet, r.offset, {}}, {objects.lastType, objects.lastId}});
    } else if (r.type == rt::kNote && r.data.size() >= 8) {
        objects.noteCells[u16At(r.data, 6)] = cellName(int(u16At(r.data, 0)) + 1, int(u16At(r.data, 2)) + 1);
    }
}

Error Loader::cutShort(const Record& r, const WorksheetModel& model) const
{
    return damaged(r.offset, "a record of sheet \"" + model.name + "\" is cut short");
}

Status Loader::readSheetRecord(const Record& r, WorksheetModel& model)
{
    switch (r.type) {
    case rt::kLabelSst:
        return readLabelSst(r, model);
    case rt::kLabel:
    case rt::kRString:
        return readLabel(r, model);
    case rt::kNumber:
    case rt::kRk:
        return readNumber(r, model);
    case rt::kMulRk:
    case rt::kMulBlank:
        return readMultiple(r, model);
    case rt::kBlank:
        if (r.data.size() < 6)
            return cutShort(r, model);
        addCell(model, r, u16At(r.data, 0), u16At(r.data, 2), u16At(r.data, 4));
        return {};
    case rt::kBoolErr: {
        const std::string_view d = r.data;
        if (d.size() < 8)
            return cutShort(r, model);
        CellRecord& cell = addCell(model, r, u16At(d, 0), u16At(d, 2), u16At(d, 4));
        readBoolErr(model, cell, std::uint8_t(d[6]), d[7] != 0);
        return {};
    }
    case rt::kFormula:
        return readFormula(r, model);
    case rt::kString:
        return readFormulaString(r, model);
    default:
        return readBlockingRecord(r, model);
    }
}

Status Loader::readLabelSst(const Record& r, WorksheetModel& model)
{
    const std::string_view d = r.data;
    if (d.size() < 10)
        return cutShort(r, model);
    const std::uint32_t isst = u32At(d, 6);
    if (isst >= m_sstIndex.size())
        return damaged(r.offset, "a cell of sheet \"" + model.name + "\" names shared string " + std::to_string(isst)
                                     + " of " + std::to_string(m_sstIndex.size()));
    CellRecord& cell = addCell(model, r, u16At(d, 0), u16At(d, 2), u16At(d, 4));
    cell.type = ValueType::SharedString;
    cell.value.index = m_sstIndex[isst];
    return {};
}

Status Loader::readLabel(const Record& r, WorksheetModel& model)
{
    const std::string_view d = r.data;
    std::string text;
    if (d.size() < 9 || !readUnicodeString(d, 6, false, text))
        return cutShort(r, model);
    setText(model, addCell(model, r, u16At(d, 0), u16At(d, 2), u16At(d, 4)), ValueType::Text, text);
    return {};
}

Status Loader::readNumber(const Record& r, WorksheetModel& model)
{
    const std::string_view d = r.data;
    if (d.size() < (r.type == rt::kNumber ? 14u : 10u))
        return cutShort(r, model);
    CellRecord& cell = addCell(model, r, u16At(d, 0), u16At(d, 2), u16At(d, 4));
    cell.type = ValueType::Number;
    cell.value.number = r.type == rt::kNumber ? f64At(d, 6) : rkValue(u32At(d, 6));
    return {};
}

Status Loader::readMultiple(const Record& r, WorksheetModel& model)
{
    const std::string_view d = r.data;
    const std::size_t width = r.type == rt::kMulRk ? 6 : 2;
    if (d.size() < 6 + width)
        return cutShort(r, model);
    const std::size_t count = (d.size() - 6) / width;
    for (std::size_t i = 0; i < count; ++i) {
        CellRecord& cell = addCell(model, r, u16At(d, 0), std::uint16_t(u16At(d, 2) + i), u16At(d, 4 + i * width));
        if (r.type == rt::kMulRk) {
            cell.type = ValueType::Number;
            cell.value.number = rkValue(u32At(d, 6 + i * width));
        }
    }
    return {};
}

Status Loader::readFormulaString(const Record& r, WorksheetModel& model)
{
    if (m_pendingString < 0)
        return {};
    std::uint32_t end = 0;
    ContinuedReader reader(continuedSegments(m_stream, r, 0, end));
    const std::uint16_t cch = reader.u16();
    const std::uint8_t flags = reader.byte();
    const std::string text = reader.chars(cch, (flags & 1) != 0);
    if (reader.failed())
        return cutShort(r, model);
    setText(model, model.cells[std::size_t(m_pendingString)], ValueType::Text, text);
    m_pendingString = -1;
    return {};
}

Status Loader::readBlockingRecord(const Record& r, WorksheetModel& model)
{
    const std::string_view d = r.data;
    switch (r.type) {
    case rt::kArray:
    case rt::kTable:
        if (d.size() < 6)
            return cutShort(r, model);
        block(model, refU(d, false), r.type == rt::kArray ? WriteBlock::ArrayFormula : WriteBlock::DataTable);
        break;
    case rt::kSxView:
        if (d.size() < 8)
            return cutShort(r, model);
        block(model, refU(d, true), WriteBlock::PivotTable);
        break;
    case rt::kProtect:
        if (d.size() >= 2)
            model.isProtected = u16At(d, 0) != 0;
        break;
    default:
        break;
    }
    return {};
}

Status Loader::readFormula(const Record& r, WorksheetModel& model)
{
    const std::string_view d = r.data;
    if (d.size() < 20)
        return damaged(r.offset, "a formula of sheet \"" + model.name + "\" is cut short");
    CellRecord& cell = addCell(model, r, u16At(d, 0), u16At(d, 2), u16At(d, 4));
    cell.flags = cell_flags::kFormula;
    m_pendingString = -1;
    if (u16At(d, 12) != 0xFFFF) {
        cell.type = ValueType::Number;
        cell.value.number = f64At(d, 6);
        return {};
    }
    switch (std::uint8_t(d[6])) {
    case 0:
        m_pendingString = std::int64_t(model.cells.size() - 1);
        break;
    case 1:
        readBoolErr(model, cell, std::uint8_t(d[8]), false);
        break;
    case 2:
        readBoolErr(model, cell, std::uint8_t(d[8]), true);
        break;
    case 3:
        setText(model, cell, ValueType::Text, "");
        break;
    default:
        break;
    }
    return {};
}

}  // namespace veltrano::spreadsheet::xls
