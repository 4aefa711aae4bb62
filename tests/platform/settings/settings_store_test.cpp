// The settings store: one text per key, in the config folder XDG_CONFIG_HOME names at the
// time of each call.
#include "platform/settings/settings_store.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace veltrano::platform::settings;

TEST(SettingsStore, KeepsTheLastTextPerKeyInTheConfigFolderOfTheMoment)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("new").toLocal8Bit());
    EXPECT_EQ(read("Maker", "Program", "Type", "none"), "none");
    ASSERT_TRUE(write("Maker", "Program", "Type", "2"));
    ASSERT_TRUE(write("Maker", "Program", "Type", "5"));
    EXPECT_EQ(read("Maker", "Program", "Type", "none"), "5");
    EXPECT_EQ(read("Maker", "Other", "Type", "none"), "none");
    EXPECT_TRUE(QFile::exists(home.filePath("new/Maker.ini")));

    qputenv("XDG_CONFIG_HOME", home.filePath("elsewhere").toLocal8Bit());
    EXPECT_EQ(read("Maker", "Program", "Type", "none"), "none");
    // A file where the folder should be: no folder can be made there, not even by root.
    QFile(home.filePath("elsewhere")).open(QIODevice::WriteOnly);
    EXPECT_FALSE(write("Maker", "Program", "Type", "2"));
}

TEST(SettingsStore, ATextWrittenByHandIsReadWhole)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QFile file(storeFilePath("Maker"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Program]\nType=1,5\nBackupCheck=true\n");
    file.close();
    EXPECT_EQ(read("Maker", "Program", "Type", "none"), "1,5");
    EXPECT_EQ(read("Maker", "Program", "BackupCheck", "none"), "true");
}
