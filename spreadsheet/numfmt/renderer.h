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
enum class DateSystem { Excel1900, Excel1904 };

// Index of a format code interned in one Renderer; valid only with that Renderer.
using FormatHandle = std::uint32_t;

// Excel's en-US code for a built-in number format id (0 is "General", 14 "m/d/yyyy", ...);
// nullopt when the id has no built-in code.
std::optional<std::string_view> builtinFormatCode(int id);

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
    // section) or when Excel would show only '#' (a date outside Excel's range).
    std::string number(FormatHandle format, double value) const;

    // Same as number(), appending to out instead of allocating a new string.
    void appendNumber(FormatHandle format, double value, std::string& out) const;

    // Text Excel shows for a text cell: through the text section (4th, or an '@' section)
    // when there is one, else the text unchanged.
    std::string text(FormatHandle format, std::string_view value) const;

    // True when the section for positive numbers shows a date or a time.
    bool isDateTime(FormatHandle format) const;

    DateSystem dateSystem() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace veltrano::numfmt
