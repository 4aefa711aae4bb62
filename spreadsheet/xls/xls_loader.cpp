// Reading an .xls workbook: the compound file, the globals of its workbook stream (strings,
// formats, sheets) and each worksheet's cells, into the model the zip package also fills.
#include <algorithm>
#include <cstring>
#include <map>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/internal/limits.h"
#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/xls/biff_records.h"
#include "spreadsheet/xls/xls_backend.h"
#include "spreadsheet/xls/xls_workbook.h"

namespace veltrano::spreadsheet::xls {

namespace {

constexpr std::uint16_t kSubstreamWorksheet = 0x0010;
constexpr std::uint16_t kWsBoolDialog = 0x0010;

const CompoundEntry* findStream(const CompoundFile& file, std::string_view name)
{
    for (const CompoundEntry& entry : file.root().children)
        if (!entry.isStorage && lowerAscii(entry.name) == lowerAscii(name))
            return &entry;
    return nullptr;
}

bool hasRootEntry(const CompoundFile& file, std::string_view name)
{
    for (const CompoundEntry& entry : file.root().children)
        if (lowerAscii(entry.name) == name)
            return true;
    return false;
}

// Directory entry names are UTF-16LE, and an encrypted package stores "EncryptionInfo": found
// in the raw bytes, it names a file whose directory could not be walked.
bool mentionsEncryptionInfo(std::string_view bytes)
{
    static const std::string kEncryptionInfo = [] {
        std::string name;
        for (char c : std::string_view("EncryptionInfo")) {
            name += c;
            name += '\0';
        }
        return name;
    }();
    return bytes.find(kEncryptionInfo) != std::string_view::npos;
}

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

struct BoundSheet {
    std::uint32_t position = 0;
    SheetInfo info;
    std::uint8_t type = 0;  // 0 worksheet or dialog, 1 macro sheet, 2 chart, 6 module
};

class Loader {
public:
    Loader(const std::string& path, std::string bytes)
        : m_path(path),
          m_bytes(std::move(bytes))
    {}

    Result<std::unique_ptr<Workbook::Impl>> run()
    {
        auto file = CompoundFile::read(m_bytes, m_path);
        if (!file)  // an encrypted package whose directory cannot be walked is still named as such
            return mentionsEncryptionInfo(m_bytes) ? encrypted() : file.error();
        Status refused = refuseUnsupported(file.value());
        if (!refused)
            return refused.error();
        const std::string stream = findStream(file.value(), "Workbook")->name;
        auto backend = std::make_unique<XlsBackend>(std::move(m_bytes), std::move(file.value()), stream);
        m_backend = backend.get();
        m_stream = m_backend->stream();
        m_wb = std::make_unique<Workbook::Impl>(m_path, std::move(backend));
        Status read = readGlobals();
        if (read)
            read = readSheets();
        if (!read)
            return read.error();
        return std::move(m_wb);
    }

private:
    Status refuseUnsupported(const CompoundFile& file) const
    {
        if (hasRootEntry(file, "_xmlsignatures") || hasRootEntry(file, "_signatures"))
            return Error{ErrorCode::Signed,
                         m_path + ": the workbook carries a digital signature, which any edit would break"};
        // A file saved as "Excel 97 & 5.0/95" holds both streams; editing one would leave the
        // other showing the old texts.
        if (findStream(file, "Book"))
            return excel95OrOlder();
        if (!findStream(file, "Workbook")) {
            if (hasRootEntry(file, "encryptioninfo"))
                return encrypted();
            return Error{ErrorCode::NotAWorkbook, m_path + ": a compound file that holds no Excel workbook"};
        }
        return {};
    }

    Error encrypted() const
    {
        return {ErrorCode::Encrypted,
                m_path + ": the workbook is password-protected (encrypted); it cannot be opened without the password"};
    }

    Error excel95OrOlder() const
    {
        return {ErrorCode::LegacyBinary, m_path + ": an Excel 5.0/95 or older workbook, which cannot be edited safely"};
    }

    Error damaged(std::uint32_t offset, const std::string& what) const
    {
        return {ErrorCode::Damaged,
                m_path + ": damaged workbook stream at byte " + std::to_string(offset) + ": " + what};
    }

    Status record(std::uint32_t offset, Record& out) const
    {
        if (!readRecord(m_stream, offset, out))
            return damaged(offset, "a record runs past the end of the stream");
        return {};
    }

