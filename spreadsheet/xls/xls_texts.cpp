// The texts outside the cells of an .xls workbook: page headers and footers, each one HEADER or
// FOOTER record holding an XLUnicodeString; notes and text boxes, each a TXO record whose text and
// formatting runs follow in CONTINUE records. Charts live in chart substreams, not edited.
#include <algorithm>
#include <vector>

#include "spreadsheet/xls/biff_records.h"
#include "spreadsheet/xls/xls_backend.h"
#include "spreadsheet/xls/xls_save.h"

namespace veltrano::spreadsheet::xls {
namespace {

// Where TXO keeps its text's length and the length of its formatting runs.
constexpr std::size_t kTextLength = 10;
constexpr std::size_t kRunsLength = 12;
constexpr std::size_t kTxoMinimum = 16;
constexpr std::size_t kRunSize = 8;

// The characters of an XLUnicodeString without its count: 8-bit when every one fits, else UTF-16.
std::string unicodeChars(const std::u16string& units)
{
    bool wide = false;
    for (const char16_t unit : units)
        wide = wide || unit > 0xFF;
    std::string data(1, char(wide ? 1 : 0));
    for (const char16_t unit : units) {
        if (wide)
            appendU16(data, std::uint16_t(unit));
        else
            data += char(static_cast<unsigned char>(unit));
    }
    return data;
}

std::vector<const TextElement*> editedRecordTexts(const Workbook::Impl& wb)
{
    std::vector<const TextElement*> edited;
    if (wb.partTexts)
        for (const TextElement& element : wb.partTexts->elements)
            if (element.edited)
                edited.push_back(&element);
    return edited;
}

}  // namespace

std::optional<TextObjectRecords> readTextObject(std::string_view stream, std::uint32_t txo)
{
    Record r;
    if (!readRecord(stream, txo, r) || r.type != rt::kTxo || r.data.size() < kTxoMinimum)
        return std::nullopt;
    std::uint32_t remaining = u16At(r.data, kTextLength);
    std::uint32_t runBytes = remaining == 0 ? 0 : u16At(r.data, kRunsLength);
    std::uint32_t at = r.end();
    // The characters as UTF-16 units (runs count in them), each CONTINUE record starting with
    // its own 8-bit or 16-bit flag.
    std::u16string units;
    while (remaining > 0) {
        if (!readRecord(stream, at, r) || r.type != rt::kContinue || r.data.empty())
            return std::nullopt;
        const bool wide = (r.data[0] & 1) != 0;
        const std::uint32_t count = std::min(remaining, std::uint32_t(r.data.size() - 1) / (wide ? 2u : 1u));
        for (std::uint32_t k = 0; k < count; ++k)
            units += wide ? char16_t(u16At(r.data, 1 + 2 * k)) : char16_t(static_cast<unsigned char>(r.data[1 + k]));
        remaining -= count;
        at = r.end();
    }
    std::string runData;
    while (runData.size() < runBytes) {
        if (!readRecord(stream, at, r) || r.type != rt::kContinue)
            return std::nullopt;
        runData += r.data;
        at = r.end();
    }
    TextObjectRecords found;
    found.end = at;
    // Each run goes from its start to the next one's; the last entry only ends the text.
    std::vector<std::pair<std::size_t, std::uint16_t>> starts;
    for (std::size_t k = 0; k + kRunSize <= runData.size(); k += kRunSize)
        starts.emplace_back(std::min<std::size_t>(u16At(runData, k), units.size()), u16At(runData, k + 2));
    if (starts.empty() || starts.front().first != 0)
        starts.insert(starts.begin(), {0, starts.empty() ? 0 : starts.front().second});
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t from = starts[k].first;
        const std::size_t to = k + 1 < starts.size() ? std::max(from, starts[k + 1].first) : units.size();
        if (to == from)
            continue;
        std::string bytes;
        for (std::size_t u = from; u < to; ++u)
            appendU16(bytes, std::uint16_t(units[u]));
        TextRun run{{}, starts[k].second};
        appendBiffChars(bytes, true, run.text);
        found.runs.push_back(std::move(run));
    }
    return found;
}

