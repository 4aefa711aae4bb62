#pragma once
// Displayed text of a cell value under an Excel number format, as Excel shows it in en-US
// in a column wide enough for the value. No Qt, no third-party types.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace veltrano::numfmt {

// Which serial number is day 0: 1900-01-00 (with Excel's 2/29/1900) or 1904-01-01.
enum class DateSystem {
    Excel1900,
    Excel1904
};

// Index of a format code interned in one Renderer; valid only with that Renderer.
using FormatHandle = std::uint32_t;

// Excel's en-US code for a built-in number format id (0 is "General", 14 "m/d/yyyy", ...);
// nullopt when the id has no built-in code.
std::optional<std::string_view> builtinFormatCode(int id);

// Text of a number under General ("1234.5", "1.23457E+13", "-0.001"); "#NUM!" when the
// value is not finite.
std::string generalText(double value);

// Same as generalText(), appending to out.
void appendGeneralText(double value, std::string& out);

// Text of a boolean cell, whatever its format: "TRUE" or "FALSE". (An error cell needs no
// rendering: it shows its stored text, "#N/A", "#DIV/0!", ..., whatever its format.)
std::string_view booleanText(bool value);

// Renders values through format codes; parses each distinct code once and keeps it.
// One Renderer per workbook. Not thread-safe.
class Renderer {
public:
    explicit Renderer(DateSystem system);
    ~Renderer();
    Renderer(Renderer&&) noexcept;
    Renderer& operator=(Renderer&&) noexcept;

    // Parses code once and returns its handle; the same code always gives the same handle.
    // A code that cannot be parsed still gets a handle and renders as General.
    FormatHandle intern(std::string_view code);

    // Text Excel shows for a number; "" when the format shows nothing (";;;", an empty
    // section, a number no condition admits) or when Excel would show only '#' (a date
    // outside Excel's range). "#NUM!" for a value that is not finite. A handle this Renderer
    // did not give renders as General.
    std::string number(FormatHandle format, double value) const;

    // Same as number(), appending to out instead of allocating a new string.
    void appendNumber(FormatHandle format, double value, std::string& out) const;

    // Text Excel shows for a text cell: through the text section (4th, or an '@' section)
    // when there is one, else the text unchanged.
    std::string text(FormatHandle format, std::string_view value) const;

    // True when the section for positive numbers shows a date or a time.
    bool isDateTime(FormatHandle format) const;

    // True when the code has a section for text (a fourth section, or a last one with '@'),
    // so text() may differ from the text itself.
    bool hasTextSection(FormatHandle format) const;

    DateSystem dateSystem() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace veltrano::numfmt
