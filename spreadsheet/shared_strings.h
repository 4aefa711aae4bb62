#pragma once
// The workbook's shared strings: the displayed text of each <si>, and new strings appended
// for written cells (existing entries are never edited: cells elsewhere share them).

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "spreadsheet/result.h"

namespace veltrano::spreadsheet {

class SharedStrings {
public:
    // An empty table, for a workbook without a sharedStrings part.
    SharedStrings() = default;

    // Parses a sharedStrings part. Rich text is the concatenation of its runs, phonetic runs
    // left out, _xHHHH_ escapes decoded.
    static Result<SharedStrings> parse(std::string xml, const std::string& where);

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
    std::vector<std::string> m_added;
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> m_addedIndex;

    // Where the original part is edited.
    std::string m_prefix;               // element prefix with ':' or ""
    std::size_t m_startTagBegin = 0;    // <sst ...>
    std::size_t m_startTagEnd = 0;
    std::size_t m_endTagBegin = 0;      // </sst>, or the "/>" of an empty <sst/>
    bool m_emptyElement = false;
    struct Number {
        std::size_t offset = 0, length = 0;
        std::int64_t value = 0;
        bool present = false;
    };
    Number m_count, m_uniqueCount;
};

}  // namespace veltrano::spreadsheet
