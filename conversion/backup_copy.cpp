#include "conversion/backup_copy.h"

#include "spreadsheet/workbook.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

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

namespace {

// The most numbered names tried before giving up.
constexpr int kMaxBackupNumber = 9999;

enum class Placing {
    Placed,
    Taken,
    Failed
};

// Gives the file at from the name to only when no file or folder has that name, in one step:
// a rename that refuses to replace, or, on a file system without one, a second hard link that
// the kernel makes only under a free name (the temporary name is then let go).
Placing placeWithoutReplacing(const QString& from, const QString& to, int& error)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return Placing::Placed;
    if (errno == EEXIST)
        return Placing::Taken;
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        if (::link(source.constData(), target.constData()) == 0) {
            ::unlink(source.constData());
            return Placing::Placed;
        }
        if (errno == EEXIST)
            return Placing::Taken;
    }
    error = errno;
    return Placing::Failed;
}

// The whole file copied into an open temporary file, flushed to the disk; why not on failure.
std::optional<QString> copyInto(QFile& source, QTemporaryFile& copy)
{
    const auto cannotWrite = [&](const QString& reason) {
        return QStringLiteral("the copy cannot be written in %1: %2").arg(QFileInfo(source.fileName()).path(), reason);
    };
    constexpr qint64 kChunk = 1 << 20;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(kChunk);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError)
            return QStringLiteral("%1 cannot be read: %2").arg(source.fileName(), source.errorString());
        if (copy.write(chunk) != chunk.size())
            return cannotWrite(copy.errorString());
    }
    if (!copy.flush())
        return cannotWrite(copy.errorString());
    // The file object knows nothing of a failed fsync; errno says why.
    if (::fsync(copy.handle()) != 0)
        return cannotWrite(QString::fromLocal8Bit(std::strerror(errno)));
    return std::nullopt;
}

}  // namespace

BackupCopy copyForBackup(const QString& path, const QString& stamp)
{
    // Held while copying: the copy waits for another process editing the file to save it.
    const auto lock = spreadsheet::FileReadLock::acquire(QFile::encodeName(path).toStdString());
    if (!lock)
        return {{}, QString::fromStdString(lock.error().message)};
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("%1 cannot be read: %2").arg(path, source.errorString())};
    // A short name of its own, so that a backup name too long for the folder fails at the end.
    QTemporaryFile copy(QFileInfo(path).path() + QStringLiteral("/.veltrano-backup-XXXXXX"));
    if (!copy.open())
        return {{}, QStringLiteral("no copy can be made in %1: %2").arg(QFileInfo(path).path(), copy.errorString())};
    // A spreadsheet only its owner may read keeps that protection in its copy.
    copy.setPermissions(source.permissions());
    if (const std::optional<QString> failure = copyInto(source, copy))
        return {{}, *failure};
    for (int number = 1; number <= kMaxBackupNumber; ++number) {
        const QString numbered = number == 1 ? stamp : QStringLiteral("%1 (%2)").arg(stamp).arg(number);
        const QString backupPath = backupPathFor(path, numbered);
        int error = 0;
        switch (placeWithoutReplacing(copy.fileName(), backupPath, error)) {
        case Placing::Placed:
            copy.setAutoRemove(false);
            return {backupPath, {}};
        case Placing::Taken:
            continue;
        case Placing::Failed:
            return {{},
                    QStringLiteral("%1 cannot be written: %2")
                        .arg(backupPath, QString::fromLocal8Bit(std::strerror(error)))};
        }
    }
    return {{},
            QStringLiteral("%1 and its numbered names up to (%2) are all taken")
                .arg(backupPathFor(path, stamp))
                .arg(kMaxBackupNumber)};
}

}  // namespace veltrano::conversion
