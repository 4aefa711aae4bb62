#pragma once
// Builds small workbook files for tests: the parts a minimal package needs, plus whatever a
// test adds or replaces, written as a zip (deflated, stored, or with data descriptors).

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace veltrano::spreadsheet::testing {

using Parts = std::vector<std::pair<std::string, std::string>>;

enum class ZipStyle {
    Deflated,
    Stored,
    DataDescriptors
};

// Writes parts, in order, as a zip file.
void writeZip(const std::filesystem::path& path, const Parts& parts, ZipStyle style = ZipStyle::Deflated);

// Reads every entry of a zip (name → uncompressed content), in order.
Parts readZip(const std::filesystem::path& path);

// The raw (compressed) bytes and CRC of each entry, for checking that a copy is exact.
struct RawEntry {
    std::string name;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::string compressed;
};
std::vector<RawEntry> readRawZip(const std::filesystem::path& path);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// A fresh folder under the system temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

class WorkbookFixture {
public:
    // A worksheet whose <sheetData> holds rowsXml; before/after go around sheetData inside
    // <worksheet> (e.g. sheetProtection, tableParts).
    WorkbookFixture& worksheet(std::string name, std::string rowsXml, std::string after = {}, std::string before = {},
                               std::string state = {});
    WorkbookFixture& chartsheet(std::string name);
    WorkbookFixture& dialogsheet(std::string name);
    WorkbookFixture& macrosheet(std::string name);

    // Shared strings, each given as the inside of an <si> ("<t>text</t>" or runs).
    WorkbookFixture& sharedStrings(std::vector<std::string> items, std::string countAttributes = {});
    // Custom number formats and cell formats (numFmtId, locked).
    WorkbookFixture& numFmt(int id, std::string code);
    WorkbookFixture& cellXf(int numFmtId, bool locked = true);

    WorkbookFixture& workbookPr(std::string attributes);
    WorkbookFixture& activeTab(int tab);
    WorkbookFixture& definedName(std::string name, std::string formula);
    WorkbookFixture& strict();                      // Strict namespaces throughout
    WorkbookFixture& elementPrefix(std::string p);  // e.g. "x" for <x:worksheet xmlns:x=...>
    WorkbookFixture& mainContentType(std::string type);

    // An extra part with a content-type override, related from a worksheet (1-based index
    // among all sheets) or from the workbook (sheet 0). Returns the relationship id.
    std::string relatedPart(int sheet, std::string relTypeShortName, std::string partName, std::string content,
                            std::string contentType);
    WorkbookFixture& extraPart(std::string name, std::string content);

    Parts parts() const;
    std::filesystem::path write(const std::filesystem::path& path, ZipStyle style = ZipStyle::Deflated) const;

private:
    struct Sheet {
        std::string name, kind, rows, after, before, state;
    };
    struct Related {
        int sheet;
        std::string id, type, part, content, contentType;
    };
    std::string mainNs() const;
    std::string relNs() const;
    std::string el(const std::string& local) const;

    std::vector<Sheet> m_sheets;
    std::vector<std::string> m_strings;
    bool m_hasStrings = false;
    std::string m_countAttributes;
    std::vector<std::pair<int, std::string>> m_numFmts;
    std::vector<std::pair<int, bool>> m_xfs;
    std::string m_workbookPr;
    int m_activeTab = -1;
    std::vector<std::pair<std::string, std::string>> m_definedNames;
    bool m_strict = false;
    std::string m_prefix;
    std::string m_mainType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
    std::vector<Related> m_related;
    Parts m_extra;
};

}  // namespace veltrano::spreadsheet::testing
