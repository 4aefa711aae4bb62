#include "spreadsheet/numfmt/date_renderer.h"

#include "spreadsheet/numfmt/calendar.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace veltrano::numfmt::detail {

namespace {

constexpr std::int64_t secondsPerDay = 86400;
constexpr int buddhistEraOffset = 543;

constexpr std::array<std::string_view, 12> monthNames = {"January",   "February", "March",    "April",
                                                         "May",       "June",     "July",     "August",
                                                         "September", "October",  "November", "December"};
constexpr std::array<std::string_view, 7> weekdayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                          "Thursday", "Friday", "Saturday"};

// The serial split into whole days and the time of day, rounded to what the format shows
// (whole seconds, or tenths to thousandths with ss.0 to ss.000).
struct Moment {
    std::int64_t day = 0;
    std::int64_t ticks = 0;  // time of day in units of 1 / ticksPerSecond
    std::int64_t ticksPerSecond = 1;

    std::int64_t secondOfDay() const { return ticks / ticksPerSecond; }
    std::int64_t totalSeconds() const { return day * secondsPerDay + secondOfDay(); }
};

Moment momentOf(double serial, int subSecondDigits)
{
    Moment moment;
    for (int i = 0; i < subSecondDigits; ++i)
        moment.ticksPerSecond *= 10;
    const double day = std::floor(serial);
    const std::int64_t ticksPerDay = secondsPerDay * moment.ticksPerSecond;
    moment.day = static_cast<std::int64_t>(day);
    moment.ticks = std::llround((serial - day) * static_cast<double>(ticksPerDay));
    if (moment.ticks >= ticksPerDay) {
        ++moment.day;
        moment.ticks -= ticksPerDay;
    }
    return moment;
}

void appendNumber(std::int64_t value, int minimumWidth, std::string& out)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<int>(end - digits);
    if (length < minimumWidth)
        out.append(static_cast<std::size_t>(minimumWidth - length), '0');
    out.append(digits, end);
}

class DateTimeWriter {
public:
    DateTimeWriter(const Section& section, const Moment& moment, DateSystem system)
        : m_section(section),
          m_moment(moment)
    {
        if (section.needsDate) {
            m_date = dateOfSerial(moment.day, system);
            m_weekday = weekdayOfSerial(moment.day, system);
        }
        const auto second = moment.secondOfDay();
        m_hour = static_cast<int>(second / 3600);
        m_minute = static_cast<int>(second / 60 % 60);
        m_second = static_cast<int>(second % 60);
    }

    void write(const Token& token, std::string& out) const
    {
        switch (token.kind) {
        case TokenKind::Literal:
            out += m_section.literal(token);
            break;
        case TokenKind::Space:
            out += ' ';
            break;
        case TokenKind::Year2:
            appendNumber(m_date.year % 100, 2, out);
            break;
        case TokenKind::Year4:
            appendNumber(m_date.year, 4, out);
            break;
        case TokenKind::BuddhistYear2:
            appendNumber((m_date.year + buddhistEraOffset) % 100, 2, out);
            break;
        case TokenKind::BuddhistYear4:
            appendNumber(m_date.year + buddhistEraOffset, 4, out);
            break;
        case TokenKind::Month:
            appendNumber(m_date.month, 1, out);
            break;
        case TokenKind::Month2:
            appendNumber(m_date.month, 2, out);
            break;
        case TokenKind::MonthAbbr:
            out += monthName().substr(0, 3);
            break;
        case TokenKind::MonthName:
            out += monthName();
            break;
        case TokenKind::MonthLetter:
            out += monthName().substr(0, 1);
            break;
        case TokenKind::Day:
            appendNumber(m_date.day, 1, out);
            break;
        case TokenKind::Day2:
            appendNumber(m_date.day, 2, out);
            break;
        case TokenKind::WeekdayAbbr:
            out += weekdayNames[static_cast<std::size_t>(m_weekday)].substr(0, 3);
            break;
        case TokenKind::WeekdayName:
            out += weekdayNames[static_cast<std::size_t>(m_weekday)];
            break;
        case TokenKind::Hour:
            appendNumber(shownHour(), 1, out);
            break;
        case TokenKind::Hour2:
            appendNumber(shownHour(), 2, out);
            break;
        case TokenKind::Minute:
            appendNumber(m_minute, 1, out);
            break;
        case TokenKind::Minute2:
            appendNumber(m_minute, 2, out);
            break;
        case TokenKind::Second:
            appendNumber(m_second, 1, out);
            break;
        case TokenKind::Second2:
            appendNumber(m_second, 2, out);
            break;
        case TokenKind::SubSecond:
            writeSubSecond(token.width, out);
            break;
        case TokenKind::ElapsedHours:
            appendNumber(m_moment.totalSeconds() / 3600, token.width, out);
            break;
        case TokenKind::ElapsedMinutes:
            appendNumber(m_moment.totalSeconds() / 60, token.width, out);
            break;
        case TokenKind::ElapsedSeconds:
            appendNumber(m_moment.totalSeconds(), token.width, out);
            break;
        case TokenKind::AmPm:
            out += m_hour < 12 ? "AM" : "PM";
            break;
        case TokenKind::AP:
            writeAP(token.flag, out);
            break;
        default:
            break;
        }
    }

private:
    std::string_view monthName() const { return monthNames[static_cast<std::size_t>(m_date.month - 1)]; }

    int shownHour() const
    {
        if (!m_section.twelveHour)
            return m_hour;
        return m_hour % 12 == 0 ? 12 : m_hour % 12;
    }

    void writeAP(bool lowerCase, std::string& out) const
    {
        const char letter = m_hour < 12 ? 'A' : 'P';
        out += lowerCase ? static_cast<char>(letter - 'A' + 'a') : letter;
    }

    // The first `width` digits of the fraction of the second (zeros past the precision kept).
    void writeSubSecond(int width, std::string& out) const
    {
        const int precision = m_section.subSecondDigits;
        std::array<char, 3> digits{'0', '0', '0'};
        auto fraction = m_moment.ticks % m_moment.ticksPerSecond;
        for (int i = precision - 1; i >= 0; --i) {
            digits[static_cast<std::size_t>(i)] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        out += '.';
        for (int i = 0; i < width; ++i)
            out += i < precision ? digits[static_cast<std::size_t>(i)] : '0';
    }

    const Section& m_section;
    const Moment& m_moment;
    CalendarDate m_date;
    int m_weekday = 0;
    int m_hour = 0;
    int m_minute = 0;
    int m_second = 0;
};

}  // namespace

bool renderDateTime(const Section& section, double serial, DateSystem system, std::string& out)
{
    // The Hijri calendar (B2) is not reproduced: no text rather than a Gregorian date, which a
    // walk would take for the cell's own text.
    if (section.hijri)
        return false;
    if (!(serial >= 0) || serial >= static_cast<double>(lastSerialDay(system) + 1))
        return false;
    const Moment moment = momentOf(serial, section.subSecondDigits);
    if (moment.day > lastSerialDay(system))
        return false;
    const DateTimeWriter writer(section, moment, system);
    for (const auto& token : section.tokens)
        writer.write(token, out);
    return true;
}

}  // namespace veltrano::numfmt::detail
