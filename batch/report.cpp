#include "batch/report.h"

#include "tools/xlcell/commands.h"

namespace veltrano::batch {

using xlcell::escapeField;

ReportFile::ReportFile(const std::string& path)
    : m_out(path, std::ios::binary | std::ios::trunc)
{
    m_out << "file\tsheet\tcell\tbefore\tafter\n";
    m_out.flush();
}

bool ReportFile::add(const std::string& file, const std::vector<ChangedCell>& cells)
{
    const std::string fileField = escapeField(file);
    for (const ChangedCell& cell : cells)
        m_out << fileField << '\t' << escapeField(cell.sheet) << '\t' << cell.cell << '\t' << escapeField(cell.before)
              << '\t' << escapeField(cell.after) << '\n';
    m_out.flush();
    return m_out.good();
}

}  // namespace veltrano::batch
