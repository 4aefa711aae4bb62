#include "batch/report.h"

#include "core/tsv_field.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace veltrano::batch {

using core::escapeField;

ReportFile::ReportFile(const std::string& path)
    : m_path(path),
      m_fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666))
{
    if (m_fd < 0)
        m_failure = m_path + " cannot be written: " + std::strerror(errno);
    else
        write("file\tsheet\tcell\tbefore\tafter\n");
}

ReportFile::~ReportFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ReportFile::add(const std::string& file, const std::vector<ChangedCell>& cells)
{
    const std::string fileField = escapeField(file);
    std::string lines;
    for (const ChangedCell& cell : cells)
        lines += fileField + '\t' + escapeField(cell.sheet) + '\t' + cell.cell + '\t' + escapeField(cell.before) + '\t'
                 + escapeField(cell.after) + '\n';
    return write(lines);
}

bool ReportFile::write(const std::string& lines)
{
    if (!m_failure.empty())
        return false;
    for (std::size_t done = 0; done < lines.size();) {
        const ssize_t put = ::write(m_fd, lines.data() + done, lines.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0) {
            m_failure = m_path + " cannot be written: " + std::strerror(errno);
            return false;
        }
        done += std::size_t(put);
    }
    return true;
}

}  // namespace veltrano::batch
