#include "spreadsheet/numfmt/section_layout.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace veltrano::numfmt::detail {

namespace {

constexpr int maxDenominatorPlaceholders = 9;  // keeps denominators well inside int64
constexpr int maxSubSecondPrecision = 3;       // Excel shows at most milliseconds

bool isDateTimeKind(TokenKind kind)
{
    return kind >= TokenKind::Year2;
}

bool isHourKind(TokenKind kind)
{
    return kind == TokenKind::Hour || kind == TokenKind::Hour2 || kind == TokenKind::ElapsedHours;
}

bool isSecondKind(TokenKind kind)
{
    return kind == TokenKind::Second || kind == TokenKind::Second2 || kind == TokenKind::ElapsedSeconds;
}

bool isLiteralDigit(const Token& token)
{
    return token.kind == TokenKind::Literal && token.placeholder != 0;
}

bool hasKind(const Section& section, TokenKind kind)
{
    return std::any_of(section.tokens.begin(), section.tokens.end(), [kind](const Token& t) { return t.kind == kind; });
}

// Turns a token the section has no use for into the characters it was written as.
void makeLiteral(Section& section, Token& token)
{
    std::string text;
    switch (token.kind) {
    case TokenKind::Exponent:
        text = {token.placeholder, token.flag ? '+' : '-'};
        break;
    case TokenKind::General:
        text = "General";
        break;
    case TokenKind::Text:
        text = "@";
        break;
    default:
        text = std::string(1, token.placeholder);
        break;
    }
    token.kind = TokenKind::Literal;
    token.placeholder = 0;
    token.role = DigitRole::None;
    token.textOffset = static_cast<std::uint32_t>(section.literals.size());
    token.textLength = static_cast<std::uint32_t>(text.size());
    section.literals += text;
}

// Tokens that only have a meaning in number sections become literals elsewhere.
void literaliseNumberTokens(Section& section)
{
    for (auto& token : section.tokens) {
        switch (token.kind) {
        case TokenKind::Digit:
        case TokenKind::DecimalPoint:
        case TokenKind::Comma:
        case TokenKind::Percent:
        case TokenKind::Exponent:
        case TokenKind::Slash:
            makeLiteral(section, token);
            break;
        default:
            break;
        }
    }
}

// A comma that means nothing in the text is marked (placeholder 0) and removed afterwards.
void dropComma(Token& token)
{
    token.placeholder = 0;
}

void eraseDroppedCommas(Section& section)
{
    auto& tokens = section.tokens;
    tokens.erase(std::remove_if(tokens.begin(), tokens.end(),
                                [](const Token& t) { return t.kind == TokenKind::Comma && t.placeholder == 0; }),
                 tokens.end());
}

// Placeholders among tokens [0, i) for every i, so "is there a digit between a and b" is
// answered without rescanning (codes can be long).
class DigitCounts {
public:
    explicit DigitCounts(const std::vector<Token>& tokens)
        : m_before(tokens.size() + 1, 0)
    {
        for (std::size_t i = 0; i < tokens.size(); ++i)
            m_before[i + 1] = m_before[i] + (tokens[i].kind == TokenKind::Digit ? 1 : 0);
    }

