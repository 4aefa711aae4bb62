#pragma once
// The dated backup copy a conversion makes of a workbook before opening it: the copy's name
// beside the file, and the copy itself, made so that a half-made copy never has that name.

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

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

// Copies the file at path to backupPath byte for byte, with the file's permissions, through a
// temporary file in the same folder that is renamed at the end, so a file already there is
// replaced whole or not at all. Returns nullopt on success, else why it could not be done; no
// temporary file is left behind.
std::optional<QString> copyForBackup(const QString& path, const QString& backupPath);

} // namespace veltrano::conversion
