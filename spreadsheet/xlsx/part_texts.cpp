// Finding the texts outside the cells: each sheet's relationships lead to its notes, threaded
// comments and drawing, the drawing's to its charts; headers and footers are in the sheet part.
#include "spreadsheet/xlsx/part_texts.h"

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/internal/workbook_impl.h"
#include "spreadsheet/xlsx/ooxml_text.h"
#include "spreadsheet/xlsx/xlsx_backend.h"
#include "spreadsheet/xlsx/xml_scanner.h"

namespace veltrano::spreadsheet {
namespace {

// DrawingML's namespaces in both families, Transitional and Strict.
bool isDrawingMain(std::string_view uri)
{
    return uri == "http://schemas.openxmlformats.org/drawingml/2006/main"
           || uri == "http://purl.oclc.org/ooxml/drawingml/main";
}
bool isChart(std::string_view uri)
{
    return uri == "http://schemas.openxmlformats.org/drawingml/2006/chart"
           || uri == "http://purl.oclc.org/ooxml/drawingml/chart";
}
// Excel refuses a header or footer longer than this, in UTF-16 code units.
constexpr std::size_t kMaxHeaderUnits = 255;

// The content of the element the scanner has just started, when it is text only.
struct ElementText {
    std::size_t startTagBegin = 0, startTagEnd = 0, contentEnd = 0;
    bool spacePreserved = false;
    std::string text;
};

// Reads up to the element's end tag. nullopt for an empty element or one holding elements.
std::optional<ElementText> readTextElement(xml::Scanner& scanner)
{
    ElementText element{
        scanner.begin(), scanner.end(), 0, scanner.attribute(xml::kXmlNamespace, "space") != nullptr, {}};
    if (scanner.isEmptyElement()) {
        scanner.next();
        return std::nullopt;
    }
    const int depth = scanner.depth();
    bool mixed = false;
    while (scanner.next()) {
        if (scanner.token() == xml::Token::Text)
            scanner.appendText(element.text);
        else if (scanner.token() == xml::Token::StartElement)
            mixed = true;
        else if (scanner.token() == xml::Token::EndElement && scanner.depth() == depth)
            break;
    }
    element.contentEnd = scanner.begin();
    if (mixed || scanner.failed())
        return std::nullopt;
    return element;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The text without the blanks around it, which stay where they are when the text is replaced
// (a header's "&12 Monthly report" keeps its space after the code).
std::string_view trimmed(std::string_view text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool hasWords(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return !isBlank(c); });
}

bool within(const std::vector<std::string_view>& open, std::string_view local)
{
    return std::find(open.begin(), open.end(), local) != open.end();
}

// Walks a part's start elements, each with the local names of the elements open around it.
// visit returns true when it read the element through to its end (its text), which then opens
// nothing. False when the part is not well-formed.
template <class Visit>
bool walkElements(xml::Scanner& scanner, Visit visit)
{
    std::vector<std::string_view> open;
    while (scanner.next()) {
        if (scanner.token() == xml::Token::EndElement && !open.empty())
            open.pop_back();
        if (scanner.token() == xml::Token::StartElement && !visit(std::as_const(open)))
            open.push_back(scanner.localName());
    }
    return !scanner.failed();
}

// Gathers the texts of one workbook.
class Collector {
public:
    Collector(const Workbook::Impl& wb, const ZipArchive& zip, TextKinds kinds)
        : m_wb(wb),
          m_zip(zip),
          m_kinds(kinds),
          m_texts(std::make_unique<PartTexts>())
    {}

    Result<std::unique_ptr<PartTexts>> run();

private:
    struct Part {
        std::size_t entry = 0;
        std::string name;
        std::string_view xml;
    };
    // A part reached through rels, read once; nullopt (and named) when it cannot be used.
    std::optional<Part> readPart(const std::string& name);
    std::optional<opc::Relationships> relationshipsOf(const std::string& part);
    void leave(const std::string& part, const std::string& why);

    void collectSheet(std::size_t sheet);
    void collectHeaders(const std::string& sheetName, const WorksheetState& state);
    // Refs of the cells whose threaded comments were found, with their units.
    void collectThreaded(const std::string& sheetName, const Part& part,
                         std::map<std::string, std::vector<std::size_t>>& threads);
    void collectNotes(const std::string& sheetName, const Part& part,
                      std::map<std::string, std::vector<std::size_t>>& threads);
    void collectDrawing(const std::string& sheetName, const Part& part, int& charts);
    void collectChart(const std::string& sheetName, const Part& part, int number);

