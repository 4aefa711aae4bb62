#include "tests/spreadsheet/fixture.h"

#include <zip.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <random>
#include <sstream>
#include <stdexcept>

namespace veltrano::spreadsheet::testing {

namespace {

constexpr const char* kTransitionalMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kStrictMain = "http://purl.oclc.org/ooxml/spreadsheetml/main";
constexpr const char* kTransitionalRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kStrictRel = "http://purl.oclc.org/ooxml/officeDocument/relationships";
constexpr const char* kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kCt = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

void require(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error("fixture: " + what);
}

// Little-endian fields of two and of four bytes, in order.
void put16(std::string& out, std::initializer_list<std::uint32_t> values)
{
    for (const std::uint32_t v : values)
        out += {char(v & 0xFF), char((v >> 8) & 0xFF)};
}
void put32(std::string& out, std::initializer_list<std::uint32_t> values)
{
    for (const std::uint32_t v : values)
        put16(out, {v & 0xFFFF, v >> 16});
}

// Stored entries with general-purpose bit 3 set: sizes and CRC follow each entry's data in a
// descriptor, as streaming writers produce.
std::string zipWithDataDescriptors(const Parts& parts)
{
    std::string out, central;
    for (const auto& [name, content] : parts) {
        const auto offset = std::uint32_t(out.size()), size = std::uint32_t(content.size()),
                   nameSize = std::uint32_t(name.size());
        const auto crc = std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(content.data()), uInt(content.size())));
        put32(out, {0x04034b50});
        put16(out, {20, 0x0008, 0, 0, 0x21});
        put32(out, {0, 0, 0});
        put16(out, {nameSize, 0});
        out += name;
        out += content;
        put32(out, {0x08074b50, crc, size, size});
        put32(central, {0x02014b50});
        put16(central, {20, 20, 0x0008, 0, 0, 0x21});
        put32(central, {crc, size, size});
        put16(central, {nameSize, 0, 0, 0, 0});
        put32(central, {0, offset});
        central += name;
    }
    const auto centralOffset = std::uint32_t(out.size());
    out += central;
    put32(out, {0x06054b50});
    put16(out, {0, 0, std::uint32_t(parts.size()), std::uint32_t(parts.size())});
    put32(out, {std::uint32_t(central.size()), centralOffset});
    put16(out, {0});
    return out;
}

}  // namespace

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    require(bool(in), "cannot read " + path.string());
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    require(bool(out), "cannot write " + path.string());
}

void writeZip(const std::filesystem::path& path, const Parts& parts, ZipStyle style)
{
    if (style == ZipStyle::DataDescriptors) {
        writeFile(path, zipWithDataDescriptors(parts));
        return;
    }
    std::filesystem::remove(path);
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_EXCL, &error);
    require(archive != nullptr, "cannot create " + path.string());
    for (const auto& [name, content] : parts) {
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        require(index >= 0, "cannot add " + name);
        zip_set_file_compression(archive, zip_uint64_t(index),
                                 style == ZipStyle::Stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    require(zip_close(archive) == 0, "cannot close " + path.string());
}

Parts readZip(const std::filesystem::path& path)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    require(archive != nullptr, "cannot open " + path.string());
    Parts parts;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
        std::string content(stat.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        require(file && zip_fread(file, content.data(), content.size()) == zip_int64_t(content.size()),
                "cannot read entry");
        zip_fclose(file);
        parts.emplace_back(stat.name, std::move(content));
    }
    zip_discard(archive);
    return parts;
}

std::vector<RawEntry> readRawZip(const std::filesystem::path& path)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    require(archive != nullptr, "cannot open " + path.string());
    std::vector<RawEntry> entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
        RawEntry entry{stat.name, stat.crc, stat.comp_size, std::string(stat.comp_size, '\0')};
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), ZIP_FL_COMPRESSED);
        require(file != nullptr, "cannot open raw entry");
        zip_fread(file, entry.compressed.data(), entry.compressed.size());
        zip_fclose(file);
        entries.push_back(std::move(entry));
    }
    zip_discard(archive);
    return entries;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "veltrano-test-XXXXXX").string();
    require(::mkdtemp(pattern.data()) != nullptr, "cannot make a temporary folder");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

WorkbookFixture& WorkbookFixture::worksheet(std::string name, std::string rowsXml, std::string after,
                                            std::string before, std::string state)
{
    m_sheets.push_back(
        {std::move(name), "worksheet", std::move(rowsXml), std::move(after), std::move(before), std::move(state)});
    return *this;
}

WorkbookFixture& WorkbookFixture::chartsheet(std::string name)
{
    m_sheets.push_back({std::move(name), "chartsheet", {}, {}, {}, {}});
    return *this;
}
WorkbookFixture& WorkbookFixture::dialogsheet(std::string name)
{
    m_sheets.push_back({std::move(name), "dialogsheet", {}, {}, {}, {}});
    return *this;
}
WorkbookFixture& WorkbookFixture::macrosheet(std::string name)
{
    m_sheets.push_back({std::move(name), "macrosheet", {}, {}, {}, {}});
    return *this;
}

