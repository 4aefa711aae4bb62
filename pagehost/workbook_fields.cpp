#include "pagehost/workbook_fields.h"

#include "pagehost/text_shape.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_set>

namespace veltrano::pagehost {
namespace {

// A field is taken when its words' shares add up to at least this, and to at least twice the
// next field's: a request of labels from all over (or a single short cell) tells no field, and
// then every word keeps its usual translation.
constexpr double kMinScore = 2.0;
constexpr double kMinLead = 2.0;

void addWordsOf(std::string_view text, std::unordered_set<std::string>& words)
{
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && !isLetterByte(text[i]))
            ++i;
        const std::size_t begin = i;
        while (i < text.size() && isLetterByte(text[i]))
            ++i;
        if (i > begin)
            words.insert(foldCase(text.substr(begin, i - begin)));
    }
}

}  // namespace

WorkbookFields::WorkbookFields(std::string_view table)
{
    for (const auto line : splitAt(table, '\n')) {
        const auto columns = splitAt(line, '\t');
        if ((columns.size() != 3 && columns.size() != 4) || columns[1].empty())
            continue;
        if (columns[0].empty()) {
            m_noFieldMarker = std::string(columns[1]);
            continue;
        }
        const std::size_t field = m_codes.size();
        m_codes.emplace_back(columns[0]);
        m_markers.emplace_back(columns[1]);
        auto& cells = m_cellsLeft.emplace_back();
        if (columns.size() == 4) {
            for (const auto cell : splitAt(columns[3], '|')) {
                if (!cell.empty())
                    cells.push_back(foldCase(cell));
            }
        }
        for (const auto item : splitAt(columns[2], ' ')) {
            const std::size_t colon = item.rfind(':');
            if (colon == std::string_view::npos || colon == 0)
                continue;
            const std::string share(item.substr(colon + 1));
            char* end = nullptr;
            const double value = std::strtod(share.c_str(), &end);
            if (end == share.c_str() || *end != '\0' || !(value > 0.0 && value <= 1.0))
                continue;
            m_fieldsOfWord[std::string(item.substr(0, colon))].emplace_back(field, value);
        }
    }
}

bool WorkbookFields::knows(std::string_view code) const
{
    return std::find(m_codes.begin(), m_codes.end(), code) != m_codes.end();
}

std::string WorkbookFields::guess(const std::vector<std::string>& texts) const
{
    std::unordered_set<std::string> words;
    for (const auto& text : texts)
        addWordsOf(text, words);
    std::vector<double> scores(m_codes.size(), 0.0);
    for (const auto& word : words) {
        const auto found = m_fieldsOfWord.find(word);
        if (found == m_fieldsOfWord.end())
            continue;
        for (const auto& [field, share] : found->second)
            scores[field] += share;
    }
    if (scores.empty())
        return {};
    const auto best = std::max_element(scores.begin(), scores.end());
    double second = 0.0;
    for (auto score = scores.begin(); score != scores.end(); ++score) {
        if (score != best)
            second = std::max(second, *score);
    }
    if (*best < kMinScore || *best < kMinLead * second)
        return {};
    return m_codes[static_cast<std::size_t>(best - scores.begin())];
}

bool WorkbookFields::leavesToField(std::string_view code, std::string_view cell) const
{
    const auto found = std::find(m_codes.begin(), m_codes.end(), code);
    if (found == m_codes.end())
        return false;
    const auto& cells = m_cellsLeft[static_cast<std::size_t>(found - m_codes.begin())];
    return std::find(cells.begin(), cells.end(), foldCase(cell)) != cells.end();
}

std::string WorkbookFields::markerOf(std::string_view code) const
{
    const auto found = std::find(m_codes.begin(), m_codes.end(), code);
    return found == m_codes.end() ? m_noFieldMarker : m_markers[static_cast<std::size_t>(found - m_codes.begin())];
}

}  // namespace veltrano::pagehost
