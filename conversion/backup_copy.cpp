#include "conversion/backup_copy.h"

#include <QFile>
#include <QSaveFile>

#include "spreadsheet/workbook.h"

namespace veltrano::conversion {

int LastDotPosition(const QString& text)
{
    return int(text.lastIndexOf(QLatin1Char('.')) + 1);
}

QString backupStamp(const QDateTime& when, const QLocale& locale)
{
    // The designators are used as the locale writes them, not forced to upper case.
    const QTime time = when.time();
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    const QString designator = time.hour() < 12 ? locale.amText() : locale.pmText();
    return QStringLiteral("%1 %2 %3 %4")
        .arg(hour12)
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(designator, locale.toString(when.date(), QStringLiteral("dddd, MMM d yyyy")));
}

QString backupPathFor(const QString& path, const QString& stamp)
{
    const QString marker = QStringLiteral(" Backup ") + stamp;
    const int dot = LastDotPosition(path);
    const int lastSeparator = int(path.lastIndexOf(QLatin1Char('/')) + 1);
    // A dot before the last separator belongs to a folder's name, not to an extension.
    if (dot == 0 || dot < lastSeparator)
        return path + marker;
    return path.left(dot - 1) + marker + path.mid(dot - 1);
}

std::optional<QString> copyForBackup(const QString& path, const QString& backupPath)
{
    // Held while copying: the copy waits for another process editing the file to save it.
    const auto lock = spreadsheet::FileReadLock::acquire(QFile::encodeName(path).toStdString());
    if (!lock)
        return QString::fromStdString(lock.error().message);
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 cannot be read: %2").arg(path, source.errorString());
    QSaveFile copy(backupPath);
    if (!copy.open(QIODevice::WriteOnly))
        return QStringLiteral("%1 cannot be written: %2").arg(backupPath, copy.errorString());
    // A spreadsheet only its owner may read keeps that protection in its copy.
    copy.setPermissions(source.permissions());
    constexpr qint64 kChunk = 1 << 20;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(kChunk);
        // An uncommitted copy takes its temporary file with it.
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError)
            return QStringLiteral("%1 cannot be read: %2").arg(path, source.errorString());
        if (copy.write(chunk) != chunk.size())
            break;
    }
    // commit() also reports a failed write above, and removes the temporary file on any failure.
    if (!copy.commit())
        return QStringLiteral("%1 cannot be written: %2").arg(backupPath, copy.errorString());
    return std::nullopt;
}

} // namespace veltrano::conversion
