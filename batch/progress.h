#pragma once
// What a run shows on standard error while it works: on a terminal, one line redrawn in place
// with a bar, the file, the cells done and the rate; elsewhere (a log, a pipe), a line per file.

#include <chrono>
#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace veltrano::batch {

class Progress {
public:
    Progress(std::ostream& out, bool live, std::size_t totalFiles);

    void startFile(const std::string& path);
    // texts of total sent for translation so far for the current file.
    void translating(std::size_t done, std::size_t total);
    // cells: the file's cells translated (or that would be, in a dry run); failure: why it was not.
    void endFile(const std::string& path, std::size_t cells, const std::optional<std::string>& failure);
    // A line that must stay in view (a warning, a path that is not there).
    void note(const std::string& line);
    // Clears the live line.
    void finish();

private:
    void draw(const std::string& status);
    void clearLine();

    std::ostream& m_out;
    bool m_live;
    std::size_t m_totalFiles;
    std::size_t m_filesDone = 0;
    std::size_t m_cells = 0;
    std::string m_current;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
    bool m_lineShown = false;
};

// 12345 as "12,345".
std::string grouped(std::size_t number);

// text made safe to show on a terminal: control characters (an escape sequence in a file's
// name, a line break) as \t, \n, \r or \xHH, and bytes that are not UTF-8 as \xHH, so that
// a name can neither drive the terminal nor split a line.
std::string printable(std::string_view text);

}  // namespace veltrano::batch