    std::size_t addElement(const Part& part, const ElementText& found, TextForm form);
    void addUnits(std::size_t element, TextKind kind, const std::string& sheet, const std::string& place);

    const Workbook::Impl& m_wb;
    const ZipArchive& m_zip;
    TextKinds m_kinds;
    std::unique_ptr<PartTexts> m_texts;
    std::set<std::size_t> m_seen;  // a part reached twice is read once
};

Result<std::unique_ptr<PartTexts>> Collector::run()
{
    for (std::size_t sheet = 0; sheet < m_wb.sheets.size(); ++sheet)
        collectSheet(sheet);
    return std::move(m_texts);
}

void Collector::leave(const std::string& part, const std::string& why)
{
    const PartPlace place = m_wb.where(part);
    m_texts->leftAsTheyAre.push_back(
        joinedMessage(place.file, place.part, why + ", so its texts were left as they are"));
}

std::optional<Collector::Part> Collector::readPart(const std::string& name)
{
    const auto entry = m_zip.find(name);
    if (!entry) {
        leave(name, "the part is missing");
        return std::nullopt;
    }
    if (!m_seen.insert(*entry).second)
        return std::nullopt;
    auto xml = m_zip.read(*entry);
    if (!xml) {
        leave(name, xml.error().message());
        return std::nullopt;
    }
    const std::string& kept = m_texts->partXml.emplace(*entry, std::move(xml.value())).first->second;
    return Part{*entry, name, kept};
}

std::optional<opc::Relationships> Collector::relationshipsOf(const std::string& part)
{
    const std::string relsPart = opc::relationshipsPartName(part);
    const auto entry = m_zip.find(relsPart);
    if (!entry)
        return opc::Relationships{};
    auto xml = m_zip.read(*entry);
    if (!xml) {
        leave(part, xml.error().message());
        return std::nullopt;
    }
    auto rels = opc::parseRelationships(xml.value(), part, m_wb.where(relsPart));
    if (!rels) {
        leave(part, rels.error().message());
        return std::nullopt;
    }
    return std::move(rels.value());
}

std::size_t Collector::addElement(const Part& part, const ElementText& found, TextForm form)
{
    TextElement element{
        part.entry, found.startTagBegin, found.startTagEnd, found.contentEnd, found.spacePreserved, form, {}, false};
    const bool escaped = form != TextForm::Plain;
    const std::string text = escaped ? decodeEscapes(found.text) : found.text;
    if (form == TextForm::HeaderFooter)
        element.pieces = splitHeaderCodes(text);
    else
        element.pieces.push_back({false, text});
    m_texts->elements.push_back(std::move(element));
    return m_texts->elements.size() - 1;
}

void addUnitsOf(PartTexts& texts, std::size_t element, TextKind kind, const std::string& sheet,
                const std::string& place)
{
    const auto& pieces = texts.elements[element].pieces;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        if (!pieces[i].code && hasWords(pieces[i].text))
            texts.units.push_back({element, i, {kind, sheet, place, std::string(trimmed(pieces[i].text))}, {}});
}

void Collector::addUnits(std::size_t element, TextKind kind, const std::string& sheet, const std::string& place)
{
    addUnitsOf(*m_texts, element, kind, sheet, place);
}

void Collector::collectSheet(std::size_t sheet)
{
    const std::string& sheetName = m_wb.sheets[sheet].name;
    const auto worksheet = m_wb.worksheetOfSheet[sheet];
    if (worksheet && m_kinds.headers)
        collectHeaders(sheetName, *m_wb.worksheets[*worksheet]);
    const std::string partName = sheet < m_wb.sheetParts.size() ? m_wb.sheetParts[sheet] : std::string();
    if (partName.empty() || !(m_kinds.notes || m_kinds.charts || m_kinds.shapes))
        return;
    const auto rels = relationshipsOf(partName);
    if (!rels)
        return;
    std::map<std::string, std::vector<std::size_t>> threads;
    if (m_kinds.notes) {
        for (const auto& rel : rels->items)
            if (!rel.external && rel.type.ends_with("/threadedComment"))
                if (const auto part = readPart(rel.target))
                    collectThreaded(sheetName, *part, threads);
        for (const auto* rel : rels->allOfType("comments"))
            if (const auto part = readPart(rel->target))
                collectNotes(sheetName, *part, threads);
    }
    int charts = 0;
    if (m_kinds.charts || m_kinds.shapes)
        for (const auto* rel : rels->allOfType("drawing"))
            if (const auto part = readPart(rel->target))
                collectDrawing(sheetName, *part, charts);
}

std::string headerPlace(std::string_view local)
{
    static const std::map<std::string_view, std::string> places = {
        {"oddHeader", "header"},
        {"oddFooter", "footer"},
        {"evenHeader", "even page header"},
        {"evenFooter", "even page footer"},
        {"firstHeader", "first page header"},
        {"firstFooter", "first page footer"},
    };
    const auto found = places.find(local);
    return found == places.end() ? std::string() : found->second;
}

void Collector::collectHeaders(const std::string& sheetName, const WorksheetState& state)
{
    const WorksheetModel& model = state.model;
    xml::Scanner scanner(model.xml);
    const Part part{state.zipEntry, model.partName, model.xml};
    bool inHeaderFooter = false;
    while (scanner.next()) {
        if (scanner.token() == xml::Token::EndElement && scanner.localName() == "headerFooter")
            inHeaderFooter = false;
        if (scanner.token() != xml::Token::StartElement || !ns::isMain(scanner.uri()))
            continue;
        if (scanner.localName() == "headerFooter") {
            inHeaderFooter = true;
            continue;
        }
        const std::string place = inHeaderFooter ? headerPlace(scanner.localName()) : std::string();
        if (place.empty())
            continue;
        const auto found = readTextElement(scanner);
        if (!found)
            continue;
        // The cells are rewritten before the headers; a header ahead of them would be moved by them.
        if (found->startTagBegin < model.sheetDataEndTagBegin) {
            leave(model.partName, "its " + place + " comes before its cells");
            continue;
        }
        addUnits(addElement(part, *found, TextForm::HeaderFooter), TextKind::Header, sheetName, place);
    }
}

void Collector::collectThreaded(const std::string& sheetName, const Part& part,
                                std::map<std::string, std::vector<std::size_t>>& threads)
{
    xml::Scanner scanner(part.xml);
    std::string ref;
    const bool read = walkElements(scanner, [&](const std::vector<std::string_view>& open) {
        if (scanner.localName() == "threadedComment")
            if (const auto* at = scanner.attribute("ref"))
                ref = xml::attributeValue(*at);
        if (scanner.localName() != "text" || open.empty() || open.back() != "threadedComment")
            return false;
        if (const auto found = readTextElement(scanner)) {
            const std::size_t before = m_texts->units.size();
            addUnits(addElement(part, *found, TextForm::Plain), TextKind::Note, sheetName, "comment " + ref);
            for (std::size_t unit = before; unit < m_texts->units.size(); ++unit)
                threads[ref].push_back(unit);
        }
        return true;
    });
    if (!read)
        leave(part.name, scanner.errorMessage());
}

void Collector::collectNotes(const std::string& sheetName, const Part& part,
                             std::map<std::string, std::vector<std::size_t>>& threads)
{
    xml::Scanner scanner(part.xml);
    std::string ref;
    const bool read = walkElements(scanner, [&](const std::vector<std::string_view>& open) {
        if (scanner.localName() == "comment" && scanner.attribute("ref"))
            ref = xml::attributeValue(*scanner.attribute("ref"));
        const bool noteText = scanner.localName() == "t" && within(open, "text") && !open.empty()
                              && (open.back() == "r" || open.back() == "text");
        if (!noteText)
            return false;
        if (const auto found = readTextElement(scanner)) {
            const std::size_t element = addElement(part, *found, TextForm::CellText);
            // A note that stands in for a threaded comment follows the comment's translation.
            if (const auto thread = threads.find(ref); thread != threads.end())
                for (const std::size_t unit : thread->second)
                    m_texts->units[unit].mirrors.push_back(element);
            else
                addUnits(element, TextKind::Note, sheetName, "note " + ref);
        }
        return true;
    });
    if (!read)
        leave(part.name, scanner.errorMessage());
}

void Collector::collectDrawing(const std::string& sheetName, const Part& part, int& charts)
{
    xml::Scanner scanner(part.xml);
    std::vector<std::string> chartIds;
    int shapes = 0;
    bool linked = false;  // the shape shows a cell's text (textlink): the cell is translated instead
    const bool read = walkElements(scanner, [&](const std::vector<std::string_view>& open) {
        const std::string_view local = scanner.localName();
        if (local == "sp") {
            ++shapes;
            const auto* link = scanner.attribute("textlink");
            linked = link && !link->raw.empty();
        } else if (local == "chart" && isChart(scanner.uri())) {
            for (const auto& a : scanner.attributes())
                if (ns::isRel(a.uri) && a.local == "id")
                    chartIds.push_back(xml::attributeValue(a));
        } else if (local == "t" && isDrawingMain(scanner.uri()) && m_kinds.shapes && !linked && within(open, "txBody")
                   && !open.empty() && open.back() == "r") {
            if (const auto found = readTextElement(scanner))
                addUnits(addElement(part, *found, TextForm::Plain), TextKind::Shape, sheetName,
                         "shape " + std::to_string(shapes));
            return true;
        }
        return false;
    });
    if (!read) {
        leave(part.name, scanner.errorMessage());
        return;
    }
    if (!m_kinds.charts || chartIds.empty())
        return;
    const auto rels = relationshipsOf(part.name);
    if (!rels)
        return;
    for (const std::string& id : chartIds) {
        ++charts;
        const auto* rel = rels->byId(id);
        if (!rel || rel->external) {
            leave(part.name, "chart relationship " + id + " is missing");
            continue;
        }
        if (const auto chart = readPart(rel->target))
            collectChart(sheetName, *chart, charts);
    }
}

// What a chart text is, told by the elements around it.
std::string chartTextName(const std::vector<std::string_view>& open)
{
    const bool onAxis =
        within(open, "valAx") || within(open, "catAx") || within(open, "dateAx") || within(open, "serAx");
    if (within(open, "title"))
        return onAxis ? "axis title" : "title";
    if (within(open, "dLbl") || within(open, "dLbls"))
        return "label";
    return "text";
}

void Collector::collectChart(const std::string& sheetName, const Part& part, int number)
{
    xml::Scanner scanner(part.xml);
    const std::string chart = "chart " + std::to_string(number) + " ";
    const bool read = walkElements(scanner, [&](const std::vector<std::string_view>& open) {
        const std::string_view local = scanner.localName();
        const std::string_view parent = open.empty() ? std::string_view() : open.back();
        // Texts typed into the chart; a text taken from cells (strRef and its cache) is the cells'.
        std::string name;
        if (local == "t" && isDrawingMain(scanner.uri()) && within(open, "rich") && parent == "r")
            name = chartTextName(open);
        else if (local == "v" && isChart(scanner.uri()) && parent == "tx" && within(open, "ser"))
            name = "series name";
        else if (local == "v" && isChart(scanner.uri()) && parent == "pt" && within(open, "strLit"))
            name = "label";
        if (name.empty())
            return false;
        if (const auto found = readTextElement(scanner))
            addUnits(addElement(part, *found, TextForm::Plain), TextKind::Chart, sheetName, chart + name);
        return true;
    });
    if (!read)
        leave(part.name, scanner.errorMessage());
}

// XML escaping for text that has no _xHHHH_ escapes of its own; characters XML 1.0 cannot hold
// are left out, CR kept as a reference.
void appendPlainText(std::string_view text, std::string& out)
{
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = utf8::next(text, pos);
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '\r')
            out += "&#13;";
        else if ((c < 0x20 && c != '\t' && c != '\n') || c == 0xFFFE || c == 0xFFFF)
            continue;
        else
            utf8::append(out, c);
    }
}

