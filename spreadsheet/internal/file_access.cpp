// Reading a workbook file whole and replacing it atomically; see file_access.h.
#include "spreadsheet/internal/file_access.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <utility>

#include "spreadsheet/internal/editor_lock_files.h"
#include "spreadsheet/workbook.h"

namespace veltrano::spreadsheet {

struct FileLock::Held {
    int fd;
    explicit Held(int descriptor)
        : fd(descriptor)
    {}
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() { ::close(fd); }
};

namespace {

constexpr std::uint64_t kMaxFileBytes = 2ull << 30;
// How long an opening waits for another writer of ours to save and let go of the file.
constexpr std::chrono::milliseconds kLockWait{5000};
constexpr std::chrono::milliseconds kLockPoll{10};

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The locks this process holds, by file, so a second opening of a file joins the first's
// lock instead of waiting for itself.
struct LockRegistry {
    std::mutex mutex;
    std::map<std::pair<dev_t, ino_t>, std::weak_ptr<FileLock::Held>> held;

    static LockRegistry& instance()
    {
        static LockRegistry registry;
        return registry;
    }

    std::shared_ptr<FileLock::Held> find(const struct stat& file)
    {
        std::lock_guard guard(mutex);
        auto it = held.find({file.st_dev, file.st_ino});
        return it == held.end() ? nullptr : it->second.lock();
    }

    void add(const struct stat& file, const std::shared_ptr<FileLock::Held>& lock)
    {
        std::lock_guard guard(mutex);
        std::erase_if(held, [](const auto& entry) { return entry.second.expired(); });
        held[{file.st_dev, file.st_ino}] = lock;
    }
};

// Our lock on the open file, or another part of this process's; nullptr when another process
// still held it after kLockWait. A file system without locks gives a lock that locks nothing,
// which must not make every file unreadable.
std::shared_ptr<FileLock::Held> waitForLock(int fd, const struct stat& file, bool exclusive)
{
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    for (;;) {
        if (auto joined = LockRegistry::instance().find(file)) {
            ::close(fd);
            return joined;
        }
        if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR)) {
            auto lock = std::make_shared<FileLock::Held>(fd);
            LockRegistry::instance().add(file, lock);
            return lock;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return nullptr;
        }
        std::this_thread::sleep_for(kLockPoll);
    }
}

Error openError(const std::string& path, int error)
{
    if (error == ENOENT || error == ENOTDIR)
        return Error{ErrorCode::NotFound, path, "", "no such file"};
    return Error{ErrorCode::Io, path, "", std::string("cannot be opened for reading: ") + std::strerror(error)};
}

Status refuseNonFile(const std::string& path, const struct stat& info)
{
    if (!S_ISREG(info.st_mode))
        return Error{ErrorCode::NotAFile, path, "",
                     S_ISDIR(info.st_mode) ? "is a folder, not a file" : "is not a regular file"};
    return {};
}

// The regular file at path opened and locked. A FIFO or device is refused before it is
// opened, and opened without blocking should it take the path in between. When the file is
// replaced while we wait for its lock (another writer saved it), the new file is opened.
Result<FileLock> openLocked(const std::string& path, bool exclusive)
{
    for (;;) {
        struct stat before;
        if (::stat(path.c_str(), &before) != 0)
            return openError(path, errno);
        if (Status regular = refuseNonFile(path, before); !regular)
            return regular.error();
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            return openError(path, errno);
        struct stat opened;
        const bool statted = ::fstat(fd, &opened) == 0;
        const int error = errno;
        if (!statted || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            return statted ? refuseNonFile(path, opened).error() : Error{ErrorCode::Io, path, "", std::strerror(error)};
        }
        FileLock lock(waitForLock(fd, opened, exclusive));
        if (!lock.held())
            return Error{ErrorCode::InUse, path, "",
                         "is being edited by another process, which did not save it within "
                             + std::to_string(kLockWait.count() / 1000) + " s; try again when it is done"};
        struct stat now;
        if (::stat(path.c_str(), &now) == 0 && sameFile(now, opened))
            return lock;
    }
}

}  // namespace

int FileLock::fd() const
{
    return m_held ? m_held->fd : -1;
}

Result<FileLock> lockFile(const std::string& path, bool exclusive)
{
    return openLocked(path, exclusive);
}