    Status readGlobals()
    {
        Record r;
        if (!readRecord(m_stream, 0, r) || r.type != rt::kBof || r.data.size() < 4)
            return damaged(0, "it does not begin with a BOF record");
        if (u16At(r.data, 0) != kBiff8Version)
            return excel95OrOlder();
        std::uint32_t pos = r.end();
        bool haveWindow = false;
        std::size_t activeTab = 0;
        for (;;) {
            Status ok = record(pos, r);
            if (!ok)
                return ok;
            pos = r.end();
            switch (r.type) {
            case rt::kFilePass:
                return encrypted();
            case rt::kDateMode:
                m_date1904 = r.data.size() >= 2 && u16At(r.data, 0) != 0;
                break;
            case rt::kFormat:
                if (r.data.size() >= 2) {
                    std::string code;
                    if (readUnicodeString(r.data, 2, false, code))
                        m_formatCodes[u16At(r.data, 0)] = std::move(code);
                }
                break;
            case rt::kXf:
                if (r.data.size() >= 6)
                    m_xfs.push_back({u16At(r.data, 2), (u16At(r.data, 4) & 1) != 0});
                break;
            case rt::kBoundSheet: {
                BoundSheet sheet;
                if (r.data.size() < 8 || !readUnicodeString(r.data, 6, true, sheet.info.name))
                    return damaged(r.offset, "a sheet entry (BOUNDSHEET8) is cut short");
                sheet.position = u32At(r.data, 0);
                const int state = std::uint8_t(r.data[4]) & 3;
                sheet.info.visibility = state == 1   ? SheetVisibility::Hidden
                                        : state == 2 ? SheetVisibility::VeryHidden
                                                     : SheetVisibility::Visible;
                sheet.type = std::uint8_t(r.data[5]);
                sheet.info.kind = sheet.type == 2   ? SheetKind::Chartsheet
                                  : sheet.type == 0 ? SheetKind::Worksheet
                                                    : SheetKind::Macrosheet;
                m_backend->boundSheets.push_back(r.offset);
                m_sheets.push_back(std::move(sheet));
                break;
            }
            case rt::kWindow1:
                if (!haveWindow && r.data.size() >= 12)
                    activeTab = u16At(r.data, 10);
                haveWindow = true;
                break;
            case rt::kSst: {
                Status sst = readSst(r, pos);
                if (!sst)
                    return sst;
                break;
            }
            case rt::kExtSst:
                m_backend->hasExtSst = true;
                m_backend->extSstBegin = r.offset;
                m_backend->extSstEnd = r.end();
                break;
            case rt::kEof:
                m_backend->globalsEof = r.offset;
                m_wb->activeSheet = activeTab < m_sheets.size() ? activeTab : 0;
                return {};
            default:
                break;
            }
        }
    }

    // The SST and its CONTINUE records; pos moves past them.
    Status readSst(const Record& first, std::uint32_t& pos)
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

    Status readSheets()
    {
        m_wb->renderer = std::make_unique<numfmt::Renderer>(m_date1904 ? numfmt::DateSystem::Excel1904
                                                                       : numfmt::DateSystem::Excel1900);
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

    // Reads one sheet's substream: cells (of worksheets), protection, blocked areas, and
    // the INDEX records a save corrects.
    Status readSubstream(const BoundSheet& sheet, WorksheetModel& model, bool& dialog)
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
                    return Error{ErrorCode::TooLarge, m_path + ": sheet \"" + sheet.info.name
                                                          + "\": the workbook holds more cells than the limit of "
                                                          + std::to_string(kMaxStoredCells)};
            }
        }
        objects.finish(*m_backend);
        return {};
    }

    // The text objects of one sheet: each TXO belongs to the OBJ before it; a note's OBJ is
    // named by a NOTE record after all of them.
    struct TextObjects {
        std::uint16_t lastType = 0, lastId = 0;
        std::vector<std::pair<XlsBackend::TextObject, std::pair<std::uint16_t, std::uint16_t>>> found;  // type, id
        std::map<std::uint16_t, std::string> noteCells;  // object id → cell
        void finish(XlsBackend& backend)
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
    };
    static constexpr std::uint16_t kObjectNote = 0x19;
    static constexpr std::uint16_t kCommonObject = 0x15;  // ftCmo, the first part of an OBJ record

    void noteDrawingRecord(const Record& r, const std::string& sheet, TextObjects& objects) const
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

    CellRecord& addCell(WorksheetModel& model, const Record& r, std::uint16_t row, std::uint16_t column,
                        std::uint16_t xf)
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