std::string textObjectRecords(std::string_view stream, std::uint32_t txo, const std::vector<TextRun>& runs)
{
    Record r;
    readRecord(stream, txo, r);
    std::u16string units;
    std::string runData;
    for (const TextRun& run : runs) {
        const std::u16string part = toUtf16(run.text);
        if (part.empty())
            continue;
        appendU16(runData, std::uint16_t(units.size()));
        appendU16(runData, run.font);
        appendU32(runData, 0);
        units += part;
    }
    appendU16(runData, std::uint16_t(units.size()));  // the run that ends the text
    appendU16(runData, 0);
    appendU32(runData, 0);
    std::string data(r.data);
    putU16(data, kTextLength, std::uint16_t(units.size()));
    putU16(data, kRunsLength, std::uint16_t(units.empty() ? 0 : runData.size()));
    std::string out;
    appendU16(out, rt::kTxo);
    appendU16(out, std::uint16_t(data.size()));
    out += data;
    if (units.empty())
        return out;
    // The characters in records of at most kMaxRecordData bytes, each with its own flag byte.
    const std::size_t perRecord = (kMaxRecordData - 1) / 2;
    for (std::size_t from = 0; from < units.size(); from += perRecord) {
        const std::string chars = unicodeChars(units.substr(from, perRecord));
        appendU16(out, rt::kContinue);
        appendU16(out, std::uint16_t(chars.size()));
        out += chars;
    }
    appendU16(out, rt::kContinue);
    appendU16(out, std::uint16_t(runData.size()));
    return out + runData;
}

Result<std::unique_ptr<PartTexts>> XlsBackend::collectTexts(const Workbook::Impl& wb, TextKinds kinds) const
{
    auto collected = std::make_unique<PartTexts>();
    PartTexts& texts = *collected;
    if (kinds.charts)
        texts.leftAsTheyAre.push_back(joinedMessage(wb.path, {},
                                                    "the charts of an Excel 97-2003 workbook cannot be edited safely "
                                                    "in this format, so they were left as they are"));
    for (const PageText& page : kinds.headers ? pageTexts : std::vector<PageText>()) {
        Record r;
        std::string text;
        if (!readRecord(m_stream, page.record, r) || !readUnicodeString(r.data, 0, false, text)) {
            texts.leftAsTheyAre.push_back(joinedMessage(wb.path, "sheet \"" + page.sheet + "\"",
                                                        "a page header or footer record at "
                                                            + std::to_string(page.record)
                                                            + " is cut short, so it was left as it is"));
            continue;
        }
        addHeaderText(texts, page.record, text, page.sheet, r.type == rt::kHeader ? "header" : "footer");
    }
    int shapes = 0;
    for (const TextObject& object : textObjects) {
        const bool note = !object.cell.empty();
        shapes += note ? 0 : 1;
        if (!(note ? kinds.notes : kinds.shapes))
            continue;
        const auto found = readTextObject(m_stream, object.record);
        if (!found) {
            texts.leftAsTheyAre.push_back(joinedMessage(wb.path, "sheet \"" + object.sheet + "\"",
                                                        "the text object at " + std::to_string(object.record)
                                                            + " is not followed by its text records, so it was "
                                                              "left as it is"));
            continue;
        }
        std::vector<std::string> runs;
        for (const TextRun& run : found->runs)
            runs.push_back(run.text);
        addRecordText(texts, object.record, runs, note ? TextKind::Note : TextKind::Shape, object.sheet,
                      note ? "note " + object.cell : "shape " + std::to_string(shapes));
    }
    return collected;
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

// Headers and footers set anew: the record's text replaced, its length with it. Notes and text
// boxes: the TXO record and its CONTINUE records written anew, run by run.
Status rewriteRecordTexts(const Workbook::Impl& wb, std::string_view stream, std::vector<Splice>& splices)
{
    for (const TextElement* element : editedRecordTexts(wb)) {
        Record r;
        const auto at = std::uint32_t(element->zipEntry);
        if (!readRecord(stream, at, r))
            return Error{ErrorCode::Damaged, wb.path, "", "a page header or footer record is cut short"};
        if (element->form == TextForm::HeaderFooter) {
            splices.push_back({r.offset, r.end(), pageTextRecord(r.type, joinHeaderPieces(element->pieces))});
            continue;
        }
        const auto stored = readTextObject(stream, at);
        if (!stored)
            return Error{ErrorCode::Damaged, wb.path, "", "a text object's records are cut short"};
        std::vector<TextRun> runs = stored->runs;
        for (std::size_t k = 0; k < runs.size() && k < element->pieces.size(); ++k)
            runs[k].text = element->pieces[k].text;
        splices.push_back({at, stored->end, textObjectRecords(stream, at, runs)});
    }
    return {};
}

}  // namespace veltrano::spreadsheet::xls
