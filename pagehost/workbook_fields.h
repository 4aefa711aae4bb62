#pragma once
// The fields a workbook may come from (HR, hospitality, insurance...): a word of a field's
// workbook may take another translation than it takes elsewhere ("Bajas" in a payroll sheet is
// "Leavers"). The field is guessed from the words of a request's texts together, and told to the
// pipeline by a word of its own sent before each segment, which its grammar takes out.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veltrano::pagehost {

// What the vocabulary build puts after the lemma of a word a field renames ("baja_vfhrpayroll");
// a translation that shows it has a reading the field's entry did not reach.
inline constexpr std::string_view kRenamedMark = "_vf";

class WorkbookFields {
public:
    // From the table the vocabulary build writes: a line a field, "code<TAB>marker<TAB>words"
    // with the words that tell the field separated by spaces, each as "word:share" (how much it
    // tells this field rather than others, up to 1), and optionally "<TAB>cells", the cells the
    // glossary would translate whole that are the field's to translate, separated by "|"; the
    // line with no code gives the marker of no field. Malformed lines and words are left out.
    explicit WorkbookFields(std::string_view table);

    bool knows(std::string_view code) const;

    // The field the texts' words tell, "" when none stands out from the others.
    std::string guess(const std::vector<std::string>& texts) const;

    // Whether cell, in any case, is one the glossary leaves to a workbook of the field code.
    bool leavesToField(std::string_view code, std::string_view cell) const;

    // The word to send before a segment of texts of the field code (the marker of no field for
    // "" or a code it does not know); "" when the table gave no markers.
    std::string markerOf(std::string_view code) const;

private:
    std::vector<std::string> m_codes;
    std::vector<std::string> m_markers;
    std::string m_noFieldMarker;
    std::vector<std::vector<std::string>> m_cellsLeft;  // by field, in small letters
    // The fields (indexes into m_codes) that each telling word, in small letters, tells, with its share.
    std::unordered_map<std::string, std::vector<std::pair<std::size_t, double>>> m_fieldsOfWord;
};

}  // namespace veltrano::pagehost
