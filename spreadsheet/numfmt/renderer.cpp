#include "spreadsheet/numfmt/renderer.h"

#include "spreadsheet/numfmt/format_parser.h"
#include "spreadsheet/numfmt/general_format.h"
#include "spreadsheet/numfmt/value_renderer.h"

#include <cmath>
#include <unordered_map>
#include <vector>

namespace veltrano::numfmt {

namespace {

constexpr std::string_view notANumber = "#NUM!";

// Lets the cache be searched with a string_view, without building a std::string.
struct CodeHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view code) const { return std::hash<std::string_view>{}(code); }
};

}  // namespace

std::string generalText(double value)
{
    std::string out;
    appendGeneralText(value, out);
    return out;
}

void appendGeneralText(double value, std::string& out)
{
    if (!std::isfinite(value)) {
        out += notANumber;
        return;
    }
    if (value < 0)
        out += '-';
    detail::appendGeneralMagnitude(value, out);
}

std::string_view booleanText(bool value)
{
    return value ? "TRUE" : "FALSE";
}

struct Renderer::Impl {
    DateSystem system;
    std::unordered_map<std::string, FormatHandle, CodeHash, std::equal_to<>> handles;
    std::vector<detail::ParsedFormat> formats;

    const detail::ParsedFormat* find(FormatHandle handle) const
    {
        return handle < formats.size() ? &formats[handle] : nullptr;
    }
};

Renderer::Renderer(DateSystem system)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->system = system;
}
Renderer::~Renderer() = default;
Renderer::Renderer(Renderer&&) noexcept = default;
Renderer& Renderer::operator=(Renderer&&) noexcept = default;

FormatHandle Renderer::intern(std::string_view code)
{
    if (const auto found = m_impl->handles.find(code); found != m_impl->handles.end())
        return found->second;
    const auto handle = static_cast<FormatHandle>(m_impl->formats.size());
    m_impl->formats.push_back(detail::parseFormat(code));
    m_impl->handles.emplace(std::string(code), handle);
    return handle;
}

std::string Renderer::number(FormatHandle format, double value) const
{
    std::string out;
    appendNumber(format, value, out);
    return out;
}

void Renderer::appendNumber(FormatHandle format, double value, std::string& out) const
{
    const auto* parsed = m_impl->find(format);
    if (!std::isfinite(value)) {
        out += notANumber;
    } else if (parsed == nullptr) {
        appendGeneralText(value, out);
    } else {
        detail::renderNumberValue(*parsed, value, m_impl->system, out);
    }
}

std::string Renderer::text(FormatHandle format, std::string_view value) const
{
    const auto* parsed = m_impl->find(format);
    if (parsed == nullptr)
        return std::string(value);
    std::string out;
    detail::renderTextValue(*parsed, value, out);
    return out;
}

bool Renderer::isDateTime(FormatHandle format) const
{
    const auto* parsed = m_impl->find(format);
    return parsed != nullptr && parsed->valid && parsed->numericSections > 0
           && parsed->sections.front().kind == detail::SectionKind::DateTime;
}

bool Renderer::hasTextSection(FormatHandle format) const
{
    const auto* parsed = m_impl->find(format);
    return parsed != nullptr && parsed->valid && parsed->textSection >= 0;
}

DateSystem Renderer::dateSystem() const
{
    return m_impl->system;
}

}  // namespace veltrano::numfmt
