#include "batch/report.h"

#include "core/tsv_field.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace veltrano::batch {

using core::escapeField;

veltrano::Result<std::unique_ptr<ReportFile>, ReportFailure> ReportFile::create(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return ReportFailure{path + " cannot be written: " + std::strerror(errno)};
    std::unique_ptr<ReportFile> report(new ReportFile(path, fd));
    VELTRANO_TRY(report->write("file\tsheet\tcell\tbefore\tafter\n"));
    return report;
}

ReportFile::ReportFile(std::string path, int fd)
    : m_path(std::move(path)),
      m_fd(fd)
{}

ReportFile::~ReportFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

veltrano::Result<void, ReportFailure> ReportFile::add(const std::string& file, const std::vector<ChangedCell>& cells)
{
    const std::string fileField = escapeField(file);
    std::string lines;
    for (const ChangedCell& cell : cells)
        lines += fileField + '\t' + escapeField(cell.sheet) + '\t' + cell.cell + '\t' + escapeField(cell.before) + '\t'
                 + escapeField(cell.after) + '\n';
    return write(lines);
}

veltrano::Result<void, ReportFailure> ReportFile::write(const std::string& lines)
{
    if (m_broken)
        return ReportFailure{m_path + " cannot be written any more"};
    for (std::size_t done = 0; done < lines.size();) {
        const ssize_t put = ::write(m_fd, lines.data() + done, lines.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0) {
            m_broken = true;
            return ReportFailure{m_path + " cannot be written: " + std::strerror(errno)};
        }
        done += std::size_t(put);
    }
    return {};
}

}  // namespace veltrano::batch
