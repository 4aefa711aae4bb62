#pragma once
// A zip package held in memory (libzip underneath): bounded reads of its entries, and a
// rebuild that copies untouched entries with their original compressed bytes, names and order.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "spreadsheet/result.h"

namespace veltrano::spreadsheet {

// Entries larger than this, or deflated beyond kMaxCompressionRatio, are refused.
inline constexpr std::uint64_t kMaxEntryBytes = 2ull << 30;
inline constexpr std::uint64_t kMaxCompressionRatio = 1000;
inline constexpr std::size_t kMaxEntries = 65535;
// All reads from one package together, uncompressed, are refused past this: twice the
// largest part a workbook may have (kMaxPartBytes), which keeps a save, holding the parts and
// an edited part's new text at once, within memory.
inline constexpr std::uint64_t kMaxTotalReadBytes = 512ull << 20;

struct ZipEntry {
    std::string name;  // as stored, e.g. "xl/workbook.xml"
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
    bool isDirectory = false;
};

class ZipArchive {
public:
    // Opens a zip held in bytes. label names the file in error messages.
    static Result<ZipArchive> open(std::string bytes, std::string label);

    ZipArchive(ZipArchive&&) noexcept;
    ZipArchive& operator=(ZipArchive&&) noexcept;
    ~ZipArchive();

    const std::vector<ZipEntry>& entries() const;

    // The whole zip as it was opened.
    const std::string& bytes() const;

    // Index of the entry with this name, compared case-insensitively as package part names
    // are; a leading '/' is ignored. nullopt when absent.
    std::optional<std::size_t> find(std::string_view name) const;

    // The uncompressed bytes of one entry, refused past the size and ratio limits, past
    // kMaxTotalReadBytes with what was read before, or when the data does not match its checksum.
    Result<std::string> read(std::size_t index) const;

    struct Changes {
        std::map<std::size_t, std::string> replaced;  // entry index → new content
        std::set<std::size_t> removed;
        std::vector<std::pair<std::string, std::string>> added;  // name → content, appended
    };

    // The bytes of a new zip: every entry not named in changes copied as it is, replaced
    // entries deflated anew in their places, removed ones left out, added ones at the end.
    Result<std::string> rebuild(const Changes& changes) const;

private:
    struct Impl;
    explicit ZipArchive(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace veltrano::spreadsheet
