// Reading a workbook file whole and replacing it atomically; see file_access.h.
#include "spreadsheet/internal/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "spreadsheet/workbook.h"

namespace veltrano::spreadsheet {

namespace {

constexpr std::uint64_t kMaxFileBytes = 2ull << 30;

}  // namespace

FileIdentity identityOf(const struct stat& info)
{
    return {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::int64_t(info.st_size),
            std::int64_t(info.st_mtim.tv_sec), std::int64_t(info.st_mtim.tv_nsec)};
}

Result<WorkbookFile> readWorkbookFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return Error{ErrorCode::NotFound, path + ": no such file"};
        return Error{ErrorCode::Io, path + ": cannot be opened for reading: " + std::strerror(error)};
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // The identity comes from the descriptor read, so it is that of the bytes read.
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return Error{ErrorCode::Io, path + ": " + std::strerror(errno)};
    if (!S_ISREG(info.st_mode))
        return Error{ErrorCode::NotAFile, path + (S_ISDIR(info.st_mode) ? ": is a folder, not a file" : ": is not a regular file")};
    if (std::uint64_t(info.st_size) > kMaxFileBytes)
        return Error{ErrorCode::TooLarge, path + ": " + std::to_string(info.st_size) + " bytes passes the limit of " +
                                              std::to_string(kMaxFileBytes)};
    WorkbookFile file;
    file.identity = identityOf(info);
    file.bytes.resize(std::size_t(info.st_size));
    std::size_t filled = 0;
    while (filled < file.bytes.size()) {
        const ssize_t got = ::read(fd, file.bytes.data() + filled, file.bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Error{ErrorCode::Io, path + ": cannot be read: " + std::strerror(errno)};
        if (got == 0)
            return Error{ErrorCode::Io, path + ": could not be read completely (it shrank while being read)"};
        filled += std::size_t(got);
    }
    return file;
}

namespace {

// The file a path names, through a symbolic link (which a save leaves in place).
Result<std::filesystem::path> resolvedTarget(const std::string& path)
{
    struct stat link;
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
        return std::filesystem::path(path);
    std::error_code ec;
    auto target = std::filesystem::canonical(path, ec);
    if (ec)
        return Error{ErrorCode::Io, path + ": cannot resolve the link: " + ec.message()};
    return target;
}

std::filesystem::path folderOf(const std::filesystem::path& file)
{
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

// Refuses when the file at path is no longer the version that was read or last saved.
Status checkUnchanged(const std::string& path, const FileIdentity& expected)
{
    struct stat now;
    if (::stat(path.c_str(), &now) != 0)
        return Error{ErrorCode::Io, path + ": not saved: the file was moved or deleted since it was opened"};
    if (identityOf(now) != expected)
        return Error{ErrorCode::Io, path + ": not saved: the file was changed on disk since it was opened (by another "
                                           "program?), and saving would overwrite those changes"};
    return {};
}

}  // namespace

Status checkWritable(const std::string& requestedPath)
{
    auto target = resolvedTarget(requestedPath);
    if (!target)
        return target.error();
    const std::string path = target.value().string();
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) {
        // Checked by the mode as well as by access(): access() lets root write anything.
        if ((info.st_mode & 0222) == 0)
            return Error{ErrorCode::NotWritable, path + ": the file is read-only, so it cannot be saved"};
        if (::access(path.c_str(), W_OK) != 0)
            return Error{ErrorCode::NotWritable, path + ": the file is not writable by this user (" + std::strerror(errno) +
                                                     "), so it cannot be saved"};
    }
    // A save makes a new file beside the old one and renames it over it.
    const std::string folder = folderOf(target.value()).string();
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return Error{ErrorCode::NotWritable, path + ": the folder " + folder + " is not writable (" + std::strerror(errno) +
                                                 "), so the file cannot be saved there"};
    return {};
}

Result<FileIdentity> writeFileAtomically(const std::string& requestedPath, const std::string& bytes,
                                         const std::optional<FileIdentity>& expected)
{
    auto target = resolvedTarget(requestedPath);
    if (!target)
        return target.error();
    const std::string path = target.value().string();
    const std::filesystem::path folder = folderOf(target.value());
    std::string tempPath = (folder / ("." + target.value().filename().string() + ".XXXXXX")).string();

    struct stat existing;
    bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return Error{ErrorCode::NotAFile, path + ": is not a regular file"};
    Status writable = checkWritable(path);
    if (!writable)
        return writable.error();
    mode_t mode;
    if (exists) {
        mode = existing.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    int fd = ::mkstemp(tempPath.data());
    if (fd < 0)
        return Error{ErrorCode::Io, path + ": cannot create a temporary file in " + folder.string() + ": " + std::strerror(errno)};
    auto failWith = [&](const std::string& what) {
        int error = errno;
        ::close(fd);
        ::unlink(tempPath.c_str());
        return Error{ErrorCode::Io, path + ": " + what + ": " + std::strerror(error)};
    };
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failWith("cannot write the temporary file");
        }
        written += std::size_t(n);
    }
    if (::fchmod(fd, mode) != 0)
        return failWith("cannot set the file mode");
    if (exists && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()))
        (void)!::fchown(fd, existing.st_uid, existing.st_gid);  // best effort: only root may give files away
    if (::fsync(fd) != 0)
        return failWith("cannot flush the temporary file");
    // The rename keeps inode, size and modification time: this is the saved file's identity.
    struct stat savedFile;
    if (::fstat(fd, &savedFile) != 0)
        return failWith("cannot read back the temporary file's status");
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(tempPath.c_str());
        return Error{ErrorCode::Io, path + ": cannot close the temporary file: " + std::strerror(error)};
    }
    if (expected) {
        Status unchanged = checkUnchanged(path, *expected);
        if (!unchanged) {
            ::unlink(tempPath.c_str());
            return unchanged.error();
        }
    }
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(tempPath.c_str());
        return Error{ErrorCode::Io, path + ": cannot replace the file: " + std::strerror(error)};
    }
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return identityOf(savedFile);
}

}  // namespace veltrano::spreadsheet
