// Opening a workbook: refuse what cannot be edited safely, then find every part through the
// relationships and parse it. Any failure returns an error; no half-built workbook escapes.
#include <algorithm>
#include <future>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/internal/workbook_impl.h"
#include "spreadsheet/xlsx/formula_refs.h"
#include "spreadsheet/xlsx/ooxml_text.h"
#include "spreadsheet/xlsx/part_error.h"
#include "spreadsheet/xlsx/worksheet_parser.h"
#include "spreadsheet/xlsx/xlsx_backend.h"
#include "spreadsheet/xlsx/xml_scanner.h"

namespace veltrano::spreadsheet {

namespace {

constexpr std::string_view kWorkbookTypes[] = {
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml",
    "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml",
    "application/vnd.ms-excel.sheet.macroEnabled.main+xml",
    "application/vnd.ms-excel.template.macroEnabled.main+xml",
};
constexpr std::string_view kBinaryWorkbookType = "application/vnd.ms-excel.sheet.binary.macroEnabled.main";

struct WorkbookXml {
    ns::Family family = ns::Family::Transitional;
    bool date1904 = false;
    int activeTab = 0;
    struct Sheet {
        std::string name;
        std::string relationshipId;
        SheetVisibility visibility = SheetVisibility::Visible;
    };
    std::vector<Sheet> sheets;
    CalcSettingsPlace calcSettings;
};

// The workbook's children that come after calcPr, in their order.
constexpr std::string_view kAfterCalcPr[] = {"oleSize",        "customWorkbookViews", "pivotCaches",
                                             "smartTagPr",     "smartTagTypes",       "webPublishing",
                                             "fileRecoveryPr", "webPublishObjects",   "extLst"};

// The filter (page field) rows a pivot table shows above its location, and the empty row
// between them and the table: pageRows rows of pageColumns label-and-value pairs, a blank
// column between pairs. nullopt for a pivot table without filters.
std::optional<CellRange> pivotFilterArea(const CellRange& location, std::uint32_t pageRows, std::uint32_t pageColumns)
{
    if (pageRows == 0 || location.firstRow <= 1)
        return std::nullopt;
    const std::int64_t firstRow = std::max<std::int64_t>(1, std::int64_t(location.firstRow) - pageRows - 1);
    const std::int64_t width = 3 * std::int64_t(std::clamp<std::uint32_t>(pageColumns, 1, kMaxColumns)) - 1;
    const std::int64_t lastColumn = std::min<std::int64_t>(
        kMaxColumns, std::max<std::int64_t>(location.lastColumn, location.firstColumn + width - 1));
    return CellRange{int(firstRow), location.firstColumn, location.firstRow - 1, int(lastColumn)};
}

// A count attribute; 0 when absent or not a number.
std::uint32_t countAttribute(const xml::Scanner& scanner, std::string_view name)
{
    return std::uint32_t(std::max(0, xml::intAttribute(scanner.attribute(name), 0)));
}

// Notes, from a child of the workbook element, where fullCalcOnLoad is or would go.
void noteCalcSettings(const xml::Scanner& scanner, CalcSettingsPlace& place)
{
    const auto name = scanner.localName();
    if (name == "calcPr") {
        place.hasCalcPr = true;
        if (const auto* a = scanner.attribute("fullCalcOnLoad")) {
            place.fullCalcOnLoad = xml::isTrue(a->raw);
            place.valueBegin = a->valueOffset;
            place.valueEnd = a->valueOffset + a->raw.size();
        } else {
            place.insertAt = scanner.end() - (scanner.isEmptyElement() ? 2 : 1);
        }
    } else if (!place.hasCalcPr && place.insertAt == 0
               && std::find(std::begin(kAfterCalcPr), std::end(kAfterCalcPr), name) != std::end(kAfterCalcPr)) {
        place.insertAt = scanner.begin();
    }
}

class Loader {
public:
    Loader(std::string path, ZipArchive zip)
    {
        auto backend = std::make_unique<XlsxBackend>(std::move(zip));
        m_zip = &backend->zip();
        m_wb = std::make_unique<Workbook::Impl>(std::move(path), std::move(backend));
    }

