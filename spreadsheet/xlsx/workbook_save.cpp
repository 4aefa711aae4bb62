// Saving: every edited part is the original bytes with only the changed elements spliced in;
// the zip is rebuilt around them with untouched entries copied as they are.
#include <algorithm>
#include <cassert>
#include <cstring>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/internal/workbook_impl.h"
#include "spreadsheet/xlsx/xlsx_backend.h"
#include "spreadsheet/xlsx/xml_scanner.h"

namespace veltrano::spreadsheet {

namespace {

struct Splice {
    std::size_t begin;
    std::size_t end;
    std::string text;
};

std::string applySplices(std::string_view original, std::vector<Splice> splices)
{
    std::stable_sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) {
        return std::tie(a.begin, a.end) < std::tie(b.begin, b.end);
    });
    std::size_t extra = 0;
    for (const auto& s : splices)
        extra += s.text.size();
    std::string out;
    out.reserve(original.size() + extra);
    std::size_t pos = 0;
    for (const auto& s : splices) {
        assert(s.begin >= pos && s.end >= s.begin && s.end <= original.size());
        out.append(original.substr(pos, s.begin - pos));
        out += s.text;
        pos = s.end;
    }
    out.append(original.substr(pos));
    return out;
}

std::string attributeName(const xml::Attribute& a)
{
    if (a.prefix.empty())
        return std::string(a.local);
    if (a.local.empty())
        return std::string(a.prefix);
    return std::string(a.prefix) + ":" + std::string(a.local);
}

void appendValueElement(std::string& out, const std::string& prefix, std::uint32_t index)
{
    out += '<';
    out += prefix;
    out += "v>";
    out += std::to_string(index);
    out += "</";
    out += prefix;
    out += "v>";
}

// Appends a <c> element rewritten: for a written cell, its new shared-string value (keeping
// its other attributes and any extLst, dropping f, v, is, t, cm and vm); otherwise the same
// element with its <f> replaced by formula.
void appendRewrittenCell(std::string& out, std::string_view xml, const CellRecord& cell, const std::string* formula)
{
    std::string_view fragment = xml.substr(cell.begin, cell.end - cell.begin);
    xml::Scanner scanner(fragment, {.maxDepth = 256, .fragment = true});
    scanner.next();
    const bool written = cell.has(cell_flags::kWritten);
    const std::string_view qname = scanner.qualifiedName();
    const std::string prefix = scanner.prefix().empty() ? std::string() : std::string(scanner.prefix()) + ":";
    const std::size_t startTagEnd = scanner.end();
    const bool empty = scanner.isEmptyElement();
    const std::size_t outStart = out.size();
    out += '<';
    out += qname;
    for (const auto& a : scanner.attributes()) {
        if (written && a.prefix.empty() && (a.local == "t" || a.local == "cm" || a.local == "vm"))
            continue;
        const char quote = fragment[a.valueOffset - 1];
        out += ' ';
        out += attributeName(a);
        out += '=';
        out += quote;
        out += a.raw;
        out += quote;
    }

    std::size_t formulaBegin = 0, formulaEnd = 0, extBegin = 0, extEnd = 0, childBegin = 0;
    while (scanner.next()) {
        if (scanner.depth() != 2)
            continue;
        if (scanner.token() == xml::Token::StartElement)
            childBegin = scanner.begin();
        else if (scanner.token() == xml::Token::EndElement && scanner.localName() == "f")
            formulaBegin = childBegin, formulaEnd = scanner.end();
        else if (scanner.token() == xml::Token::EndElement && scanner.localName() == "extLst")
            extBegin = childBegin, extEnd = scanner.end();
    }

    if (written) {
        out += " t=\"s\">";
        appendValueElement(out, prefix, cell.value.index);
        out.append(fragment.substr(extBegin, extEnd - extBegin));
    } else if (empty || formulaEnd == 0) {
        // Only the formula changes; the cached value and everything else stay.
        out += '>';
        out += *formula;
        if (!empty) {
            out.append(fragment.substr(startTagEnd, fragment.size() - startTagEnd));
            return;
        }
    } else {
        out.resize(outStart);
        out.append(fragment.substr(0, formulaBegin));
        out += *formula;
        out.append(fragment.substr(formulaEnd));
        return;
    }
    out += "</";
    out += qname;
    out += '>';
}

