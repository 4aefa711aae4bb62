#pragma once
// The dated backup copy a conversion makes of a workbook before opening it: the copy's name
// beside the file, and the copy itself, made so that a half-made copy never has that name.

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <string>

namespace veltrano::conversion {

// The 1-based position of the last "." in text; 0 when there is none ("a.b.xls" gives 4).
int LastDotPosition(const QString& text);

// The time as "h mm AMPM", one blank, and the date as "dddd, mmm d yyyy", with the day and
// month names and the before/after-noon designators of locale: "3 07 PM Saturday, Dec 5 2026"
// in English.
QString backupStamp(const QDateTime& when, const QLocale& locale);

// The backup's path for a workbook path: everything before the last ".", " Backup ", the
// stamp, then the extension with its dot. When the file's own name has no "." (none at all, or
// only in a folder name), " Backup " and the stamp go at the end of the path.
QString backupPathFor(const QString& path, const QString& stamp);
// The same for a path as the file system's bytes, which need not be UTF-8.
std::string backupPathFor(const std::string& path, const std::string& stamp);

// Copies the workbook at path beside it, byte for byte with its permissions, under the first
// free name of backupPathFor(path, stamp), then with " (2)", " (3)", ... after the stamp. The
// copy is made in a temporary file in the same folder and given its name only where no file
// has it, in one step, so another file is never replaced and a half-made copy never has the
// name. A file that the conversion could not save in place afterwards (read-only, not this
// user's to replace) gets no copy. Returns the backup's path, or why no copy could be made, with
// the system's reason (no temporary file is left).
struct BackupFile {
    std::string path;     // the backup made, as the file system's bytes; empty on failure
    std::string failure;  // why none was made; empty on success
};
BackupFile copyForBackup(const std::string& path, const std::string& stamp);

// The same for a path and a stamp in Qt's strings.
struct BackupCopy {
    QString path;     // the backup made; empty on failure
    QString failure;  // why none was made; empty on success
};
BackupCopy copyForBackup(const QString& path, const QString& stamp);

}  // namespace veltrano::conversion
