#include "batch/progress.h"

#include <cstdio>
#include <filesystem>

namespace veltrano::batch {
namespace {

constexpr int kBarWidth = 20;
constexpr std::chrono::milliseconds kRedrawInterval{100};

std::size_t utf8Length(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    // U+0080 to U+009F are control characters too (C1), which some terminals obey.
    if (length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0)
        return 0;
    return length;
}

}  // namespace

std::string printable(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const std::size_t length = utf8Length(text, at);
        if (length > 1 || (length == 1 && byte >= 0x20 && byte != 0x7F)) {
            shown.append(text.substr(at, length));
            at += length;
            continue;
        }
        if (byte == '\t')
            shown += "\\t";
        else if (byte == '\n')
            shown += "\\n";
        else if (byte == '\r')
            shown += "\\r";
        else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            shown += hex;
        }
        at += length == 0 ? 1 : length;
    }
    return shown;
}

std::string grouped(std::size_t number)
{
    std::string digits = std::to_string(number);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(std::size_t(i), ",");
    return digits;
}

Progress::Progress(std::ostream& out, bool live, std::size_t totalFiles)
    : m_out(out),
      m_live(live),
      m_totalFiles(totalFiles),
      m_start(std::chrono::steady_clock::now())
{}

void Progress::startFile(const std::string& path)
{
    m_current = printable(std::filesystem::path(path).filename().string());
    if (m_live)
        draw("reading");
}

void Progress::translating(std::size_t done, std::size_t total)
{
    if (m_live && std::chrono::steady_clock::now() - m_lastDraw >= kRedrawInterval)
        draw("translating " + grouped(done) + "/" + grouped(total) + " texts");
}

void Progress::endFile(const std::string& path, std::size_t cells, const std::optional<std::string>& failure)
{
    ++m_filesDone;
    if (failure) {
        note("veltrano-batch: " + *failure);
        return;
    }
    m_cells += cells;
    if (m_live)
        draw("done");
    else
        m_out << "veltrano-batch: [" << m_filesDone << "/" << m_totalFiles << "] " << printable(path) << ": "
              << grouped(cells) << " cells\n"
              << std::flush;
}

void Progress::note(const std::string& line)
{
    clearLine();
    m_out << printable(line) << '\n' << std::flush;
}

void Progress::finish()
{
    clearLine();
}

void Progress::clearLine()
{
    if (m_live && m_lineShown)
        m_out << "\r\033[K" << std::flush;
    m_lineShown = false;
}

void Progress::draw(const std::string& status)
{
    m_lastDraw = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(m_lastDraw - m_start).count();
    const int filled = m_totalFiles == 0 ? kBarWidth : int(kBarWidth * m_filesDone / m_totalFiles);
    const std::string rate = grouped(seconds > 0 ? std::size_t(double(m_cells) / seconds) : 0);
    m_out << "\r\033[K[" << std::string(std::size_t(filled), '#') << std::string(std::size_t(kBarWidth - filled), '.')
          << "] " << m_filesDone << "/" << m_totalFiles << "  " << grouped(m_cells) << " cells  " << rate
          << " cells/s  " << m_current << ": " << status << std::flush;
    m_lineShown = true;
}

}  // namespace veltrano::batch
