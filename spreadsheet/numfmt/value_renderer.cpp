#include "spreadsheet/numfmt/value_renderer.h"

#include "spreadsheet/numfmt/date_renderer.h"
#include "spreadsheet/numfmt/fraction_renderer.h"
#include "spreadsheet/numfmt/general_format.h"
#include "spreadsheet/numfmt/number_renderer.h"
#include "spreadsheet/numfmt/section_chooser.h"

#include <cmath>

namespace veltrano::numfmt::detail {

namespace {

// Literals and General of a General or literal-only section.
void renderGeneralSection(const Section& section, double magnitude, std::string& out)
{
    for (const auto& token : section.tokens) {
        if (token.kind == TokenKind::General)
            appendGeneralMagnitude(magnitude, out);
        else if (token.kind == TokenKind::Literal)
            out += section.literal(token);
        else if (token.kind == TokenKind::Space)
            out += ' ';
    }
}

// A negative serial has no date: Excel fills the cell with '#', we show nothing. The 1904
// system is the exception: there Excel shows a negative time with its minus sign.
void renderDateTimeSection(const Section& section, double value, bool showMinus, DateSystem system, std::string& out)
{
    if (value < 0 && system == DateSystem::Excel1900)
        return;
    const auto start = out.size();
    if (showMinus)
        out += '-';
    if (!renderDateTime(section, std::fabs(value), system, out))
        out.resize(start);
}

}  // namespace

void renderNumberValue(const ParsedFormat& format, double value, DateSystem system, std::string& out)
{
    const SectionChoice choice =
        format.valid ? chooseNumberSection(format, value) : SectionChoice{&generalSection(), value < 0};
    if (choice.section == nullptr)
        return;
    const Section& section = *choice.section;
    const double magnitude = std::fabs(value);
    if (section.kind == SectionKind::DateTime) {
        renderDateTimeSection(section, value, choice.showMinus, system, out);
        return;
    }
    if (section.kind == SectionKind::Empty)
        return;
    if (choice.showMinus)
        out += '-';
    switch (section.kind) {
    case SectionKind::Number:
        renderNumber(section, magnitude, out);
        break;
    case SectionKind::Scientific:
        renderScientific(section, magnitude, out);
        break;
    case SectionKind::Fraction:
        renderFraction(section, magnitude, out);
        break;
    default:
        renderGeneralSection(section, magnitude, out);
        break;
    }
}

void renderTextValue(const ParsedFormat& format, std::string_view text, std::string& out)
{
    const Section* section = format.valid ? chooseTextSection(format) : nullptr;
    if (section == nullptr) {
        out += text;
        return;
    }
    for (const auto& token : section->tokens) {
        if (token.kind == TokenKind::Text || token.kind == TokenKind::General)
            out += text;
        else if (token.kind == TokenKind::Literal)
            out += section->literal(token);
        else if (token.kind == TokenKind::Space)
            out += ' ';
    }
}

}  // namespace veltrano::numfmt::detail
