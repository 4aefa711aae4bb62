// Provisional renderer: General for every number, text unchanged. The full format language
// replaces this file.
#include "spreadsheet/numfmt/renderer.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

namespace veltrano::numfmt {

namespace {

std::string renderGeneral(double value)
{
    if (value == 0)
        return "0";
    char buffer[64];
    // Up to 11 characters, then scientific: try fewer significant digits until it fits.
    for (int digits = 10; digits >= 1; --digits) {
        std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
        std::string text = buffer;
        if (text.find('E') == std::string::npos && text.size() <= 11)
            return text;
    }
    std::snprintf(buffer, sizeof buffer, "%.5E", value);
    return buffer;
}

}  // namespace

std::optional<std::string_view> builtinFormatCode(int id)
{
    static const std::unordered_map<int, std::string_view> codes = {
        {0, "General"}, {1, "0"}, {2, "0.00"}, {3, "#,##0"}, {4, "#,##0.00"},
        {9, "0%"}, {10, "0.00%"}, {11, "0.00E+00"}, {12, "# ?/?"}, {13, "# ??/??"},
        {14, "m/d/yyyy"}, {15, "d-mmm-yy"}, {16, "d-mmm"}, {17, "mmm-yy"},
        {18, "h:mm AM/PM"}, {19, "h:mm:ss AM/PM"}, {20, "h:mm"}, {21, "h:mm:ss"},
        {22, "m/d/yyyy h:mm"}, {37, "#,##0 ;(#,##0)"}, {38, "#,##0 ;[Red](#,##0)"},
        {39, "#,##0.00;(#,##0.00)"}, {40, "#,##0.00;[Red](#,##0.00)"},
        {45, "mm:ss"}, {46, "[h]:mm:ss"}, {47, "mmss.0"}, {48, "##0.0E+0"}, {49, "@"},
    };
    auto found = codes.find(id);
    if (found == codes.end())
        return std::nullopt;
    return found->second;
}

struct Renderer::Impl {
    DateSystem system;
    std::unordered_map<std::string, FormatHandle> handles;
    std::vector<std::string> codes;
};

Renderer::Renderer(DateSystem system) : m_impl(std::make_unique<Impl>()) { m_impl->system = system; }
Renderer::~Renderer() = default;
Renderer::Renderer(Renderer&&) noexcept = default;
Renderer& Renderer::operator=(Renderer&&) noexcept = default;

FormatHandle Renderer::intern(std::string_view code)
{
    auto [it, inserted] = m_impl->handles.try_emplace(std::string(code), FormatHandle(m_impl->codes.size()));
    if (inserted)
        m_impl->codes.emplace_back(code);
    return it->second;
}

std::string Renderer::number(FormatHandle format, double value) const
{
    std::string out;
    appendNumber(format, value, out);
    return out;
}

void Renderer::appendNumber(FormatHandle, double value, std::string& out) const
{
    out += std::isfinite(value) ? renderGeneral(value) : std::string("#NUM!");
}

std::string Renderer::text(FormatHandle, std::string_view value) const { return std::string(value); }

bool Renderer::isDateTime(FormatHandle) const { return false; }

DateSystem Renderer::dateSystem() const { return m_impl->system; }

}  // namespace veltrano::numfmt
