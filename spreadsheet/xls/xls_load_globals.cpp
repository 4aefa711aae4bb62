// Reading an .xls workbook, its globals: the date system, number formats, cell styles, sheet
// entries and the active sheet, up to the globals' EOF; the string table is read on the way.
#include "spreadsheet/xls/xls_loader.h"

namespace veltrano::spreadsheet::xls {

Status Loader::readGlobals()
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
        case rt::kFormat:
        case rt::kXf:
            readStyleRecord(r);
            break;
        case rt::kBoundSheet:
            if (Status sheet = readBoundSheet(r); !sheet)
                return sheet;
            break;
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

void Loader::readStyleRecord(const Record& r)
{
    if (r.type == rt::kDateMode) {
        m_date1904 = r.data.size() >= 2 && u16At(r.data, 0) != 0;
    } else if (r.type == rt::kFormat && r.data.size() >= 2) {
        std::string code;
        if (readUnicodeString(r.data, 2, false, code))
            m_formatCodes[u16At(r.data, 0)] = std::move(code);
    } else if (r.type == rt::kXf && r.data.size() >= 6) {
        m_xfs.push_back({u16At(r.data, 2), (u16At(r.data, 4) & 1) != 0});
    }
}

Status Loader::readBoundSheet(const Record& r)
{
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
    return {};
}

}  // namespace veltrano::spreadsheet::xls
