// The backup copy's name: where the stamp goes for each shape of path, and the stamp itself.

#include "conversion/backup_copy.h"

#include <gtest/gtest.h>

namespace {

using namespace veltrano::conversion;

TEST(BackupName, TheStampGoesBeforeTheFilesOwnExtensionOrAtTheEnd)
{
    const struct {
        const char* path;
        int lastDot;
        const char* backup;
    } cases[] = {
        {"/data/Sales.xlsx", 12, "/data/Sales Backup S.xlsx"},
        {"/data/Q1.final.xlsm", 15, "/data/Q1.final Backup S.xlsm"},
        {"/data/notes", 0, "/data/notes Backup S"},
        {"/data.2026/notes", 6, "/data.2026/notes Backup S"},
        {"/data/notes.", 12, "/data/notes Backup S."},
        {"a.b.xls", 4, "a.b Backup S.xls"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LastDotPosition(QString::fromUtf8(c.path)), c.lastDot) << c.path;
        EXPECT_EQ(backupPathFor(QString::fromUtf8(c.path), QStringLiteral("S")), QString::fromUtf8(c.backup));
    }
}

TEST(BackupName, TheStampIsTheTwelveHourTimeThenTheDateInTheLocalesWords)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const struct {
        QTime time;
        const char* stamp;
    } cases[] = {
        {{15, 7}, "3 07 PM Saturday, Dec 5 2026"},
        {{0, 0}, "12 00 AM Saturday, Dec 5 2026"},
        {{12, 59}, "12 59 PM Saturday, Dec 5 2026"},
        {{9, 30}, "9 30 AM Saturday, Dec 5 2026"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(backupStamp(QDateTime(QDate(2026, 12, 5), c.time), english), QString::fromUtf8(c.stamp));
}

} // namespace
