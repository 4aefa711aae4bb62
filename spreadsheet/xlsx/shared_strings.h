#pragma once
// The workbook's shared strings: the displayed text of each <si>, and new strings appended
// for written cells (existing entries are never edited: cells elsewhere share them).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "spreadsheet/internal/part_place.h"
#include "spreadsheet/result.h"

namespace veltrano::spreadsheet {

class SharedStrings {
public:
    // An empty table, for a workbook without a sharedStrings part.
    SharedStrings() = default;

    // Parses a sharedStrings part. Rich text is the concatenation of its runs, phonetic runs
    // left out, _xHHHH_ escapes decoded.
    static Result<SharedStrings> parse(std::string xml, const PartPlace& where);

    std::size_t size() const { return m_offsets.size() - 1 + m_added.size(); }
    // The text of entry index (< size()).
    std::string_view at(std::size_t index) const;

    // The index of a new plain entry with this text, appended once per distinct text.
    std::uint32_t add(std::string_view text);
    bool hasAdditions() const { return !m_added.empty(); }

    // The part with the new entries appended and its count attributes updated; countDelta is
    // the change in the number of cells that refer to the table. Everything else stays byte
    // for byte. mainUri is the namespace for a part made from nothing (when xml was empty).
    std::string serialize(std::int64_t countDelta, std::string_view mainUri) const;

private:
    std::string m_xml;
    std::string m_arena;
    std::vector<std::uint32_t> m_offsets{0};
    // New texts live in fixed chunks, so the views of them stay valid as more are added and
    // each text is stored once.
    class Arena {
    public:
        std::string_view store(std::string_view text);

    private:
        std::vector<std::unique_ptr<char[]>> m_chunks;
        std::size_t m_used = 0;
        std::size_t m_capacity = 0;
    };
    Arena m_addedArena;
    std::vector<std::string_view> m_added;
    std::unordered_map<std::string_view, std::uint32_t> m_addedIndex;

    // Where the original part is edited.
    std::string m_prefix;             // element prefix with ':' or ""
    std::size_t m_startTagBegin = 0;  // <sst ...>
    std::size_t m_startTagEnd = 0;
    std::size_t m_endTagBegin = 0;  // </sst>, or the "/>" of an empty <sst/>
    bool m_emptyElement = false;
    struct Number {
        std::size_t offset = 0, length = 0;
        std::int64_t value = 0;
        bool present = false;
    };
    Number m_count, m_uniqueCount;
};

}  // namespace veltrano::spreadsheet