    bool anyIn(std::size_t from, std::size_t to) const { return from < to && m_before[to] > m_before[from]; }

private:
    std::vector<std::size_t> m_before;
};

// Digits, point, commas and percent signs of a plain number or of a mantissa, over tokens
// [begin, end). Digits before the first point are integer digits, after it fraction digits.
void layoutDigits(Section& section, std::size_t begin, std::size_t end)
{
    auto& tokens = section.tokens;
    std::size_t point = end;
    for (std::size_t i = begin; i < end; ++i) {
        if (tokens[i].kind != TokenKind::DecimalPoint)
            continue;
        if (point == end)
            point = i;
        else
            makeLiteral(section, tokens[i]);  // only the first point is the decimal point
    }
    for (std::size_t i = begin; i < end; ++i) {
        if (tokens[i].kind == TokenKind::Digit) {
            tokens[i].role = i < point ? DigitRole::Integer : DigitRole::Fraction;
            ++(i < point ? section.integerDigits : section.fractionDigits);
        } else if (tokens[i].kind == TokenKind::Percent) {
            ++section.percentCount;
        }
    }
    const DigitCounts digits(tokens);
    for (std::size_t i = begin; i < end; ++i) {
        if (tokens[i].kind != TokenKind::Comma)
            continue;
        if (!digits.anyIn(begin, i)) {
            makeLiteral(section, tokens[i]);
        } else if (i < point && digits.anyIn(i + 1, point)) {
            section.grouping = true;
            dropComma(tokens[i]);
        } else if (!digits.anyIn(i + 1, end)) {
            ++section.thousandsScale;  // "#,##0," shows thousands
            dropComma(tokens[i]);
        } else {
            dropComma(tokens[i]);
        }
    }
}

void layoutScientific(Section& section, std::size_t exponent)
{
    auto& tokens = section.tokens;
    layoutDigits(section, 0, exponent);
    for (std::size_t i = exponent + 1; i < tokens.size(); ++i) {
        if (tokens[i].kind == TokenKind::Digit) {
            tokens[i].role = DigitRole::Exponent;
            ++section.exponentDigits;
        } else if (tokens[i].kind == TokenKind::Percent) {
            ++section.percentCount;
        } else if (tokens[i].kind != TokenKind::Literal && tokens[i].kind != TokenKind::Space) {
            makeLiteral(section, tokens[i]);
        }
    }
    section.kind = SectionKind::Scientific;
}

// Fixed denominator digits after the bar ("?/8", "??/100") folded into one token.
void foldFixedDenominator(Section& section, std::size_t first)
{
    auto& tokens = section.tokens;
    std::int64_t value = 0;
    std::string digits;
    std::size_t end = first;
    while (
        end < tokens.size()
        && (isLiteralDigit(tokens[end]) || (tokens[end].kind == TokenKind::Digit && tokens[end].placeholder == '0'))) {
        if (digits.size() < maxDenominatorPlaceholders) {
            const char digit = isLiteralDigit(tokens[end]) ? tokens[end].placeholder : '0';
            digits += digit;
            value = value * 10 + (digit - '0');
        }
        ++end;
    }
    Token token;
    token.kind = TokenKind::FixedDenominator;
    token.textOffset = static_cast<std::uint32_t>(section.literals.size());
    token.textLength = static_cast<std::uint32_t>(digits.size());
    section.literals += digits;
    section.fixedDenominator = value;
    tokens.erase(tokens.begin() + first, tokens.begin() + end);
    tokens.insert(tokens.begin() + first, token);
}

void layoutFraction(Section& section, std::size_t bar)
{
    auto& tokens = section.tokens;
    tokens[bar].kind = TokenKind::FractionBar;
    std::size_t numeratorStart = bar;
    while (numeratorStart > 0 && tokens[numeratorStart - 1].kind == TokenKind::Digit)
        --numeratorStart;
    for (std::size_t i = numeratorStart; i < bar; ++i)
        tokens[i].role = DigitRole::Numerator;
    section.numeratorDigits = static_cast<int>(bar - numeratorStart);

    if (tokens[bar + 1].kind == TokenKind::Digit) {
        for (std::size_t i = bar + 1; i < tokens.size() && tokens[i].kind == TokenKind::Digit; ++i) {
            tokens[i].role = DigitRole::Denominator;
            ++section.denominatorDigits;
        }
    } else {
        foldFixedDenominator(section, bar + 1);
    }

    const DigitCounts digits(tokens);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        auto& token = tokens[i];
        if (token.kind == TokenKind::Digit && token.role == DigitRole::None) {
            if (i < numeratorStart) {
                token.role = DigitRole::Integer;
                ++section.integerDigits;
            } else {
                makeLiteral(section, token);  // placeholders after the denominator show as written
            }
        } else if (token.kind == TokenKind::Percent) {
            ++section.percentCount;
        } else if (token.kind == TokenKind::Comma) {
            const bool between = i < numeratorStart && digits.anyIn(0, i) && digits.anyIn(i + 1, numeratorStart);
            if (between) {
                section.grouping = true;
                dropComma(token);
            } else {
                makeLiteral(section, token);
            }
        } else if (token.kind == TokenKind::DecimalPoint || token.kind == TokenKind::Slash
                   || token.kind == TokenKind::Exponent) {
            makeLiteral(section, token);
        }
    }
    section.kind = SectionKind::Fraction;
}

// A '/' with a placeholder before it and a placeholder or a digit after it.
std::size_t findFractionBar(const Section& section)
{
    const auto& tokens = section.tokens;
    for (std::size_t i = 1; i + 1 < tokens.size(); ++i) {
        if (tokens[i].kind == TokenKind::Slash && tokens[i - 1].kind == TokenKind::Digit
            && (tokens[i + 1].kind == TokenKind::Digit || isLiteralDigit(tokens[i + 1])))
            return i;
    }
    return tokens.size();
}

// The first E+ / E- with a placeholder somewhere after it.
std::size_t findExponent(const Section& section)
{
    const auto& tokens = section.tokens;
    std::size_t lastDigit = tokens.size();
    for (std::size_t i = tokens.size(); i-- > 0;) {
        if (tokens[i].kind == TokenKind::Digit) {
            lastDigit = i;
            break;
        }
    }
    for (std::size_t i = 0; i < lastDigit && lastDigit < tokens.size(); ++i) {
        if (tokens[i].kind == TokenKind::Exponent)
            return i;
    }
    return tokens.size();
}

