#include "core/backup_file.h"

#include "result/result.h"
#include "spreadsheet/workbook.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace veltrano::core {

std::string backupPathFor(const std::string& path, const std::string& stamp)
{
    const std::string marker = " Backup " + stamp;
    const auto dot = path.rfind('.');
    const auto separator = path.rfind('/');
    // A dot before the last separator belongs to a folder's name, not to an extension.
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        return path + marker;
    return path.substr(0, dot) + marker + path.substr(dot);
}

namespace {

// The most numbered names tried before giving up.
constexpr int kMaxBackupNumber = 9999;

std::string reasonOf(int error)
{
    return std::strerror(error);
}

std::string folderOf(const std::string& path)
{
    const auto separator = path.rfind('/');
    if (separator == std::string::npos)
        return ".";
    return separator == 0 ? "/" : path.substr(0, separator);
}

// A file descriptor closed however its use ends.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The temporary copy, removed unless it was given its name.
class TemporaryCopy {
public:
    explicit TemporaryCopy(const std::string& folder)
        : m_path(folder + "/.veltrano-backup-XXXXXX"),
          m_fd(::mkostemp(m_path.data(), O_CLOEXEC))
    {}
    ~TemporaryCopy()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_fd >= 0 && !m_placed)
            ::unlink(m_path.c_str());
    }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;
    bool opened() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }
    void placed() { m_placed = true; }

private:
    std::string m_path;
    int m_fd;
    bool m_placed = false;
};

enum class Placing {
    Placed,
    Taken,
};

// Gives the file at from the name to only when no file or folder has that name, in one step:
// a rename that refuses to replace, or, on a file system without one, a second hard link that
// the kernel makes only under a free name (the temporary name is then let go). The system's
// error number when it could do neither.
veltrano::Result<Placing, int> placeWithoutReplacing(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return Placing::Placed;
    if (errno == EEXIST)
        return Placing::Taken;
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return Placing::Placed;
        }
        if (errno == EEXIST)
            return Placing::Taken;
    }
    return errno;
}

// The whole file copied into the temporary copy, flushed to the disk; why not on failure, with
// the system's reason (a full disk says so).
veltrano::Result<void, std::string> copyInto(const std::string& path, int source, const TemporaryCopy& copy)
{
    const auto cannotWrite = [&](int error) {
        return "the copy cannot be written in " + folderOf(path) + ": " + reasonOf(error);
    };
    std::vector<char> chunk(1 << 20);
    for (;;) {
        const ssize_t got = ::read(source, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return path + " cannot be read: " + reasonOf(errno);
        if (got == 0)
            break;
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(copy.fd(), chunk.data() + written, std::size_t(got - written));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                return cannotWrite(errno);
            written += put;
        }
    }
    if (::fsync(copy.fd()) != 0)
        return cannotWrite(errno);
    return {};
}

}  // namespace

veltrano::Result<std::string, BackupFailure> copyForBackup(const std::string& path, const std::string& stamp)
{
    // A backup made for a conversion whose save is then refused would only pile up copies.
    if (const auto writable = spreadsheet::checkWritable(path); !writable)
        return BackupFailure{writable.error().message()};
    // Held while copying: the copy waits for another process editing the file to save it.
    const auto lock = spreadsheet::FileReadLock::acquire(path);
    if (!lock)
        return BackupFailure{lock.error().message()};
    const Descriptor source(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (source.get() < 0 || ::fstat(source.get(), &info) != 0)
        return BackupFailure{path + " cannot be read: " + reasonOf(errno)};
    // A short name of its own, so that a backup name too long for the folder fails at the end.
    TemporaryCopy copy(folderOf(path));
    if (!copy.opened())
        return BackupFailure{"no copy can be made in " + folderOf(path) + ": " + reasonOf(errno)};
    // A spreadsheet only its owner may read keeps that protection in its copy.
    ::fchmod(copy.fd(), info.st_mode & 07777);
    if (const auto copied = copyInto(path, source.get(), copy); !copied)
        return BackupFailure{copied.error()};
    for (int number = 1; number <= kMaxBackupNumber; ++number) {
        const std::string numbered = number == 1 ? stamp : stamp + " (" + std::to_string(number) + ")";
        const std::string backupPath = backupPathFor(path, numbered);
        const auto placing = placeWithoutReplacing(copy.path(), backupPath);
        if (!placing)
            return BackupFailure{backupPath + " cannot be written: " + reasonOf(placing.error())};
        if (placing.value() == Placing::Taken)
            continue;
        copy.placed();
        return backupPath;
    }
    return BackupFailure{backupPathFor(path, stamp) + " and its numbered names up to ("
                         + std::to_string(kMaxBackupNumber) + ") are all taken"};
}

}  // namespace veltrano::core
