#pragma once
// Reading a workbook file whole and replacing it atomically, whatever its format: the file's
// identity, the checks before a save, and the temporary-file-and-rename that never leaves a
// half-written file at the path.

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "spreadsheet/result.h"

namespace veltrano::spreadsheet {

// What tells one version of a file from another: a save by another program gives a new
// inode (replaced through a rename) or a new size or modification time (written in place).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file a stat() or fstat() described.
FileIdentity identityOf(const struct stat& info);

// An advisory lock (flock) on an open file, released when the last copy is destroyed. Our
// writers hold one on a workbook from opening it to saving it, so two processes never edit
// one version at once. Within a process the lock is shared: a second opening of the same
// file joins it, and saving still refuses a file changed since it was read.
class FileLock {
public:
    struct Held;
    FileLock() = default;
    explicit FileLock(std::shared_ptr<Held> held)
        : m_held(std::move(held))
    {}

    bool held() const { return m_held != nullptr; }
    // The locked file's descriptor, shared by every copy (read it with pread); -1 when none.
    int fd() const;

private:
    std::shared_ptr<Held> m_held;
};

// Takes a lock on the file at path (exclusive, or shared for readers), waiting a few seconds
// for another holder to let go; refuses with ErrorCode::InUse when it does not. A file
// system without locks gives an empty lock, not a failure.
Result<FileLock> lockFile(const std::string& path, bool exclusive);

struct WorkbookFile {
    std::string bytes;
    FileIdentity identity;
    FileLock lock;  // exclusive, on the file whose bytes these are
};

// Reads a whole regular file under an exclusive lock, which it hands back; refuses folders,
// devices and FIFOs without blocking, files past the size limit, and files another program
// has marked as open for editing (a lock file beside them). The identity is that of the
// bytes read.
Result<WorkbookFile> readWorkbookFile(const std::string& path);

// Writes bytes to path through a temporary file in the same folder and a rename; the mode
// of an existing file is kept. Refuses a file that checkWritable() refuses, and, when
// expected is given, a file that is no longer that version. Returns the identity of the file
// written; on failure nothing at path changes.
// When lock is given, the new file is locked before it takes the name and the lock is
// handed back through it.
Result<FileIdentity> writeFileAtomically(const std::string& path, const std::string& bytes,
                                         const std::optional<FileIdentity>& expected, FileLock* lock = nullptr);

}  // namespace veltrano::spreadsheet
