#pragma once
// The review trail of a run: one TSV line per changed cell.

#include "core/conversion.h"
#include "result/result.h"

#include <memory>
#include <string>
#include <vector>

namespace veltrano::batch {

using core::ChangedCell;

// Why the report is not whole: "PATH cannot be written: REASON" with the system's reason (a full
// disk says so).
struct ReportFailure {
    std::string reason;
};

class ReportFile {
public:
    // Creates or empties the file and writes the header line; fails when either cannot be done.
    static veltrano::Result<std::unique_ptr<ReportFile>, ReportFailure> create(const std::string& path);
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    // One line per cell: file, sheet, cell, before, after, with tab, line feed, carriage return
    // and backslash in a field written as \t \n \r \\. Fails when the lines could not be
    // written whole; nothing more is written to the file after that, and add only fails.
    veltrano::Result<void, ReportFailure> add(const std::string& file, const std::vector<ChangedCell>& cells);

    // True while every line went in.
    bool whole() const { return !m_broken; }

private:
    ReportFile(std::string path, int fd);
    veltrano::Result<void, ReportFailure> write(const std::string& lines);

    std::string m_path;
    int m_fd = -1;
    bool m_broken = false;
};

}  // namespace veltrano::batch