std::string newCell(const std::string& prefix, const CellRecord& cell)
{
    std::string out = "<" + prefix + "c r=\"" + cellName(int(cell.row), cell.column) + "\" t=\"s\">";
    appendValueElement(out, prefix, cell.value.index);
    return out + "</" + prefix + "c>";
}

// Where the cells that did not exist go: into their row, before the first cell to their
// right, or as new rows before the first row below them.
Result<std::vector<Splice>> placeNewCells(const Workbook::Impl& wb, const WorksheetState& sheet)
{
    const WorksheetModel& model = sheet.model;
    const std::string& p = model.elementPrefix;
    std::vector<Splice> splices;
    std::map<std::size_t, std::string> insertions;  // offset → markup
    std::map<std::size_t, std::string> closedRows;  // "/>" of <row/> → ">cells</row>"
    std::map<int, std::string> newRows;             // row number → cells
    for (const auto& [position, cell] : sheet.added) {
        auto rowIt = std::lower_bound(model.rows.begin(), model.rows.end(), std::uint32_t(position.first),
                                      [](const RowRecord& r, std::uint32_t value) { return r.row < value; });
        if (rowIt == model.rows.end() || rowIt->row != std::uint32_t(position.first)) {
            newRows[position.first] += newCell(p, cell);
            continue;
        }
        if (rowIt->emptyElement) {
            closedRows[rowIt->endTagBegin] += newCell(p, cell);
            continue;
        }
        std::size_t offset = rowIt->endTagBegin;
        for (std::uint32_t i = rowIt->firstCell; i < rowIt->firstCell + rowIt->cellCount; ++i) {
            if (model.cells[i].column > position.second) {
                offset = model.cells[i].begin;
                break;
            }
        }
        insertions[offset] += newCell(p, cell);
    }
    for (auto& [offset, cells] : closedRows)
        splices.push_back({offset, offset + 2, ">" + cells + "</" + p + "row>"});
    std::string rowsAtEnd;
    for (const auto& [rowNumber, cells] : newRows) {
        std::string markup = "<" + p + "row r=\"" + std::to_string(rowNumber) + "\">" + cells + "</" + p + "row>";
        auto next = std::upper_bound(model.rows.begin(), model.rows.end(), std::uint32_t(rowNumber),
                                     [](std::uint32_t value, const RowRecord& r) { return value < r.row; });
        if (next != model.rows.end())
            insertions[next->begin] += markup;
        else
            rowsAtEnd += markup;
    }
    if (!rowsAtEnd.empty()) {
        if (model.sheetDataStartTagEnd == 0)
            return wb.where(model.partName).error(ErrorCode::Unsupported, "the sheet has no sheetData to add cells to");
        if (model.sheetDataEmptyElement)
            splices.push_back({model.sheetDataEndTagBegin, model.sheetDataEndTagBegin + 2,
                               ">" + rowsAtEnd + "</" + p + "sheetData>"});
        else
            insertions[model.sheetDataEndTagBegin] += rowsAtEnd;
    }
    for (auto& [offset, markup] : insertions)
        splices.push_back({offset, offset, std::move(markup)});
    std::sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) { return a.begin < b.begin; });
    return splices;
}

