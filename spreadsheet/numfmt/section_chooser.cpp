#include "spreadsheet/numfmt/section_chooser.h"

namespace veltrano::numfmt::detail {

namespace {

// Which numbers a section takes when no condition is written: with two sections the first
// takes zero too; with three, zero goes to the third.
bool defaultFirstMatches(int sectionCount, double value)
{
    if (sectionCount == 1)
        return true;
    return sectionCount == 2 ? value >= 0 : value > 0;
}

bool minusFor(const Section& section, double value)
{
    return value < 0 && !(section.hasCondition && section.condition.admitsOnlyNegatives());
}

}  // namespace

bool Condition::matches(double value) const
{
    switch (op) {
    case CompareOp::Less:
        return value < operand;
    case CompareOp::LessEqual:
        return value <= operand;
    case CompareOp::Greater:
        return value > operand;
    case CompareOp::GreaterEqual:
        return value >= operand;
    case CompareOp::Equal:
        return value == operand;
    case CompareOp::NotEqual:
        return value != operand;
    }
    return false;
}

bool Condition::admitsOnlyNegatives() const
{
    switch (op) {
    case CompareOp::Less:
        return operand <= 0;
    case CompareOp::LessEqual:
    case CompareOp::Equal:
        return operand < 0;
    default:
        return false;
    }
}

const Section& generalSection()
{
    static const Section section = [] {
        Section s;
        s.kind = SectionKind::General;
        Token token;
        token.kind = TokenKind::General;
        s.tokens.push_back(token);
        return s;
    }();
    return section;
}

SectionChoice chooseNumberSection(const ParsedFormat& format, double value)
{
    const int count = format.numericSections;
    if (count == 0)
        return {&generalSection(), value < 0};
    const auto& first = format.sections[0];
    const bool firstMatches = first.hasCondition ? first.condition.matches(value) : defaultFirstMatches(count, value);
    if (firstMatches)
        return {&first, minusFor(first, value)};
    if (count >= 2) {
        const auto& second = format.sections[1];
        if (second.hasCondition) {
            if (second.condition.matches(value))
                return {&second, minusFor(second, value)};
        } else if (first.hasCondition) {
            return {&second, value < 0};  // everything the first condition leaves
        } else if (value < 0) {
            return {&second, false};  // the negative section
        }
    }
    if (count >= 3) {
        const auto& third = format.sections[2];
        if (!third.hasCondition || third.condition.matches(value))
            return {&third, minusFor(third, value)};
    }
    return {};
}

const Section* chooseTextSection(const ParsedFormat& format)
{
    if (format.textSection < 0)
        return nullptr;
    return &format.sections[static_cast<std::size_t>(format.textSection)];
}

}  // namespace veltrano::numfmt::detail
