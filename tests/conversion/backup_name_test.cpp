// The backup copy's name: where the stamp goes for each shape of path, and the stamp itself
// (tests/core/backup_file_test.cpp has the copy).

#include "conversion/backup_copy.h"

#include <gtest/gtest.h>

namespace {

using namespace veltrano::conversion;

TEST(BackupName, TheStampGoesBeforeTheFilesOwnExtensionOrAtTheEnd)
{
    const struct {
        const char* path;
        const char* backup;
    } cases[] = {
        {"/data/Sales.xlsx", "/data/Sales Backup S.xlsx"}, {"/data/Q1.final.xlsm", "/data/Q1.final Backup S.xlsm"},
        {"/data/notes", "/data/notes Backup S"},           {"/data.2026/notes", "/data.2026/notes Backup S"},
        {"/data/notes.", "/data/notes Backup S."},         {"a.b.xls", "a.b Backup S.xls"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(backupPathFor(QString::fromUtf8(c.path), QStringLiteral("S")), QString::fromUtf8(c.backup));
}

TEST(BackupName, TheStampIsTheTwelveHourTimeThenTheDateInTheLocalesWords)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const std::pair<QTime, const char*> cases[] = {{{15, 7}, "3 07 PM Saturday, Dec 5 2026"},
                                                   {{0, 0}, "12 00 AM Saturday, Dec 5 2026"},
                                                   {{12, 59}, "12 59 PM Saturday, Dec 5 2026"}};
    for (const auto& [time, stamp] : cases)
        EXPECT_EQ(backupStamp(QDateTime(QDate(2026, 12, 5), time), english), QString::fromUtf8(stamp));
}

}  // namespace
