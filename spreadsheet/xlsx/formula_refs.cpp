#include "spreadsheet/xlsx/formula_refs.h"

#include <optional>

#include "spreadsheet/cell_ref.h"
#include "spreadsheet/cell_types.h"
#include "spreadsheet/internal/utf8.h"

namespace veltrano::spreadsheet {

namespace {

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isWordChar(char c)
{
    return isLetter(c) || isDigit(c) || c == '_' || c == '.' || c == '$' || c == '\\' || c == '?'
           || static_cast<unsigned char>(c) >= 0x80;
}

// One coordinate of a reference: a column (letters) or a row (digits), maybe $-anchored.
struct Part {
    bool absolute = false;
    int value = 0;
};

// A token such as "$B$7" (cell), "$B" (column) or "7" (row).
struct RefToken {
    std::optional<Part> column;
    std::optional<Part> row;
};

std::optional<RefToken> parseRefToken(std::string_view token)
{
    RefToken ref;
    const std::size_t split = columnPartLength(token);
    const std::string_view columnPart = token.substr(0, split);
    const std::string_view rowPart = token.substr(split);
    if (!columnPart.empty()) {
        const auto column = parseColumnName(columnPart);
        if (!column)
            return std::nullopt;
        ref.column = Part{columnPart.front() == '$', *column};
    }
    if (!rowPart.empty()) {
        const auto row = parseRowNumber(rowPart);  // "B$" is no reference
        if (!row)
            return std::nullopt;
        ref.row = Part{rowPart.front() == '$', *row};
    }
    if (!ref.column && !ref.row)
        return std::nullopt;
    return ref;
}

// Moves a token; false when it leaves the sheet.
bool shiftToken(RefToken& ref, int rowDelta, int columnDelta)
{
    if (ref.column && !ref.column->absolute) {
        ref.column->value += columnDelta;
        if (ref.column->value < 1 || ref.column->value > kMaxColumns)
            return false;
    }
    if (ref.row && !ref.row->absolute) {
        ref.row->value += rowDelta;
        if (ref.row->value < 1 || ref.row->value > kMaxRows)
            return false;
    }
    return true;
}

std::string writeToken(const RefToken& ref)
{
    std::string out;
    if (ref.column) {
        if (ref.column->absolute)
            out += '$';
        out += columnName(ref.column->value);
    }
    if (ref.row) {
        if (ref.row->absolute)
            out += '$';
        out += std::to_string(ref.row->value);
    }
    return out;
}

bool isCell(const RefToken& r)
{
    return r.column && r.row;
}
bool isColumnOnly(const RefToken& r)
{
    return r.column && !r.row;
}
bool isRowOnly(const RefToken& r)
{
    return r.row && !r.column;
}

class Shifter {
public:
    Shifter(std::string_view formula, int rowDelta, int columnDelta)
        : m_in(formula),
          m_rowDelta(rowDelta),
          m_columnDelta(columnDelta)
    {}