WorkbookFixture& WorkbookFixture::sharedStrings(std::vector<std::string> items, std::string countAttributes)
{
    m_strings = std::move(items);
    m_hasStrings = true;
    m_countAttributes = std::move(countAttributes);
    return *this;
}

WorkbookFixture& WorkbookFixture::numFmt(int id, std::string code)
{
    m_numFmts.emplace_back(id, std::move(code));
    return *this;
}
WorkbookFixture& WorkbookFixture::cellXf(int numFmtId, bool locked)
{
    m_xfs.emplace_back(numFmtId, locked);
    return *this;
}
WorkbookFixture& WorkbookFixture::workbookPr(std::string attributes)
{
    m_workbookPr = std::move(attributes);
    return *this;
}
WorkbookFixture& WorkbookFixture::activeTab(int tab)
{
    m_activeTab = tab;
    return *this;
}
WorkbookFixture& WorkbookFixture::definedName(std::string name, std::string formula)
{
    m_definedNames.emplace_back(std::move(name), std::move(formula));
    return *this;
}
WorkbookFixture& WorkbookFixture::strict()
{
    m_strict = true;
    return *this;
}
WorkbookFixture& WorkbookFixture::elementPrefix(std::string p)
{
    m_prefix = std::move(p);
    return *this;
}
WorkbookFixture& WorkbookFixture::mainContentType(std::string type)
{
    m_mainType = std::move(type);
    return *this;
}
WorkbookFixture& WorkbookFixture::extraPart(std::string name, std::string content)
{
    m_extra.emplace_back(std::move(name), std::move(content));
    return *this;
}

std::string WorkbookFixture::relatedPart(int sheet, std::string relTypeShortName, std::string partName,
                                         std::string content, std::string contentType)
{
    std::string id = "rIdX" + std::to_string(m_related.size() + 1);
    m_related.push_back(
        {sheet, id, std::move(relTypeShortName), std::move(partName), std::move(content), std::move(contentType)});
    return id;
}

std::string WorkbookFixture::mainNs() const
{
    return m_strict ? kStrictMain : kTransitionalMain;
}
std::string WorkbookFixture::relNs() const
{
    return m_strict ? kStrictRel : kTransitionalRel;
}
std::string WorkbookFixture::el(const std::string& local) const
{
    return m_prefix.empty() ? local : m_prefix + ":" + local;
}

