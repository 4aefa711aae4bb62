// The texts outside the cells of an .xls workbook: page headers and footers, each one HEADER or
// FOOTER record holding an XLUnicodeString. Notes (OBJ, TXO and CONTINUE records tied to drawing
// records), charts and shapes live in the drawing layer, which is not edited.
#include <vector>

#include "spreadsheet/xls/biff_records.h"
#include "spreadsheet/xls/xls_backend.h"

namespace veltrano::spreadsheet::xls {
namespace {

// "notes, charts and shapes" for the kinds asked for that live in the drawing layer.
std::string drawingKinds(TextKinds kinds)
{
    std::vector<std::string> words;
    if (kinds.notes)
        words.emplace_back("notes");
    if (kinds.charts)
        words.emplace_back("charts");
    if (kinds.shapes)
        words.emplace_back("shapes");
    std::string out;
    for (std::size_t i = 0; i < words.size(); ++i)
        out += (i == 0 ? "" : i + 1 == words.size() ? " and " : ", ") + words[i];
    return out;
}

}  // namespace

void XlsBackend::collectTexts(const Workbook::Impl& wb, TextKinds kinds, PartTexts& texts) const
{
    if (const std::string left = drawingKinds(kinds); !left.empty())
        texts.leftAsTheyAre.push_back(wb.path + ": the " + left
                                      + " of an Excel 97-2003 workbook cannot be edited safely in this format, so "
                                        "they were left as they are");
    if (!kinds.headers)
        return;
    for (const PageText& page : pageTexts) {
        Record r;
        std::string text;
        if (!readRecord(m_stream, page.record, r) || !readUnicodeString(r.data, 0, false, text)) {
            texts.leftAsTheyAre.push_back(wb.path + ": sheet \"" + page.sheet + "\": a page header or footer record "
                                          "at " + std::to_string(page.record) + " is cut short, so it was left as it is");
            continue;
        }
        addHeaderText(texts, page.record, text, page.sheet, r.type == rt::kHeader ? "header" : "footer");
    }
}

// A HEADER or FOOTER record holding text: 8-bit characters when every one fits, else UTF-16.
std::string pageTextRecord(std::uint16_t type, std::string_view text)
{
    const std::u16string units = toUtf16(text);
    bool wide = false;
    for (const char16_t unit : units)
        wide = wide || unit > 0xFF;
    std::string data;
    appendU16(data, std::uint16_t(units.size()));
    data += char(wide ? 1 : 0);
    for (const char16_t unit : units) {
        if (wide)
            appendU16(data, std::uint16_t(unit));
        else
            data += char(static_cast<unsigned char>(unit));
    }
    std::string out;
    appendU16(out, type);
    appendU16(out, std::uint16_t(data.size()));
    return out + data;
}

}  // namespace veltrano::spreadsheet::xls
