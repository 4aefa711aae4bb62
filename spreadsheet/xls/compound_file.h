#pragma once
// An OLE compound file held in memory (libgsf underneath): every storage and stream read with
// its class id, and a rewrite that copies them all but one replaced stream.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/result.h"

namespace veltrano::spreadsheet::xls {

// Streams and storages past this many, or nested deeper, are refused as damaged.
inline constexpr std::size_t kMaxCompoundEntries = 100000;
inline constexpr int kMaxCompoundDepth = 64;

struct CompoundEntry {
    std::string name;  // UTF-8, as libgsf gives it ("Workbook", "\x05SummaryInformation")
    bool isStorage = false;
    std::array<std::uint8_t, 16> classId{};
    std::string data;                     // a stream's bytes
    std::vector<CompoundEntry> children;  // a storage's entries, in directory order
};

class CompoundFile {
public:
    // Reads every entry of a compound file; Damaged, naming label, when it cannot be read.
    static Result<CompoundFile> read(const std::string& bytes, const std::string& label);

    // A compound file holding these entries, to be written out.
    static CompoundFile fromRoot(CompoundEntry root, std::string label);

    const CompoundEntry& root() const { return m_root; }
    // The stream or storage with this name directly under the root, or null.
    const CompoundEntry* find(std::string_view name) const;

    // A new compound file holding every entry as read, with the root stream named stream
    // holding content instead.
    Result<std::string> write(std::string_view stream, const std::string& content) const;

private:
    CompoundEntry m_root;
    std::string m_label;
};

}  // namespace veltrano::spreadsheet::xls
