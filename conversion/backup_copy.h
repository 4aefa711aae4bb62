#pragma once
// The window's side of the dated backup copies (core/backup_file.h makes them): the stamp in the
// system's words, and the names and copies in Qt's strings.

#include "result/result.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace veltrano::conversion {

// The 1-based position of the last "." in text; 0 when there is none ("a.b.xls" gives 4).
int LastDotPosition(const QString& text);

// The time as "h mm AMPM", one blank, and the date as "dddd, mmm d yyyy", with the day and
// month names and the before/after-noon designators of locale: "3 07 PM Saturday, Dec 5 2026"
// in English.
QString backupStamp(const QDateTime& when, const QLocale& locale);

// core::backupPathFor for a path and a stamp in Qt's strings.
QString backupPathFor(const QString& path, const QString& stamp);

// Why no backup copy was made, the system's reason included.
struct BackupFailure {
    QString reason;
};

// core::copyForBackup for a path and a stamp in Qt's strings: the backup's path, or why none was
// made.
veltrano::Result<QString, BackupFailure> copyForBackup(const QString& path, const QString& stamp);

}  // namespace veltrano::conversion
