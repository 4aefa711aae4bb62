#include "spreadsheet/xlsx/iso_date.h"

#include <cstdint>

namespace veltrano::spreadsheet {

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool isLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

class Cursor {
public:
    explicit Cursor(std::string_view text)
        : m_text(text)
    {}
    bool digits(int count, int& value)
    {
        value = 0;
        for (int i = 0; i < count; ++i) {
            if (m_pos >= m_text.size() || m_text[m_pos] < '0' || m_text[m_pos] > '9')
                return false;
            value = value * 10 + (m_text[m_pos++] - '0');
        }
        return true;
    }
    bool take(char c)
    {
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool atEnd() const { return m_pos == m_text.size(); }
    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

// Parses hh:mm[:ss[.fff]] into a fraction of a day.
bool parseTime(Cursor& in, double& fraction)
{
    int h, m, s = 0;
    if (!in.digits(2, h) || !in.take(':') || !in.digits(2, m))
        return false;
    double seconds = 0;
    if (in.take(':')) {
        if (!in.digits(2, s))
            return false;
        seconds = s;
        if (in.take('.') || in.take(',')) {
            double scale = 0.1;
            bool any = false;
            while (in.peek() >= '0' && in.peek() <= '9') {
                int d;
                in.digits(1, d);
                seconds += d * scale;
                scale /= 10;
                any = true;
            }
            if (!any)
                return false;
        }
    }
    if (h > 24 || m > 59 || s > 59 || (h == 24 && (m > 0 || seconds > 0)))
        return false;
    fraction = (h * 3600.0 + m * 60.0 + seconds) / 86400.0;
    return true;
}

bool skipZone(Cursor& in)
{
    if (in.take('Z'))
        return in.atEnd();
    if (in.take('+') || in.take('-')) {
        int h, m;
        if (!in.digits(2, h))
            return false;
        in.take(':');
        return in.digits(2, m) && in.atEnd();
    }
    return in.atEnd();
}

}  // namespace

std::optional<double> isoDateToSerial(std::string_view text, numfmt::DateSystem system)
{
    Cursor in(text);
    double fraction = 0;
    bool timeOnly = in.peek() == 'T' || (text.size() > 2 && text[2] == ':');
    if (timeOnly) {
        in.take('T');
        if (!parseTime(in, fraction) || !skipZone(in))
            return std::nullopt;
        return fraction;
    }
    int y, m, d;
    if (!in.digits(4, y) || !in.take('-') || !in.digits(2, m) || !in.take('-') || !in.digits(2, d))
        return std::nullopt;
    if (m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m))
        return std::nullopt;
    if (in.take('T') || in.take(' ')) {
        if (!parseTime(in, fraction))
            return std::nullopt;
    }
    if (!skipZone(in))
        return std::nullopt;
    std::int64_t days = daysFromCivil(y, unsigned(m), unsigned(d));
    double serial;
    if (system == numfmt::DateSystem::Excel1904) {
        serial = double(days - daysFromCivil(1904, 1, 1));
    } else {
        serial = double(days - daysFromCivil(1899, 12, 31));
        if (serial >= 60)
            serial += 1;  // Excel's 1900 calendar has a 29 February 1900
    }
    return serial + fraction;
}

}  // namespace veltrano::spreadsheet