FileIdentity identityOf(const struct stat& info)
{
    return {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::int64_t(info.st_size),
            std::int64_t(info.st_mtim.tv_sec), std::int64_t(info.st_mtim.tv_nsec)};
}

Result<WorkbookFile> readWorkbookFile(const std::string& path)
{
    if (auto editor = editorHoldingFile(path))
        return Error{ErrorCode::InUse, path, "", "open in another program: " + *editor};
    auto locked = openLocked(path, true);
    if (!locked)
        return locked.error();
    const int fd = locked.value().fd();
    // The identity comes from the descriptor read, after the lock, so it is that of the bytes read.
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return Error{ErrorCode::Io, path, "", std::strerror(errno)};
    if (std::uint64_t(info.st_size) > kMaxFileBytes)
        return Error{ErrorCode::TooLarge, path, "",
                     std::to_string(info.st_size) + " bytes passes the limit of " + std::to_string(kMaxFileBytes)};
    WorkbookFile file;
    file.identity = identityOf(info);
    file.bytes.resize(std::size_t(info.st_size));
    std::size_t filled = 0;
    while (filled < file.bytes.size()) {
        const ssize_t got = ::pread(fd, file.bytes.data() + filled, file.bytes.size() - filled, off_t(filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Error{ErrorCode::Io, path, "", std::string("cannot be read: ") + std::strerror(errno)};
        if (got == 0)
            return Error{ErrorCode::Io, path, "", "could not be read completely (it shrank while being read)"};
        filled += std::size_t(got);
    }
    file.lock = std::move(locked.value());
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
        return Error{ErrorCode::Io, path, "", "cannot resolve the link: " + ec.message()};
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
        return Error{ErrorCode::Io, path, "", "not saved: the file was moved or deleted since it was opened"};
    if (identityOf(now) != expected)
        return Error{ErrorCode::Io, path, "",
                     "not saved: the file was changed on disk since it was opened (by another "
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
            return Error{ErrorCode::NotWritable, path, "", "the file is read-only, so it cannot be saved"};
        if (::access(path.c_str(), W_OK) != 0)
            return Error{ErrorCode::NotWritable, path, "",
                         std::string("the file is not writable by this user (") + std::strerror(errno)
                             + "), so it cannot be saved"};
    }
    // A save makes a new file beside the old one and renames it over it.
    const std::string folder = folderOf(target.value()).string();
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return Error{ErrorCode::NotWritable, path, "",
                     "the folder " + folder + " is not writable (" + std::strerror(errno)
                         + "), so the file cannot be saved there"};
    // In a sticky folder (such as /tmp) only a file's owner, the folder's owner or root may
    // rename over a file, whatever the file's own permissions say.
    struct stat folderInfo;
    const uid_t user = ::geteuid();
    if (::stat(path.c_str(), &info) == 0 && ::stat(folder.c_str(), &folderInfo) == 0 && (folderInfo.st_mode & S_ISVTX)
        && user != 0 && info.st_uid != user && folderInfo.st_uid != user)
        return Error{ErrorCode::NotWritable, path, "",
                     "the file belongs to another user and the folder " + folder
                         + " lets only a file's owner replace it, so it cannot be saved"};
    return {};
}

namespace {

// Our temporaries of a file are named ".NAME." and six characters, as mkstemp() makes them.
constexpr std::size_t kTempSuffix = 6;

std::string temporaryPrefix(const std::filesystem::path& target)
{
    return "." + target.filename().string() + ".";
}

// Removes the temporaries of target that a save killed before its rename left behind. Only
// called under the file's lock, so no save of ours is writing one of them now.
void removeStaleTemporaries(const std::filesystem::path& target)
{
    const std::string prefix = temporaryPrefix(target);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + kTempSuffix || !name.starts_with(prefix))
            continue;
        struct stat info;
        if (::lstat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
            ::unlink(it->path().c_str());
    }
}

// A file being written in the target's folder: unnamed (O_TMPFILE) where the file system
// allows, so a process killed while writing leaves nothing behind, else named from the start.
struct Temporary {
    int fd = -1;
    std::string name;  // empty while unnamed
    ~Temporary()
    {
        if (fd >= 0)
            ::close(fd);
        if (!name.empty())
            ::unlink(name.c_str());
    }
};

std::string temporaryPattern(const std::filesystem::path& target)
{
    return (folderOf(target) / (temporaryPrefix(target) + std::string(kTempSuffix, 'X'))).string();
}

Status createTemporary(Temporary& temp, const std::filesystem::path& target, mode_t mode)
{
    temp.fd = ::open(folderOf(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (temp.fd >= 0)
        return {};
    temp.name = temporaryPattern(target);
    temp.fd = ::mkstemp(temp.name.data());
    if (temp.fd >= 0)
        return {};
    const int error = errno;
    temp.name.clear();
    return Error{ErrorCode::Io, target.string(), "",
                 "cannot create a temporary file in " + folderOf(target).string() + ": " + std::strerror(error)};
}

// Gives an unnamed temporary a name beside the target, for the rename; the name exists only
// between this and the rename.
Status nameTemporary(Temporary& temp, const std::filesystem::path& target)
{
    if (!temp.name.empty())
        return {};
    const std::string procPath = "/proc/self/fd/" + std::to_string(temp.fd);
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryPattern(target);
        for (std::size_t i = name.size() - kTempSuffix; i < name.size(); ++i)
            name[i] = kLetters[random() % (sizeof kLetters - 1)];
        if (::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp.name = std::move(name);
            return {};
        }
        if (errno != EEXIST)
            break;
    }
    return Error{ErrorCode::Io, target.string(), "",
                 std::string("cannot name the temporary file: ") + std::strerror(errno)};
}

Status writeAll(int fd, const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Error{ErrorCode::Io, "", "", std::strerror(errno)};
        written += std::size_t(n);
    }
    return {};
}

mode_t modeForNewFile()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

Result<FileIdentity> writeFileAtomically(const std::string& requestedPath, const std::string& bytes,
                                         const std::optional<FileIdentity>& expected, FileLock* lock)
{
    auto target = resolvedTarget(requestedPath);
    if (!target)
        return target.error();
    const std::string path = target.value().string();
    const std::filesystem::path folder = folderOf(target.value());

    struct stat existing;
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return Error{ErrorCode::NotAFile, path, "", "is not a regular file"};
    Status writable = checkWritable(path);
    if (!writable)
        return writable.error();
    const mode_t mode = exists ? existing.st_mode & 07777 : modeForNewFile();
    if (lock && lock->held())
        removeStaleTemporaries(target.value());

    Temporary temp;
    if (Status created = createTemporary(temp, target.value(), mode); !created)
        return created.error();
    auto fail = [&](const std::string& what) {
        return Error{ErrorCode::Io, path, "", what + ": " + std::strerror(errno)};
    };
    if (Status written = writeAll(temp.fd, bytes); !written)
        return Error{ErrorCode::Io, path, "", "cannot write the temporary file: " + written.error().reason};
    if (::fchmod(temp.fd, mode) != 0)
        return fail("cannot set the file mode");
    if (exists && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()))
        (void)!::fchown(temp.fd, existing.st_uid, existing.st_gid);  // best effort: only root may give files away
    if (::fsync(temp.fd) != 0)
        return fail("cannot flush the temporary file");
    // Locked before it takes the name: a writer waiting for the old file then finds this one
    // held until our workbook lets go of it.
    const bool keepLocked = lock && ::flock(temp.fd, LOCK_EX | LOCK_NB) == 0;
    // The rename keeps inode, size and modification time: this is the saved file's identity.
    struct stat savedFile;
    if (::fstat(temp.fd, &savedFile) != 0)
        return fail("cannot read back the temporary file's status");
    if (expected) {
        Status unchanged = checkUnchanged(path, *expected);
        if (!unchanged)
            return unchanged.error();
    }
    if (Status named = nameTemporary(temp, target.value()); !named)
        return named.error();
    if (::rename(temp.name.c_str(), path.c_str()) != 0)
        return fail("cannot replace the file");
    temp.name.clear();
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    if (lock && keepLocked) {
        auto held = std::make_shared<FileLock::Held>(std::exchange(temp.fd, -1));
        LockRegistry::instance().add(savedFile, held);
        *lock = FileLock(std::move(held));
    } else if (lock) {
        *lock = FileLock();
    }
    return identityOf(savedFile);
}

}  // namespace veltrano::spreadsheet
