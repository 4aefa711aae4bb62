#include "batch/progress.h"

#include <filesystem>

namespace veltrano::batch {
namespace {

constexpr int kBarWidth = 20;
constexpr std::chrono::milliseconds kRedrawInterval{100};

}  // namespace

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
    m_current = std::filesystem::path(path).filename().string();
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
        m_out << "veltrano-batch: [" << m_filesDone << "/" << m_totalFiles << "] " << path << ": " << grouped(cells)
              << " cells\n"
              << std::flush;
}

void Progress::note(const std::string& line)
{
    clearLine();
    m_out << line << '\n' << std::flush;
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
