#pragma once
// The dated backup copy of a workbook, made before a conversion changes it: the copy's name
// beside the file, and the copy itself, made so that a half-made copy never has that name.
// Paths are the file system's bytes, which need not be UTF-8.

#include "result/result.h"

#include <string>

namespace veltrano::core {

// The backup's path for a workbook path: everything before the last ".", " Backup ", the
// stamp, then the extension with its dot. When the file's own name has no "." (none at all, or
// only in a folder name), " Backup " and the stamp go at the end of the path.
std::string backupPathFor(const std::string& path, const std::string& stamp);

// Why no backup copy was made, the system's reason included.
struct BackupFailure {
    std::string reason;
};

// Copies the workbook at path beside it, byte for byte with its permissions, under the first
// free name of backupPathFor(path, stamp), then with " (2)", " (3)", ... after the stamp. The
// copy is made in a temporary file in the same folder and given its name only where no file
// has it, in one step, so another file is never replaced and a half-made copy never has the
// name. A file that the conversion could not save in place afterwards (read-only, not this
// user's to replace) gets no copy. Returns the backup's path, or why no copy could be made, with
// the system's reason (no temporary file is left).
veltrano::Result<std::string, BackupFailure> copyForBackup(const std::string& path, const std::string& stamp);

}  // namespace veltrano::core