std::string joinedText(const TextElement& element)
{
    if (element.form == TextForm::HeaderFooter)
        return joinHeaderPieces(element.pieces);
    return element.pieces.front().text;
}

std::string encodedContent(const TextElement& element)
{
    std::string out;
    if (element.form == TextForm::Plain)
        appendPlainText(joinedText(element), out);
    else
        appendEncodedText(joinedText(element), out);
    return out;
}

}  // namespace

bool TextKinds::has(TextKind kind) const
{
    switch (kind) {
    case TextKind::Note:
        return notes;
    case TextKind::Chart:
        return charts;
    case TextKind::Shape:
        return shapes;
    case TextKind::Header:
        return headers;
    }
    return false;
}

std::string_view textKindName(TextKind kind)
{
    switch (kind) {
    case TextKind::Note:
        return "note";
    case TextKind::Chart:
        return "chart";
    case TextKind::Shape:
        return "shape";
    case TextKind::Header:
        return "header";
    }
    return "";
}

Result<std::unique_ptr<PartTexts>> collectPartTexts(const Workbook::Impl& wb, const ZipArchive& zip, TextKinds kinds)
{
    return Collector(wb, zip, kinds).run();
}

void addHeaderText(PartTexts& texts, std::size_t where, std::string_view header, const std::string& sheet,
                   const std::string& place)
{
    TextElement element;
    element.zipEntry = where;
    element.form = TextForm::HeaderFooter;
    element.pieces = splitHeaderCodes(header);
    texts.elements.push_back(std::move(element));
    addUnitsOf(texts, texts.elements.size() - 1, TextKind::Header, sheet, place);
}