// The part with its rewritten cells and new cells, everything else byte for byte. Written
// straight into one string: a sheet may have hundreds of thousands of rewritten cells.
Result<std::string> serializeWorksheet(const Workbook::Impl& wb, const WorksheetState& sheet)
{
    const WorksheetModel& model = sheet.model;
    std::vector<std::uint32_t> rewritten;
    for (std::uint32_t i = 0; i < model.cells.size(); ++i)
        if (model.cells[i].has(cell_flags::kWritten) || sheet.formulaChanges.count(i))
            rewritten.push_back(i);
    // Cells are indexed in row and column order, which is their order in the part unless
    // the part had them out of order.
    std::sort(rewritten.begin(), rewritten.end(),
              [&](std::uint32_t a, std::uint32_t b) { return model.cells[a].begin < model.cells[b].begin; });
    auto placed = placeNewCells(wb, sheet);
    if (!placed)
        return placed.error();
    const std::vector<Splice>& insertions = placed.value();

    std::string_view xml = model.xml;
    std::string out;
    out.reserve(xml.size() + rewritten.size() * 8 + sheet.added.size() * 40);
    std::size_t pos = 0;
    std::size_t next = 0;
    auto flushInsertionsBefore = [&](std::size_t offset) {
        while (next < insertions.size() && insertions[next].begin <= offset) {
            const Splice& s = insertions[next++];
            out.append(xml.substr(pos, s.begin - pos));
            out += s.text;
            pos = s.end;
        }
    };
    for (std::uint32_t index : rewritten) {
        const CellRecord& cell = model.cells[index];
        flushInsertionsBefore(cell.begin);
        out.append(xml.substr(pos, cell.begin - pos));
        auto formula = sheet.formulaChanges.find(index);
        appendRewrittenCell(out, xml, cell, formula == sheet.formulaChanges.end() ? nullptr : &formula->second);
        pos = cell.end;
    }
    flushInsertionsBefore(xml.size());
    out.append(xml.substr(pos));
    return out;
}

std::string relativeTarget(const std::string& fromPart, const std::string& toPart)
{
    std::size_t slash = fromPart.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : fromPart.substr(0, slash + 1);
    if (toPart.starts_with(folder))
        return toPart.substr(folder.size());
    return "/" + toPart;
}

std::string unusedRelationshipId(const opc::Relationships& rels)
{
    for (std::size_t n = rels.items.size() + 1;; ++n) {
        std::string id = "rId" + std::to_string(n);
        if (!rels.byId(id))
            return id;
    }
}

bool holdsFormulas(const Workbook::Impl& wb)
{
    for (const auto& sheet : wb.worksheets)
        for (const CellRecord& cell : sheet->model.cells)
            if (cell.has(cell_flags::kFormula))
                return true;
    return false;
}

// Formulas whose inputs were written keep the results cached before: the workbook asks for
// a full recalculation when it is next opened, so they show results from the new texts.
std::optional<Splice> fullCalcOnLoadSplice(const Workbook::Impl& wb)
{
    const CalcSettingsPlace& place = wb.calcSettings;
    if (place.fullCalcOnLoad || !holdsFormulas(wb))
        return std::nullopt;
    if (place.valueEnd > 0)
        return Splice{place.valueBegin, place.valueEnd, "1"};
    if (place.hasCalcPr)
        return Splice{place.insertAt, place.insertAt, " fullCalcOnLoad=\"1\""};
    return Splice{place.insertAt, place.insertAt, "<" + place.prefix + "calcPr fullCalcOnLoad=\"1\"/>"};
}

// The parts holding edited texts outside the cells. A worksheet's headers and footers come after
// its cells, so when its cells were rewritten too, they are spliced in moved by the cells' growth.
void spliceEditedTexts(const Workbook::Impl& wb, ZipArchive::Changes& changes)
{
    for (const std::size_t entry : editedEntries(*wb.partTexts)) {
        const auto sheet = std::find_if(wb.worksheets.begin(), wb.worksheets.end(),
                                        [entry](const auto& state) { return state->zipEntry == entry; });
        if (sheet == wb.worksheets.end()) {
            changes.replaced[entry] = spliceTextEdits(*wb.partTexts, entry, wb.partTexts->partXml.at(entry));
            continue;
        }
        const std::string& original = (*sheet)->model.xml;
        const auto rewritten = changes.replaced.find(entry);
        const std::string base = rewritten == changes.replaced.end() ? original : rewritten->second;
        const auto shift = std::int64_t(base.size()) - std::int64_t(original.size());
        changes.replaced[entry] = spliceTextEdits(*wb.partTexts, entry, base, shift);
    }
}

}  // namespace

