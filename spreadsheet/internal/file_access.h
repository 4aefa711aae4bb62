#pragma once
// Reading a workbook file whole and replacing it atomically, whatever its format: the file's
// identity, the checks before a save, and the temporary-file-and-rename that never leaves a
// half-written file at the path.

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>

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

struct WorkbookFile {
    std::string bytes;
    FileIdentity identity;
};

// Reads a whole regular file, refusing folders, devices and FIFOs, and files past the size
// limit; the identity is that of the bytes read.
Result<WorkbookFile> readWorkbookFile(const std::string& path);

// Writes bytes to path through a temporary file in the same folder and a rename; the mode
// of an existing file is kept. Refuses a file that checkWritable() refuses, and, when
// expected is given, a file that is no longer that version. Returns the identity of the file
// written; on failure nothing at path changes.
Result<FileIdentity> writeFileAtomically(const std::string& path, const std::string& bytes,
                                         const std::optional<FileIdentity>& expected);

}  // namespace veltrano::spreadsheet