void addRecordText(PartTexts& texts, std::size_t where, const std::vector<std::string>& runs, TextKind kind,
                   const std::string& sheet, const std::string& place)
{
    TextElement element;
    element.zipEntry = where;
    element.form = TextForm::Plain;
    for (const std::string& run : runs)
        element.pieces.push_back({false, run});
    texts.elements.push_back(std::move(element));
    addUnitsOf(texts, texts.elements.size() - 1, kind, sheet, place);
}

Status setUnitText(PartTexts& texts, std::size_t index, std::string_view text)
{
    TextUnit& unit = texts.units[index];
    TextElement& element = texts.elements[unit.element];
    const std::string before = element.pieces[unit.piece].text;
    const std::string_view core = trimmed(before);
    const std::size_t lead = std::size_t(core.data() - before.data());
    element.pieces[unit.piece].text = before.substr(0, lead) + std::string(text) + before.substr(lead + core.size());
    if (element.form == TextForm::HeaderFooter) {
        const std::size_t units = utf8::utf16Length(joinHeaderPieces(element.pieces));
        if (units > kMaxHeaderUnits) {
            element.pieces[unit.piece].text = before;
            return Error{ErrorCode::TooLarge, "", unit.shown.sheet + " " + unit.shown.place,
                         "the text would make it " + std::to_string(units) + " characters long, past its limit of "
                             + std::to_string(kMaxHeaderUnits)};
        }
    }
    element.edited = true;
    const std::string replaced(core);
    for (const std::size_t mirror : unit.mirrors) {
        std::string& mirrored = texts.elements[mirror].pieces.front().text;
        for (std::size_t at = mirrored.find(replaced); !replaced.empty() && at != std::string::npos;
             at = mirrored.find(replaced, at + text.size())) {
            mirrored.replace(at, replaced.size(), text);
            texts.elements[mirror].edited = true;
        }
    }
    unit.shown.text = std::string(text);
    return {};
}