Result<std::string> serializePackage(const Workbook::Impl& wb, const ZipArchive& zip)
{
    if (!wb.modified)
        return zip.bytes();
    ZipArchive::Changes changes;
    std::vector<Splice> relsSplices, typesSplices;

    for (const auto& sheet : wb.worksheets) {
        if (sheet->model.xml.empty())
            return wb.where(sheet->model.partName)
                .error(ErrorCode::Io, "the part could not be read again after a failed save");
        if (!sheet->edited)
            continue;
        auto xml = serializeWorksheet(wb, *sheet);
        if (!xml)
            return xml.error();
        changes.replaced[sheet->zipEntry] = std::move(xml.value());
    }
    if (wb.partTexts)
        spliceEditedTexts(wb, changes);
    for (std::size_t i = 0; i < wb.tables.size(); ++i)
        if (!wb.tables[i].renamed.empty() || !wb.tables[i].newLabels.empty())
            changes.replaced[wb.tableEntries[i]] = wb.tables[i].serialize();

    if (wb.sharedStrings.hasAdditions()) {
        std::string xml = wb.sharedStrings.serialize(wb.sharedStringRefDelta, ns::mainUri(wb.family));
        if (wb.sharedStringsEntry) {
            changes.replaced[*wb.sharedStringsEntry] = std::move(xml);
        } else {
            changes.added.emplace_back(wb.sharedStringsPart, std::move(xml));
            const auto& rels = wb.workbookRels;
            std::string relationship = "<" + rels.prefix + "Relationship Id=\"" + unusedRelationshipId(rels)
                                       + "\" Type=\"" + ns::relType(wb.family, "sharedStrings") + "\" Target=\""
                                       + relativeTarget(wb.workbookPart, wb.sharedStringsPart) + "\"/>";
            if (rels.emptyElement)
                relsSplices.push_back({rels.endTagBegin, rels.endTagBegin + 2,
                                       ">" + relationship + "</" + rels.prefix + "Relationships>"});
            else
                relsSplices.push_back({rels.endTagBegin, rels.endTagBegin, std::move(relationship)});
            const std::string& tp = wb.contentTypes.prefix.empty() ? std::string() : wb.contentTypes.prefix + ":";
            typesSplices.push_back({wb.contentTypes.typesEndTag, wb.contentTypes.typesEndTag,
                                    "<" + tp + "Override PartName=\"/" + wb.sharedStringsPart + "\" ContentType=\""
                                        + std::string(ns::kSharedStringsContentType) + "\"/>"});
        }
    }

    // Excel rebuilds the calculation chain; a chain naming a formula that is gone is an error.
    if (wb.formulaRemoved && wb.calcChainRelationship) {
        const auto& rel = *wb.calcChainRelationship;
        if (wb.calcChainEntry)
            changes.removed.insert(*wb.calcChainEntry);
        relsSplices.push_back({rel.begin, rel.end, {}});
        auto over = wb.contentTypes.overrides.find(lowerAscii(rel.target));
        if (over != wb.contentTypes.overrides.end() && over->second.end > over->second.begin)
            typesSplices.push_back({over->second.begin, over->second.end, {}});
    }
    if (auto calc = fullCalcOnLoadSplice(wb))
        changes.replaced[wb.workbookEntry] = applySplices(wb.workbookXml, {std::move(*calc)});
    if (!relsSplices.empty())
        changes.replaced[wb.workbookRelsEntry] = applySplices(wb.workbookRelsXml, std::move(relsSplices));
    if (!typesSplices.empty())
        changes.replaced[wb.contentTypesEntry] = applySplices(wb.contentTypesXml, std::move(typesSplices));
    return zip.rebuild(changes);
}

}  // namespace veltrano::spreadsheet