void layoutNumber(Section& section)
{
    const auto bar = findFractionBar(section);
    if (bar < section.tokens.size()) {
        layoutFraction(section, bar);
    } else if (const auto exponent = findExponent(section); exponent < section.tokens.size()) {
        layoutScientific(section, exponent);
    } else {
        layoutDigits(section, 0, section.tokens.size());
        section.kind = SectionKind::Number;
    }
    for (auto& token : section.tokens) {
        const bool strayExponent = token.kind == TokenKind::Exponent && section.kind != SectionKind::Scientific;
        if (strayExponent || token.kind == TokenKind::Slash)
            makeLiteral(section, token);
    }
    eraseDroppedCommas(section);
}

// An 'm' run is minutes right after an hour or right before a second, else a month.
void resolveMonthRuns(Section& section)
{
    auto& tokens = section.tokens;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        auto& token = tokens[i];
        if (token.kind != TokenKind::MonthRun)
            continue;
        if (token.width > 2) {
            token.kind = token.width == 3   ? TokenKind::MonthAbbr
                         : token.width == 5 ? TokenKind::MonthLetter
                                            : TokenKind::MonthName;
            continue;
        }
        bool minute = false;
        for (std::size_t j = i; j-- > 0;) {
            if (isDateTimeKind(tokens[j].kind)) {
                minute = isHourKind(tokens[j].kind);
                break;
            }
        }
        for (std::size_t j = i + 1; !minute && j < tokens.size(); ++j) {
            if (isDateTimeKind(tokens[j].kind)) {
                minute = isSecondKind(tokens[j].kind);
                break;
            }
        }
        if (minute)
            token.kind = token.width == 1 ? TokenKind::Minute : TokenKind::Minute2;
        else
            token.kind = token.width == 1 ? TokenKind::Month : TokenKind::Month2;
    }
}

// ".0", ".00", ".000" show fractions of a second: the point and its zeros become one token.
void foldSubSeconds(Section& section)
{
    const auto& tokens = section.tokens;
    std::vector<Token> folded;
    folded.reserve(tokens.size());
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        folded.push_back(tokens[i]);
        if (tokens[i].kind != TokenKind::DecimalPoint)
            continue;
        std::size_t end = i + 1;
        while (end < tokens.size() && tokens[end].kind == TokenKind::Digit && tokens[end].placeholder == '0')
            ++end;
        if (end == i + 1)
            continue;
        auto& subSecond = folded.back();
        subSecond.kind = TokenKind::SubSecond;
        subSecond.width = static_cast<std::uint16_t>(std::min<std::size_t>(end - i - 1, UINT16_MAX));
        section.subSecondDigits =
            std::max(section.subSecondDigits, std::min<int>(subSecond.width, maxSubSecondPrecision));
        i = end - 1;
    }
    section.tokens = std::move(folded);
}

void layoutDateTime(Section& section)
{
    resolveMonthRuns(section);
    foldSubSeconds(section);
    literaliseNumberTokens(section);
    for (auto& token : section.tokens) {
        switch (token.kind) {
        case TokenKind::General:
        case TokenKind::Text:
            makeLiteral(section, token);
            break;
        case TokenKind::AmPm:
        case TokenKind::AP:
            section.twelveHour = true;
            break;
        case TokenKind::Calendar:
            section.hijri = section.hijri || token.flag;
            break;
        case TokenKind::Year2:
        case TokenKind::Year4:
        case TokenKind::BuddhistYear2:
        case TokenKind::BuddhistYear4:
        case TokenKind::Month:
        case TokenKind::Month2:
        case TokenKind::MonthAbbr:
        case TokenKind::MonthName:
        case TokenKind::MonthLetter:
        case TokenKind::Day:
        case TokenKind::Day2:
        case TokenKind::WeekdayAbbr:
        case TokenKind::WeekdayName:
            section.needsDate = true;
            break;
        default:
            break;
        }
    }
    section.kind = SectionKind::DateTime;
}

}  // namespace

void layoutSection(Section& section, bool isTextSection)
{
    if (section.tokens.empty()) {
        section.kind = SectionKind::Empty;
        return;
    }
    if (isTextSection) {
        section.kind = SectionKind::Text;
        return;
    }
    // '@' in a section for numbers shows the number as General would.
    for (auto& token : section.tokens) {
        if (token.kind == TokenKind::Text)
            token.kind = TokenKind::General;
    }
    const bool dateTime = std::any_of(section.tokens.begin(), section.tokens.end(),
                                      [](const Token& t) { return isDateTimeKind(t.kind); });
    if (dateTime) {
        layoutDateTime(section);
    } else if (hasKind(section, TokenKind::General)) {
        literaliseNumberTokens(section);
        section.kind = SectionKind::General;
    } else if (hasKind(section, TokenKind::Digit)) {
        layoutNumber(section);
    } else {
        literaliseNumberTokens(section);
        section.kind = SectionKind::LiteralOnly;
    }
}

}  // namespace veltrano::numfmt::detail
