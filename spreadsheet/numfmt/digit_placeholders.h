#pragma once
// Writing digits through 0 # ? placeholders, shared by numbers, mantissas and fractions.

#include "spreadsheet/numfmt/decimal_digits.h"

#include <string>

namespace veltrano::numfmt::detail {

// Integer digits right-aligned on a run of placeholders: digits beyond the placeholders go
// in front of the first one; a placeholder with no digit shows '0', ' ' (for ?) or nothing.
class IntegerPlaceholders {
public:
    // minimumLength: digits shown even for a zero value (a lone 0 of a fraction's whole part).
    IntegerPlaceholders(const DecimalDigits& number, int placeholders, bool grouping, int minimumLength = 0)
        : m_number(number),
          m_placeholders(placeholders),
          m_grouping(grouping),
          m_length(std::max(number.integerLength(), minimumLength))
    {}

    // Writes placeholder `index` (0 = leftmost) written as `placeholder`.
    void write(int index, char placeholder, std::string& out) const
    {
        const int power = m_placeholders - 1 - index;
        if (index == 0) {
            for (int extra = m_length - 1; extra > power; --extra)
                writeDigit(extra, out);
        }
        if (power < m_length || placeholder == '0')
            writeDigit(power, out);
        else if (placeholder == '?')
            out += ' ';
    }

    // All digits, for a format with no integer placeholder (".00" still shows 12.50).
    void writeAll(std::string& out) const
    {
        for (int power = m_length - 1; power >= 0; --power)
            writeDigit(power, out);
    }

private:
    void writeDigit(int power, std::string& out) const
    {
        out += m_number.digitAt(power);
        if (m_grouping && power > 0 && power % 3 == 0)
            out += ',';
    }

    const DecimalDigits& m_number;
    int m_placeholders;
    bool m_grouping;
    int m_length;
};

// Digits after the point: trailing zeros under # are dropped and under ? become spaces.
class FractionPlaceholders {
public:
    FractionPlaceholders(const DecimalDigits& number, int lastShown)
        : m_number(number),
          m_lastShown(lastShown)
    {}

    void write(int index, char placeholder, std::string& out) const
    {
        if (index <= m_lastShown)
            out += m_number.digitAt(-(index + 1));
        else if (placeholder == '?')
            out += ' ';
    }

private:
    const DecimalDigits& m_number;
    int m_lastShown;
};

}  // namespace veltrano::numfmt::detail