    Status readSheetRecord(const Record& r, WorksheetModel& model)
    {
        const std::string_view d = r.data;
        auto cut = [&] { return damaged(r.offset, "a record of sheet \"" + model.name + "\" is cut short"); };
        switch (r.type) {
        case rt::kLabelSst: {
            if (d.size() < 10)
                return cut();
            const std::uint32_t isst = u32At(d, 6);
            if (isst >= m_sstIndex.size())
                return damaged(r.offset, "a cell of sheet \"" + model.name + "\" names shared string "
                                             + std::to_string(isst) + " of " + std::to_string(m_sstIndex.size()));
            CellRecord& cell = addCell(model, r, u16At(d, 0), u16At(d, 2), u16At(d, 4));
            cell.type = ValueType::SharedString;
            cell.value.index = m_sstIndex[isst];
            break;
        }
        case rt::kLabel:
        case rt::kRString: {
            std::string text;
            if (d.size() < 9 || !readUnicodeString(d, 6, false, text))
                return cut();
            setText(model, addCell(model, r, u16At(d, 0), u16At(d, 2), u16At(d, 4)), ValueType::Text, text);
            break;
        }
        case rt::kNumber:
        case rt::kRk: {
            if (d.size() < (r.type == rt::kNumber ? 14u : 10u))
                return cut();
            CellRecord& cell = addCell(model, r, u16At(d, 0), u16At(d, 2), u16At(d, 4));
            cell.type = ValueType::Number;
            cell.value.number = r.type == rt::kNumber ? f64At(d, 6) : rkValue(u32At(d, 6));
            break;
        }
        case rt::kMulRk:
        case rt::kMulBlank: {
            const std::size_t width = r.type == rt::kMulRk ? 6 : 2;
            if (d.size() < 6 + width)
                return cut();
            const std::size_t count = (d.size() - 6) / width;
            for (std::size_t i = 0; i < count; ++i) {
                CellRecord& cell =
                    addCell(model, r, u16At(d, 0), std::uint16_t(u16At(d, 2) + i), u16At(d, 4 + i * width));
                if (r.type == rt::kMulRk) {
                    cell.type = ValueType::Number;
                    cell.value.number = rkValue(u32At(d, 6 + i * width));
                }
            }
            break;
        }
        case rt::kBlank:
            if (d.size() < 6)
                return cut();
            addCell(model, r, u16At(d, 0), u16At(d, 2), u16At(d, 4));
            break;
        case rt::kBoolErr: {
            if (d.size() < 8)
                return cut();
            CellRecord& cell = addCell(model, r, u16At(d, 0), u16At(d, 2), u16At(d, 4));
            readBoolErr(model, cell, std::uint8_t(d[6]), d[7] != 0);
            break;
        }
        case rt::kFormula:
            return readFormula(r, model);
        case rt::kString: {
            if (m_pendingString < 0)
                break;
            std::uint32_t end = 0;
            ContinuedReader reader(continuedSegments(m_stream, r, 0, end));
            const std::uint16_t cch = reader.u16();
            const std::uint8_t flags = reader.byte();
            const std::string text = reader.chars(cch, (flags & 1) != 0);
            if (reader.failed())
                return cut();
            setText(model, model.cells[std::size_t(m_pendingString)], ValueType::Text, text);
            m_pendingString = -1;
            break;
        }
        case rt::kArray:
        case rt::kTable:
            if (d.size() < 6)
                return cut();
            block(model, refU(d, false), r.type == rt::kArray ? WriteBlock::ArrayFormula : WriteBlock::DataTable);
            break;
        case rt::kSxView:
            if (d.size() < 8)
                return cut();
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

    void readBoolErr(WorksheetModel& model, CellRecord& cell, std::uint8_t value, bool isError)
    {
        if (isError) {
            setText(model, cell, ValueType::Error, errorText(value));
        } else {
            cell.type = ValueType::Boolean;
            cell.value.number = value != 0 ? 1 : 0;
        }
    }

    Status readFormula(const Record& r, WorksheetModel& model)
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

    static void block(WorksheetModel& model, CellRange range, WriteBlock reason)
    {
        if (range.firstRow != range.lastRow || range.firstColumn != range.lastColumn
            || reason == WriteBlock::PivotTable)
            model.blocked.push_back({range, reason});
    }

    // Sorts the cells, keeps the first of any repeated place, indexes rows, and finds the
    // bounding box of the cells holding a value.
    static void finishModel(WorksheetModel& model)
    {
        auto& cells = model.cells;
        std::stable_sort(cells.begin(), cells.end(), [](const CellRecord& a, const CellRecord& b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
        cells.erase(std::unique(cells.begin(), cells.end(),
                                [](const CellRecord& a, const CellRecord& b) {
                                    return a.row == b.row && a.column == b.column;
                                }),
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

    const std::string& m_path;
    std::string m_bytes;
    std::unique_ptr<Workbook::Impl> m_wb;
    XlsBackend* m_backend = nullptr;
    std::string_view m_stream;
    bool m_date1904 = false;
    std::map<int, std::string> m_formatCodes;
    std::vector<Styles::StoredFormat> m_xfs;
    std::vector<BoundSheet> m_sheets;
    std::vector<std::uint32_t> m_sstIndex;  // shared string of each SST entry
    std::size_t m_cellsBefore = 0;          // cells of the worksheets read so far
    std::int64_t m_pendingString = -1;      // the formula cell whose STRING record comes next
};

}  // namespace

bool isCompoundFile(std::string_view bytes)
{
    static constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

Result<std::unique_ptr<Workbook::Impl>> loadWorkbook(const std::string& path, std::string bytes)
{
    return Loader(path, std::move(bytes)).run();
}

}  // namespace veltrano::spreadsheet::xls