    Result<std::unique_ptr<Workbook::Impl>> run();

private:
    struct Part {
        std::size_t entry = 0;
        std::string xml;
    };
    Result<Part> readPartEntry(std::string_view partName, ErrorCode missingCode = ErrorCode::Damaged);
    Result<std::string> readPart(std::string_view partName, ErrorCode missingCode = ErrorCode::Damaged);
    Status refuseForeignPackages();
    Result<std::string> findWorkbookPart();
    Result<WorkbookXml> parseWorkbookXml(const std::string& xml);
    Status loadStylesAndStrings(const WorkbookXml& book);
    Status awaitSharedStrings();
    Status loadSheets(const WorkbookXml& book);
    Status loadWorksheet(std::size_t sheetIndex, const std::string& partName);
    Status loadSheetRelations(WorksheetState& state, std::size_t worksheetIndex);
    Status loadPivotTable(WorksheetState& state, const std::string& partName);
    Status loadPivotSources();

    std::unique_ptr<Workbook::Impl> m_wb;
    const ZipArchive* m_zip = nullptr;  // held by m_wb's backend
    std::size_t m_cellCount = 0;        // stored cells in the worksheets loaded so far
    // The shared strings are parsed beside the worksheets, which only name their indexes.
    std::future<Result<SharedStrings>> m_sharedStrings;
};

// Every part the loader parses is read here: found by name, refused when missing.
Result<Loader::Part> Loader::readPartEntry(std::string_view partName, ErrorCode missingCode)
{
    auto index = m_zip->find(partName);
    if (!index)
        return m_wb->where(partName).error(missingCode, "part is missing");
    if (const std::uint64_t size = m_zip->entries()[*index].size; size > kMaxPartBytes)
        return m_wb->where(partName).error(ErrorCode::TooLarge, "the part is " + std::to_string(size)
                                                                    + " bytes uncompressed, past the limit of "
                                                                    + std::to_string(kMaxPartBytes));
    auto bytes = m_zip->read(*index);
    if (!bytes)
        return bytes.error();
    return Part{*index, std::move(bytes.value())};
}

Result<std::string> Loader::readPart(std::string_view partName, ErrorCode missingCode)
{
    auto part = readPartEntry(partName, missingCode);
    if (!part)
        return part.error();
    return std::move(part.value().xml);
}

Status Loader::refuseForeignPackages()
{
    const ZipArchive& zip = *m_zip;
    if (auto mimetype = zip.find("mimetype")) {
        auto text = zip.read(*mimetype);
        if (text && text.value().starts_with("application/vnd.oasis.opendocument"))
            return Error{ErrorCode::OpenDocument, m_wb->path, "",
                         "an OpenDocument file (" + text.value() + "), not an Excel workbook"};
    }
    for (const auto& entry : zip.entries())
        if (lowerAscii(entry.name).starts_with("_xmlsignatures/"))
            return Error{ErrorCode::Signed, m_wb->path, "",
                         "the package is digitally signed (" + entry.name + "); editing it would break the signature"};
    if (!zip.find("[Content_Types].xml"))
        return Error{ErrorCode::NotAWorkbook, m_wb->path, "", "no [Content_Types].xml: not an Office Open XML package"};
    auto types = readPartEntry("[Content_Types].xml");
    if (!types)
        return types.error();
    m_wb->contentTypesEntry = types.value().entry;
    m_wb->contentTypesXml = std::move(types.value().xml);
    auto parsed = opc::parseContentTypes(m_wb->contentTypesXml, m_wb->where("[Content_Types].xml"));
    if (!parsed)
        return parsed.error();
    m_wb->contentTypes = std::move(parsed.value());
    return {};
}

Result<std::string> Loader::findWorkbookPart()
{
    auto xml = readPart("_rels/.rels", ErrorCode::NotAWorkbook);
    if (!xml)
        return xml.error();
    auto rels = opc::parseRelationships(xml.value(), "", m_wb->where("_rels/.rels"));
    if (!rels)
        return rels.error();
    for (const auto& r : rels.value().items)
        if (r.type == ns::kSignatureOriginType)
            return Error{ErrorCode::Signed, m_wb->path, "",
                         "the package is digitally signed; editing it would break the signature"};
    const auto* office = rels.value().firstOfType("officeDocument");
    if (!office)
        return Error{ErrorCode::NotAWorkbook, m_wb->path, "", "the package has no main document"};
    const std::string& part = office->target;
    std::string type = m_wb->contentTypes.typeOf(part);
    if (type.starts_with(kBinaryWorkbookType))
        return Error{ErrorCode::BinaryWorkbook, m_wb->path, "",
                     "a binary workbook (.xlsb), which cannot be edited safely"};
    if (std::find(std::begin(kWorkbookTypes), std::end(kWorkbookTypes), type) == std::end(kWorkbookTypes))
        return Error{ErrorCode::NotAWorkbook, m_wb->path, "",
                     "the main part " + part + " is not a workbook ("
                         + (type.empty() ? std::string("no content type") : type) + ")"};
    return part;
}

Result<WorkbookXml> Loader::parseWorkbookXml(const std::string& xmlText)
{
    const PartPlace where = m_wb->where(m_wb->workbookPart);
    WorkbookXml book;
    xml::Scanner scanner(xmlText);
    bool sawView = false;
    bool inDefinedName = false;
    std::string definedName;
    while (scanner.next()) {
        const int depth = scanner.depth();
        if (scanner.token() == xml::Token::Text) {
            if (inDefinedName)
                scanner.appendText(definedName);
            continue;
        }
        if (scanner.token() == xml::Token::EndElement) {
            if (depth == 1 && !book.calcSettings.hasCalcPr && book.calcSettings.insertAt == 0)
                book.calcSettings.insertAt = scanner.begin();
            if (inDefinedName && depth == 3) {
                collectBracketNames(definedName, m_wb->bracketNames);
                inDefinedName = false;
            }
            continue;
        }
        if (scanner.token() != xml::Token::StartElement)
            continue;
        const auto name = scanner.localName();
        if (depth == 1) {
            if (!ns::isMain(scanner.uri()) || name != "workbook")
                return partError(ErrorCode::Damaged, where, scanner.begin(), "root element is not a workbook");
            book.family = ns::familyOf(scanner.uri());
            if (!scanner.prefix().empty())
                book.calcSettings.prefix = std::string(scanner.prefix()) + ":";
            continue;
        }
        if (!ns::isMain(scanner.uri()))
            continue;
        if (depth == 2)
            noteCalcSettings(scanner, book.calcSettings);
        if (depth == 2 && name == "workbookPr") {
            const auto* a = scanner.attribute("date1904");
            book.date1904 = a && xml::isTrue(a->raw);
        } else if (depth == 3 && name == "workbookView" && !sawView) {
            sawView = true;
            book.activeTab = xml::intAttribute(scanner.attribute("activeTab"), 0);
        } else if (depth == 3 && name == "sheet") {
            WorkbookXml::Sheet sheet;
            if (const auto* a = scanner.attribute("name"))
                sheet.name = utf8::sanitize(decodeEscapes(xml::attributeValue(*a)));
            if (const auto* a = scanner.attribute("state")) {
                std::string state = xml::attributeValue(*a);
                sheet.visibility = state == "hidden"       ? SheetVisibility::Hidden
                                   : state == "veryHidden" ? SheetVisibility::VeryHidden
                                                           : SheetVisibility::Visible;
            }
            for (const auto& a : scanner.attributes())
                if (a.local == "id" && ns::isRel(a.uri))
                    sheet.relationshipId = xml::attributeValue(a);
            if (sheet.relationshipId.empty())
                return partError(ErrorCode::Damaged, where, scanner.begin(),
                                 "sheet \"" + sheet.name + "\" has no relationship id");
            book.sheets.push_back(std::move(sheet));
        } else if (depth == 3 && name == "definedName") {
            inDefinedName = true;
            definedName.clear();
        }
    }
    if (scanner.failed())
        return scanError(where, scanner);
    if (book.sheets.empty())
        return partError(ErrorCode::Damaged, where, 0, "the workbook lists no sheets");
    return book;
}

Status Loader::loadStylesAndStrings(const WorkbookXml& book)
{
    auto system = book.date1904 ? numfmt::DateSystem::Excel1904 : numfmt::DateSystem::Excel1900;
    m_wb->renderer = std::make_unique<numfmt::Renderer>(system);
    if (const auto* rel = m_wb->workbookRels.firstOfType("styles")) {
        auto xml = readPart(rel->target);
        if (!xml)
            return xml.error();
        auto styles = Styles::parse(xml.value(), m_wb->where(rel->target), *m_wb->renderer);
        if (!styles)
            return styles.error();
        m_wb->styles.emplace(std::move(styles.value()));
    } else {
        m_wb->styles.emplace(*m_wb->renderer);
    }

    std::size_t slash = m_wb->workbookPart.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : m_wb->workbookPart.substr(0, slash + 1);
    m_wb->sharedStringsPart = folder + "sharedStrings.xml";
    if (const auto* rel = m_wb->workbookRels.firstOfType("sharedStrings")) {
        m_wb->sharedStringsPart = rel->target;
        auto part = readPartEntry(rel->target);
        if (!part)
            return part.error();
        m_wb->sharedStringsEntry = part.value().entry;
        // Deferred rather than failing when no thread can be had.
        m_sharedStrings = std::async(std::launch::async | std::launch::deferred,
                                     [xml = std::move(part.value().xml), where = m_wb->where(rel->target)]() mutable {
                                         return SharedStrings::parse(std::move(xml), where);
                                     });
    } else if (m_zip->find(m_wb->sharedStringsPart)) {
        // A stray part by that name: a new one must not collide with it.
        m_wb->sharedStringsPart = folder + "sharedStrings1.xml";
    }
    return {};
}

// The shared strings in place, and every worksheet's indexes held to their count.
Status Loader::awaitSharedStrings()
{
    if (m_sharedStrings.valid()) {
        auto strings = m_sharedStrings.get();
        if (!strings)
            return strings.error();
        m_wb->sharedStrings = std::move(strings.value());
    }
    for (const auto& sheet : m_wb->worksheets) {
        Status status =
            checkSharedStringIndexes(sheet->model, m_wb->sharedStrings.size(), m_wb->where(sheet->model.partName));
        if (!status)
            return status;
    }
    return {};
}

Status Loader::loadSheets(const WorkbookXml& book)
{
    std::map<std::string, std::string> sheetOfPart;  // lower-cased part name → sheet name
    for (std::size_t i = 0; i < book.sheets.size(); ++i) {
        const auto& sheet = book.sheets[i];
        const auto* rel = m_wb->workbookRels.byId(sheet.relationshipId);
        if (!rel || rel->external)
            return m_wb->where(m_wb->workbookPart)
                .error(ErrorCode::Damaged,
                       "sheet \"" + sheet.name + "\" points at a missing relationship " + sheet.relationshipId);
        // Edits to both would go into one part, and those to the sheet saved first be lost.
        if (auto [it, added] = sheetOfPart.emplace(lowerAscii(rel->target), sheet.name); !added)
            return m_wb->where(m_wb->workbookPart)
                .error(ErrorCode::Damaged,
                       "sheets \"" + it->second + "\" and \"" + sheet.name + "\" share one part, " + rel->target);
        std::string_view type = ns::relTypeName(rel->type);
        SheetInfo info{sheet.name, SheetKind::Worksheet, sheet.visibility};
        if (type == "chartsheet")
            info.kind = SheetKind::Chartsheet;
        else if (type == "dialogsheet")
            info.kind = SheetKind::Dialogsheet;
        else if (type == "xlMacrosheet" || type == "xlIntlMacrosheet")
            info.kind = SheetKind::Macrosheet;
        else if (type != "worksheet")
            return m_wb->where(m_wb->workbookPart)
                .error(ErrorCode::Unsupported, "sheet \"" + sheet.name + "\" has an unknown kind " + rel->type);
        m_wb->sheets.push_back(info);
        m_wb->sheetParts.push_back(rel->target);
        m_wb->worksheetOfSheet.push_back(std::nullopt);
        if (info.kind == SheetKind::Worksheet) {
            Status status = loadWorksheet(i, rel->target);
            if (!status)
                return status;
        }
    }
    m_wb->activeSheet =
        book.activeTab >= 0 && std::size_t(book.activeTab) < m_wb->sheets.size() ? std::size_t(book.activeTab) : 0;
    return {};
}

Status Loader::loadWorksheet(std::size_t sheetIndex, const std::string& partName)
{
    auto state = std::make_unique<WorksheetState>();
    auto part = readPartEntry(partName);
    if (!part)
        return part.error();
    state->zipEntry = part.value().entry;
    state->model.name = m_wb->sheets[sheetIndex].name;
    state->model.partName = partName;
    state->model.xml = std::move(part.value().xml);
    WorksheetParseContext context{m_wb->renderer->dateSystem(), &m_wb->bracketNames, kMaxStoredCells - m_cellCount};
    Status status = parseWorksheet(state->model, context, m_wb->where(partName));
    if (!status)
        return status;
    std::size_t worksheetIndex = m_wb->worksheets.size();
    m_wb->worksheetOfSheet[sheetIndex] = worksheetIndex;
    status = loadSheetRelations(*state, worksheetIndex);
    if (!status)
        return status;
    m_cellCount += state->model.cells.size();
    m_wb->worksheets.push_back(std::move(state));
    return {};
}

Status Loader::loadSheetRelations(WorksheetState& state, std::size_t worksheetIndex)
{
    const std::string relsPart = opc::relationshipsPartName(state.model.partName);
    if (!m_zip->find(relsPart))
        return {};
    auto xml = readPart(relsPart);
    if (!xml)
        return xml.error();
    auto rels = opc::parseRelationships(xml.value(), state.model.partName, m_wb->where(relsPart));
    if (!rels)
        return rels.error();
    for (const auto& id : state.model.tableRelationshipIds) {
        const auto* rel = rels.value().byId(id);
        if (!rel || rel->external)
            return m_wb->where(state.model.partName)
                .error(ErrorCode::Damaged, "table relationship " + id + " is missing");
        auto part = readPartEntry(rel->target);
        if (!part)
            return part.error();
        auto table = parseTable(std::move(part.value().xml), rel->target, m_wb->where(rel->target), m_wb->bracketNames);
        if (!table)
            return table.error();
        table.value().worksheet = worksheetIndex;
        state.tables.push_back(m_wb->tables.size());
        m_wb->tables.push_back(std::move(table.value()));
        m_wb->tableEntries.push_back(part.value().entry);
    }
    for (const auto* rel : rels.value().allOfType("pivotTable")) {
        Status status = loadPivotTable(state, rel->target);
        if (!status)
            return status;
    }
    return {};
}

Status Loader::loadPivotTable(WorksheetState& state, const std::string& partName)
{
    auto xml = readPart(partName);
    if (!xml)
        return xml.error();
    xml::Scanner scanner(xml.value());
    std::optional<CellRange> location;
    std::uint32_t pageRows = 0, pageColumns = 0, pageFields = 0;
    while (scanner.next()) {
        if (scanner.token() != xml::Token::StartElement || scanner.depth() != 2)
            continue;
        if (scanner.localName() == "pageFields") {
            pageFields = countAttribute(scanner, "count");
            continue;
        }
        if (scanner.localName() != "location")
            continue;
        const auto* ref = scanner.attribute("ref");
        location = ref ? parseRangeName(ref->raw) : std::nullopt;
        if (!location)
            return partError(ErrorCode::Damaged, m_wb->where(partName), scanner.begin(),
                             "pivot table location is not a valid range");
        pageRows = countAttribute(scanner, "rowPageCount");
        pageColumns = countAttribute(scanner, "colPageCount");
    }
    if (scanner.failed())
        return scanError(m_wb->where(partName), scanner);
    if (!location)
        return {};
    state.model.blocked.push_back({*location, WriteBlock::PivotTable});
    if (auto filters = pivotFilterArea(*location, pageRows > 0 ? pageRows : pageFields, pageColumns))
        state.model.blocked.push_back({*filters, WriteBlock::PivotTable});
    return {};
}

Status Loader::loadPivotSources()
{
    for (const auto* rel : m_wb->workbookRels.allOfType("pivotCacheDefinition")) {
        auto xml = readPart(rel->target);
        if (!xml)
            return xml.error();
        xml::Scanner scanner(xml.value());
        while (scanner.next()) {
            if (scanner.token() != xml::Token::StartElement || scanner.localName() != "worksheetSource")
                continue;
            PivotSource source;
            if (const auto* a = scanner.attribute("name"))
                source.name = utf8::foldCase(xml::attributeValue(*a));
            if (const auto* a = scanner.attribute("sheet"))
                source.sheet = utf8::foldCase(xml::attributeValue(*a));
            if (const auto* a = scanner.attribute("ref"))
                source.ref = parseRangeName(xml::attributeValue(*a));
            m_wb->pivotSources.push_back(std::move(source));
        }
        if (scanner.failed())
            return scanError(m_wb->where(rel->target), scanner);
    }
    return {};
}

Result<std::unique_ptr<Workbook::Impl>> Loader::run()
{
    Status status = refuseForeignPackages();
    if (!status)
        return status.error();
    auto part = findWorkbookPart();
    if (!part)
        return part.error();
    m_wb->workbookPart = part.value();
    auto workbookXml = readPartEntry(m_wb->workbookPart);
    if (!workbookXml)
        return workbookXml.error();
    auto book = parseWorkbookXml(workbookXml.value().xml);
    if (!book)
        return book.error();
    m_wb->family = book.value().family;
    m_wb->workbookEntry = workbookXml.value().entry;
    m_wb->workbookXml = std::move(workbookXml.value().xml);
    m_wb->calcSettings = book.value().calcSettings;

    m_wb->workbookRelsPart = opc::relationshipsPartName(m_wb->workbookPart);
    auto relsXml = readPartEntry(m_wb->workbookRelsPart);
    if (!relsXml)
        return relsXml.error();
    m_wb->workbookRelsEntry = relsXml.value().entry;
    m_wb->workbookRelsXml = std::move(relsXml.value().xml);
    auto rels = opc::parseRelationships(m_wb->workbookRelsXml, m_wb->workbookPart, m_wb->where(m_wb->workbookRelsPart));
    if (!rels)
        return rels.error();
    m_wb->workbookRels = std::move(rels.value());

    if (!(status = loadStylesAndStrings(book.value())))
        return status.error();
    status = loadSheets(book.value());
    // A damaged string table is reported before what it may have caused in the sheets.
    if (Status strings = awaitSharedStrings(); !strings)
        return strings.error();
    if (!status)
        return status.error();
    if (!(status = loadPivotSources()))
        return status.error();
    if (const auto* calc = m_wb->workbookRels.firstOfType("calcChain")) {
        m_wb->calcChainRelationship = *calc;
        m_wb->calcChainEntry = m_zip->find(calc->target);
    }
    return std::move(m_wb);
}

}  // namespace

Result<std::unique_ptr<Workbook::Impl>> loadPackage(const std::string& path, std::string bytes)
{
    if (bytes.size() < 4 || bytes.compare(0, 2, "PK") != 0)
        return Error{ErrorCode::NotAWorkbook, path, "",
                     "not a zip package, so not an .xlsx/.xlsm/.xltx/.xltm workbook"};
    auto zip = ZipArchive::open(std::move(bytes), path);
    if (!zip)
        return zip.error();
    return Loader(path, std::move(zip.value())).run();
}

}  // namespace veltrano::spreadsheet