Parts WorkbookFixture::parts() const
{
    const std::string nsDecl =
        (m_prefix.empty() ? " xmlns=\"" : " xmlns:" + m_prefix + "=\"") + mainNs() + "\" xmlns:r=\"" + relNs() + "\"";
    auto relType = [&](const std::string& shortName) {
        if (shortName.starts_with("http"))
            return shortName;
        if (shortName == "xlMacrosheet")
            return std::string("http://schemas.microsoft.com/office/2006/relationships/xlMacrosheet");
        return relNs() + "/" + shortName;
    };
    auto relationship = [&](const std::string& id, const std::string& type, const std::string& target) {
        return "<Relationship Id=\"" + id + "\" Type=\"" + relType(type) + "\" Target=\"" + target + "\"/>";
    };

    std::string types =
        std::string(kDecl)
        + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
          "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
          "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
          "<Override PartName=\"/xl/workbook.xml\" ContentType=\""
        + m_mainType
        + "\"/>"
          "<Override PartName=\"/xl/styles.xml\" ContentType=\""
        + kCt + "styles+xml\"/>";
    std::string workbook = std::string(kDecl) + "<" + el("workbook") + nsDecl + ">";
    if (!m_workbookPr.empty())
        workbook += "<" + el("workbookPr") + " " + m_workbookPr + "/>";
    if (m_activeTab >= 0)
        workbook += "<" + el("bookViews") + "><" + el("workbookView") + " activeTab=\"" + std::to_string(m_activeTab)
                    + "\"/></" + el("bookViews") + ">";
    workbook += "<" + el("sheets") + ">";
    std::string rels =
        std::string(kDecl) + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    Parts parts;
    Parts sheetParts;
    int counters[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < m_sheets.size(); ++i) {
        const Sheet& s = m_sheets[i];
        std::string id = "rId" + std::to_string(i + 1);
        workbook += "<" + el("sheet") + " name=\"" + s.name + "\" sheetId=\"" + std::to_string(i + 1) + "\""
                    + (s.state.empty() ? "" : " state=\"" + s.state + "\"") + " r:id=\"" + id + "\"/>";
        std::string folder, root, type, ct;
        int k = s.kind == "worksheet" ? 0 : s.kind == "chartsheet" ? 1 : s.kind == "dialogsheet" ? 2 : 3;
        static const char* folders[] = {"worksheets", "chartsheets", "dialogsheets", "macrosheets"};
        std::string part = std::string("xl/") + folders[k] + "/sheet" + std::to_string(++counters[k]) + ".xml";
        std::string content;
        if (k == 0) {
            content = std::string(kDecl) + "<" + el("worksheet") + nsDecl + ">" + s.before + "<" + el("sheetData") + ">"
                      + s.rows + "</" + el("sheetData") + ">" + s.after + "</" + el("worksheet") + ">";
            ct = std::string(kCt) + "worksheet+xml";
        } else if (k == 1) {
            content = std::string(kDecl) + "<chartsheet xmlns=\"" + mainNs()
                      + "\"><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews></chartsheet>";
            ct = std::string(kCt) + "chartsheet+xml";
        } else if (k == 2) {
            content = std::string(kDecl) + "<dialogsheet xmlns=\"" + mainNs() + "\"/>";
            ct = std::string(kCt) + "dialogsheet+xml";
        } else {
            content = std::string(kDecl)
                      + "<xm:macrosheet xmlns:xm=\"http://schemas.microsoft.com/office/excel/2006/main\"/>";
            ct = "application/vnd.ms-excel.macrosheet+xml";
        }
        static const char* relTypes[] = {"worksheet", "chartsheet", "dialogsheet", "xlMacrosheet"};
        rels += relationship(id, relTypes[k], part.substr(3));
        types += "<Override PartName=\"/" + part + "\" ContentType=\"" + ct + "\"/>";
        sheetParts.emplace_back(part, content);

        std::string sheetRels;
        for (const auto& r : m_related)
            if (r.sheet == int(i + 1))
                sheetRels += relationship(r.id, r.type, "/" + r.part);
        if (!sheetRels.empty()) {
            std::string relsPart = part.substr(0, part.rfind('/')) + "/_rels" + part.substr(part.rfind('/')) + ".rels";
            sheetParts.emplace_back(
                relsPart, std::string(kDecl)
                              + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                              + sheetRels + "</Relationships>");
        }
    }
    workbook += "</" + el("sheets") + ">";
    if (!m_definedNames.empty()) {
        workbook += "<" + el("definedNames") + ">";
        for (const auto& [name, formula] : m_definedNames)
            workbook += "<" + el("definedName") + " name=\"" + name + "\">" + formula + "</" + el("definedName") + ">";
        workbook += "</" + el("definedNames") + ">";
    }
    workbook += "</" + el("workbook") + ">";

    rels += relationship("rIdStyles", "styles", "styles.xml");
    if (m_hasStrings) {
        rels += relationship("rIdStrings", "sharedStrings", "sharedStrings.xml");
        types +=
            "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"" + std::string(kCt) + "sharedStrings+xml\"/>";
    }
    for (const auto& r : m_related) {
        if (r.sheet == 0)
            rels += relationship(r.id, r.type, "/" + r.part);
        types += "<Override PartName=\"/" + r.part + "\" ContentType=\"" + r.contentType + "\"/>";
    }
    rels += "</Relationships>";
    types += "</Types>";

    std::string styles = std::string(kDecl) + "<styleSheet xmlns=\"" + mainNs() + "\">";
    if (!m_numFmts.empty()) {
        styles += "<numFmts count=\"" + std::to_string(m_numFmts.size()) + "\">";
        for (const auto& [id, code] : m_numFmts)
            styles += "<numFmt numFmtId=\"" + std::to_string(id) + "\" formatCode=\"" + code + "\"/>";
        styles += "</numFmts>";
    }
    styles += "<cellXfs>";
    auto xfs = m_xfs.empty() ? std::vector<std::pair<int, bool>>{{0, true}} : m_xfs;
    for (const auto& [id, locked] : xfs)
        styles += "<xf numFmtId=\"" + std::to_string(id) + "\"" + (locked ? "/>" : "><protection locked=\"0\"/></xf>");
    styles += "</cellXfs></styleSheet>";

    parts.emplace_back("[Content_Types].xml", types);
    parts.emplace_back("_rels/.rels",
                       std::string(kDecl)
                           + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                           + relationship("rId1", "officeDocument", "xl/workbook.xml") + "</Relationships>");
    parts.emplace_back("xl/workbook.xml", workbook);
    parts.emplace_back("xl/_rels/workbook.xml.rels", rels);
    for (auto& p : sheetParts)
        parts.push_back(std::move(p));
    parts.emplace_back("xl/styles.xml", styles);
    if (m_hasStrings) {
        std::string sst = std::string(kDecl) + "<" + el("sst") + " xmlns" + (m_prefix.empty() ? "" : ":" + m_prefix)
                          + "=\"" + mainNs() + "\"" + (m_countAttributes.empty() ? "" : " " + m_countAttributes) + ">";
        for (const auto& item : m_strings)
            sst += "<" + el("si") + ">" + item + "</" + el("si") + ">";
        sst += "</" + el("sst") + ">";
        parts.emplace_back("xl/sharedStrings.xml", sst);
    }
    for (const auto& r : m_related)
        parts.emplace_back(r.part, r.content);
    for (const auto& p : m_extra)
        parts.push_back(p);
    return parts;
}

std::filesystem::path WorkbookFixture::write(const std::filesystem::path& path, ZipStyle style) const
{
    writeZip(path, parts(), style);
    return path;
}

}  // namespace veltrano::spreadsheet::testing