    std::string run()
    {
        while (m_pos < m_in.size()) {
            char c = m_in[m_pos];
            if (c == '"')
                copyQuoted('"');
            else if (c == '\'')
                copyQuoted('\'');
            else if (c == '[')
                copyBrackets();
            else if (c == '#')
                copyErrorLiteral();
            else if (isWordChar(c))
                handleWord();
            else
                m_out += m_in[m_pos++];
        }
        return m_out;
    }

private:
    void copyQuoted(char quote)
    {
        std::size_t start = m_pos++;
        while (m_pos < m_in.size()) {
            if (m_in[m_pos] == quote) {
                if (m_pos + 1 < m_in.size() && m_in[m_pos + 1] == quote) {
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                break;
            }
            ++m_pos;
        }
        m_out.append(m_in.substr(start, m_pos - start));
    }

    void copyBrackets()
    {
        std::size_t start = m_pos;
        int depth = 0;
        while (m_pos < m_in.size()) {
            char c = m_in[m_pos];
            if (c == '\'' && m_pos + 1 < m_in.size()) {
                m_pos += 2;
                continue;
            }
            ++m_pos;
            if (c == '[')
                ++depth;
            else if (c == ']' && --depth == 0)
                break;
        }
        m_out.append(m_in.substr(start, m_pos - start));
    }

    void copyErrorLiteral()
    {
        std::size_t start = m_pos++;
        while (m_pos < m_in.size() && (isLetter(m_in[m_pos]) || isDigit(m_in[m_pos]) || m_in[m_pos] == '/'))
            ++m_pos;
        if (m_pos < m_in.size() && (m_in[m_pos] == '!' || m_in[m_pos] == '?'))
            ++m_pos;
        m_out.append(m_in.substr(start, m_pos - start));
    }

    std::string_view readWord()
    {
        std::size_t start = m_pos;
        while (m_pos < m_in.size() && isWordChar(m_in[m_pos]))
            ++m_pos;
        return m_in.substr(start, m_pos - start);
    }

    char peek() const { return m_pos < m_in.size() ? m_in[m_pos] : '\0'; }

    void handleWord()
    {
        std::string_view word = readWord();
        char after = peek();
        if (after == '!' || after == '(' || (isDigit(word.front()) && word.find('.') != std::string_view::npos)) {
            m_out.append(word);  // a sheet name, a function, or a decimal number
            return;
        }
        auto first = parseRefToken(word);
        if (!first) {
            m_out.append(word);
            return;
        }
        // A range "A1:B2", "A:C" or "1:3" moves as one: if either end leaves the sheet the
        // whole range becomes #REF!.
        if (after == ':') {
            std::size_t save = m_pos;
            ++m_pos;
            std::string_view secondWord = readWord();
            auto second = parseRefToken(secondWord);
            bool sameShape = second
                             && ((isCell(*first) && isCell(*second)) || (isColumnOnly(*first) && isColumnOnly(*second))
                                 || (isRowOnly(*first) && isRowOnly(*second)));
            if (sameShape && peek() != '(' && peek() != '!') {
                bool firstOk = shiftToken(*first, m_rowDelta, m_columnDelta);
                bool secondOk = shiftToken(*second, m_rowDelta, m_columnDelta);
                bool ok = firstOk && secondOk;
                m_out += ok ? writeToken(*first) + ":" + writeToken(*second) : std::string("#REF!");
                return;
            }
            m_pos = save;
        }
        if (!isCell(*first)) {
            m_out.append(word);  // a lone column or row token is a name or a number
            return;
        }
        m_out += shiftToken(*first, m_rowDelta, m_columnDelta) ? writeToken(*first) : std::string("#REF!");
    }

    std::string_view m_in;
    int m_rowDelta;
    int m_columnDelta;
    std::size_t m_pos = 0;
    std::string m_out;
};

}  // namespace

std::string shiftFormula(std::string_view formula, int rowDelta, int columnDelta)
{
    return Shifter(formula, rowDelta, columnDelta).run();
}

std::string bracketNameKey(std::string_view name)
{
    while (!name.empty() && (name.front() == '@' || name.front() == ' '))
        name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return utf8::foldCase(name);
}

void collectBracketNames(std::string_view formula, std::set<std::string>& names)
{
    std::size_t open = std::string_view::npos;
    std::string current;
    for (std::size_t pos = 0; pos < formula.size(); ++pos) {
        char c = formula[pos];
        if (c == '\'' && open != std::string_view::npos && pos + 1 < formula.size()) {
            current += formula[++pos];
            continue;
        }
        if (c == '[') {
            open = pos;
            current.clear();
        } else if (c == ']') {
            if (open != std::string_view::npos) {
                std::string key = bracketNameKey(current);
                if (!key.empty())
                    names.insert(std::move(key));
            }
            open = std::string_view::npos;
        } else if (open != std::string_view::npos) {
            current += c;
        }
    }
}

}  // namespace veltrano::spreadsheet
