#pragma once
// The review trail of a run: one TSV line per changed cell.

#include "core/conversion.h"

#include <string>
#include <vector>

namespace veltrano::batch {

using core::ChangedCell;

class ReportFile {
public:
    // Creates or empties the file and writes the header line; failure() tells whether that worked.
    explicit ReportFile(const std::string& path);
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    // One line per cell: file, sheet, cell, before, after, with tab, line feed, carriage return
    // and backslash in a field written as \t \n \r \\. False once the file could not be written
    // whole (then nothing more is written to it).
    bool add(const std::string& file, const std::vector<ChangedCell>& cells);

    // Why the report is not whole: "PATH cannot be written: REASON" with the system's reason (a
    // full disk says so); empty while every line went in.
    const std::string& failure() const { return m_failure; }

private:
    bool write(const std::string& lines);

    std::string m_path;
    int m_fd = -1;
    std::string m_failure;
};

}  // namespace veltrano::batch
