#include "conversion/backup_copy.h"

#include "core/backup_file.h"

#include <QFile>

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
    return QString::fromStdString(core::backupPathFor(path.toStdString(), stamp.toStdString()));
}

veltrano::Result<QString, BackupFailure> copyForBackup(const QString& path, const QString& stamp)
{
    const auto made = core::copyForBackup(QFile::encodeName(path).toStdString(), stamp.toStdString());
    if (!made)
        return BackupFailure{QString::fromStdString(made.error().reason)};
    return QFile::decodeName(QByteArray::fromStdString(made.value()));
}

}  // namespace veltrano::conversion