std::string spliceTextEdits(const PartTexts& texts, std::size_t zipEntry, std::string_view xml, std::int64_t shift)
{
    std::vector<const TextElement*> edited;
    for (const TextElement& element : texts.elements)
        if (element.edited && element.zipEntry == zipEntry)
            edited.push_back(&element);
    std::sort(edited.begin(), edited.end(),
              [](const TextElement* a, const TextElement* b) { return a->startTagBegin < b->startTagBegin; });
    const auto at = [shift](std::size_t offset) { return std::size_t(std::int64_t(offset) + shift); };
    std::string out;
    out.reserve(xml.size() + 64 * edited.size());
    std::size_t pos = 0;
    for (const TextElement* element : edited) {
        const std::string content = encodedContent(*element);
        const bool addSpace =
            element->form == TextForm::CellText && !element->spacePreserved && needsSpacePreserve(joinedText(*element));
        // The start tag is kept; its closing '>' gets xml:space in front of it when the text needs it.
        const std::size_t tagClose = at(element->startTagEnd) - 1;
        out.append(xml.substr(pos, tagClose - pos));
        if (addSpace)
            out += " xml:space=\"preserve\"";
        out += '>';
        out += content;
        pos = at(element->contentEnd);
    }
    out.append(xml.substr(pos));
    return out;
}

std::vector<std::size_t> editedEntries(const PartTexts& texts)
{
    std::set<std::size_t> entries;
    for (const TextElement& element : texts.elements)
        if (element.edited)
            entries.insert(element.zipEntry);
    return {entries.begin(), entries.end()};
}

}  // namespace veltrano::spreadsheet
