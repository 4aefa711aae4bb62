#include "spreadsheet/numfmt/section_tokenizer.h"

#include "spreadsheet/numfmt/section_splitter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <limits>

namespace veltrano::numfmt::detail {

namespace {

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool isHexDigit(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// The symbol of a [$symbol-locale] tag: what comes before a trailing "-hex" locale id.
// Locale-only tags ([$-409], [$-F800], [$-x-sysdate]) have none.
std::string_view currencySymbol(std::string_view body)
{
    if (body.starts_with('-'))
        return {};
    const auto dash = body.rfind('-');
    if (dash == std::string_view::npos || dash + 1 == body.size())
        return body;
    for (std::size_t i = dash + 1; i < body.size(); ++i) {
        if (!isHexDigit(body[i]))
            return body;
    }
    return body.substr(0, dash);
}

std::optional<Condition> parseCondition(std::string_view text)
{
    Condition condition;
    std::size_t length = 1;
    if (text.starts_with("<=")) {
        condition.op = CompareOp::LessEqual;
        length = 2;
    } else if (text.starts_with(">=")) {
        condition.op = CompareOp::GreaterEqual;
        length = 2;
    } else if (text.starts_with("<>")) {
        condition.op = CompareOp::NotEqual;
        length = 2;
    } else if (text[0] == '<') {
        condition.op = CompareOp::Less;
    } else if (text[0] == '>') {
        condition.op = CompareOp::Greater;
    } else {
        condition.op = CompareOp::Equal;
    }
    auto number = text.substr(length);
    while (!number.empty() && number.front() == ' ')
        number.remove_prefix(1);
    while (!number.empty() && number.back() == ' ')
        number.remove_suffix(1);
    const char* first = number.data();
    const char* last = number.data() + number.size();
    if (!number.empty() && *first == '+')
        ++first;
    const auto result = std::from_chars(first, last, condition.operand);
    if (result.ec != std::errc() || result.ptr != last)
        return std::nullopt;
    return condition;
}

class Tokenizer {
public:
    Tokenizer(std::string_view source, TokenMode mode)
        : m_source(source),
          m_mode(mode)
    {}

    std::optional<Section> run()
    {
        while (m_pos < m_source.size()) {
            if (!step())
                return std::nullopt;
        }
        return std::move(m_section);
    }

private:
    bool step()
    {
        const char c = m_source[m_pos];
        switch (c) {
        case '"':
            return readQuoted();
        case '\\':
            if (++m_pos == m_source.size())
                return false;  // an escape with nothing to escape
            addLiteral(takeCharacter());
            return true;
        case '_':
            if (++m_pos == m_source.size())
                return false;
            takeCharacter();
            add(TokenKind::Space);
            return true;
        case '*':
            // Fill: Excel repeats the character to the column's width; the text keeps none of it.
            if (++m_pos == m_source.size())
                return false;
            takeCharacter();
            return true;
        case '[':
            return readBracket();
        case '@':
            ++m_pos;
            add(TokenKind::Text);
            return true;
        default:
            break;
        }
        if (matchWord("General")) {
            add(TokenKind::General);
            return true;
        }
        if (m_mode == TokenMode::Text || !readValueCode(c))
            addLiteral(takeCharacter());
        return true;
    }

    // Placeholders, date and time codes and the characters that the layout interprets.
    bool readValueCode(char c)
    {
        const char l = lower(c);
        if (l == 'e' && m_pos + 1 < m_source.size() && (m_source[m_pos + 1] == '+' || m_source[m_pos + 1] == '-')) {
            add(TokenKind::Exponent, c, 0, m_source[m_pos + 1] == '+');
            m_pos += 2;
            return true;
        }
        if (l == 'a') {
            if (matchWord("AM/PM")) {
                add(TokenKind::AmPm);
                return true;
            }
            if (matchWord("A/P")) {
                add(TokenKind::AP, 0, 0, c == 'a');
                return true;
            }
            return false;
        }
        if (c == 'B' && m_pos + 1 < m_source.size() && (m_source[m_pos + 1] == '1' || m_source[m_pos + 1] == '2')) {
            add(TokenKind::Calendar, 0, 0, m_source[m_pos + 1] == '2');
            m_pos += 2;
            return true;
        }
        switch (l) {
        case 'y': {
            const auto run = takeRun(l);
            add(run <= 2 ? TokenKind::Year2 : TokenKind::Year4);
            return true;
        }
        case 'b': {
            const auto run = takeRun(l);
            add(run <= 2 ? TokenKind::BuddhistYear2 : TokenKind::BuddhistYear4);
            return true;
        }
        case 'm':
            add(TokenKind::MonthRun, 0, takeRun(l));
            return true;
        case 'd': {
            const auto run = takeRun(l);
            static constexpr std::array<TokenKind, 4> kinds = {TokenKind::Day, TokenKind::Day2, TokenKind::WeekdayAbbr,
                                                               TokenKind::WeekdayName};
            add(kinds[std::min<std::size_t>(run, 4) - 1]);
            return true;
        }
        case 'h':
            add(takeRun(l) == 1 ? TokenKind::Hour : TokenKind::Hour2);
            return true;
        case 's':
            add(takeRun(l) == 1 ? TokenKind::Second : TokenKind::Second2);
            return true;
        case '0':
        case '#':
        case '?':
            ++m_pos;
            add(TokenKind::Digit, c);
            return true;
        case '.':
            ++m_pos;
            add(TokenKind::DecimalPoint, c);
            return true;
        case ',':
            ++m_pos;
            add(TokenKind::Comma, c);
            return true;
        case '%':
            ++m_pos;
            add(TokenKind::Percent, c);
            return true;
        case '/':
            ++m_pos;
            add(TokenKind::Slash, c);
            return true;
        default:
            break;
        }
        if (c >= '1' && c <= '9') {
            // Kept apart from other literals: after a fraction bar it is a fixed denominator.
            ++m_pos;
            addLiteral(std::string_view(&m_source[m_pos - 1], 1), c);
            return true;
        }
        return false;
    }

    bool readQuoted()
    {
        const auto close = m_source.find('"', m_pos + 1);
        if (close == std::string_view::npos)
            return false;
        addLiteral(m_source.substr(m_pos + 1, close - m_pos - 1));
        m_pos = close + 1;
        return true;
    }

    bool readBracket()
    {
        const auto close = m_source.find(']', m_pos + 1);
        if (close == std::string_view::npos)
            return false;
        const auto content = m_source.substr(m_pos + 1, close - m_pos - 1);
        m_pos = close + 1;
        if (content.empty())
            return true;
        if (content[0] == '$') {
            addLiteral(currencySymbol(content.substr(1)));
            return true;
        }
        if (content[0] == '<' || content[0] == '>' || content[0] == '=') {
            auto condition = parseCondition(content);
            if (!condition)
                return false;
            if (!m_section.hasCondition && m_mode == TokenMode::Value) {
                m_section.hasCondition = true;
                m_section.condition = *condition;
            }
            return true;
        }
        if (m_mode == TokenMode::Value && isElapsed(content)) {
            const auto kind = lower(content[0]) == 'h'   ? TokenKind::ElapsedHours
                              : lower(content[0]) == 'm' ? TokenKind::ElapsedMinutes
                                                         : TokenKind::ElapsedSeconds;
            add(kind, 0, content.size());
            return true;
        }
        // Colours ([Red], [Color10]) and other tags ([DBNum1], ...) change nothing in the text.
        return true;
    }

    static bool isElapsed(std::string_view content)
    {
        const char first = lower(content[0]);
        if (first != 'h' && first != 'm' && first != 's')
            return false;
        for (char c : content) {
            if (lower(c) != first)
                return false;
        }
        return true;
    }

    bool matchWord(std::string_view word)
    {
        if (m_source.size() - m_pos < word.size() || !equalsIgnoringCase(m_source.substr(m_pos, word.size()), word))
            return false;
        m_pos += word.size();
        return true;
    }

    std::size_t takeRun(char l)
    {
        const auto start = m_pos;
        while (m_pos < m_source.size() && lower(m_source[m_pos]) == l)
            ++m_pos;
        return m_pos - start;
    }

    std::string_view takeCharacter()
    {
        const auto length = utf8SequenceLength(m_source, m_pos);
        const auto character = m_source.substr(m_pos, length);
        m_pos += length;
        return character;
    }

    void add(TokenKind kind, char placeholder = 0, std::size_t width = 0, bool flag = false)
    {
        Token token;
        token.kind = kind;
        token.placeholder = placeholder;
        token.width =
            static_cast<std::uint16_t>(std::min<std::size_t>(width, std::numeric_limits<std::uint16_t>::max()));
        token.flag = flag;
        m_section.tokens.push_back(token);
    }

    // digit: the literal is a lone digit 1-9 (kept as its own token).
    void addLiteral(std::string_view text, char digit = 0)
    {
        if (text.empty())
            return;
        auto& tokens = m_section.tokens;
        const bool merge =
            digit == 0 && !tokens.empty() && tokens.back().kind == TokenKind::Literal && tokens.back().placeholder == 0;
        if (!merge) {
            Token token;
            token.kind = TokenKind::Literal;
            token.placeholder = digit;
            token.textOffset = static_cast<std::uint32_t>(m_section.literals.size());
            tokens.push_back(token);
        }
        m_section.literals.append(text);
        tokens.back().textLength += static_cast<std::uint32_t>(text.size());
    }

    std::string_view m_source;
    TokenMode m_mode;
    std::size_t m_pos = 0;
    Section m_section;
};

}  // namespace

std::optional<Section> tokenizeSection(std::string_view source, TokenMode mode)
{
    return Tokenizer(source, mode).run();
}

}  // namespace veltrano::numfmt::detail
