#pragma once
// The review trail of a run: one TSV line per changed cell.

#include <fstream>
#include <string>
#include <vector>

namespace veltrano::batch {

struct ChangedCell {
    std::string sheet;
    std::string cell;  // "B7"
    std::string before;
    std::string after;
};

class ReportFile {
public:
    // Creates or empties the file and writes the header line; ok() tells whether that worked.
    explicit ReportFile(const std::string& path);
    bool ok() const { return m_out.good(); }

    // One line per cell: file, sheet, cell, before, after, with tab, line feed, carriage return
    // and backslash in a field written as \t \n \r \\. False when the file could not be written.
    bool add(const std::string& file, const std::vector<ChangedCell>& cells);

private:
    std::ofstream m_out;
};

}  // namespace veltrano::batch
