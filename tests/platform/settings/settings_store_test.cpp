// The settings store: values kept per application and section in the config folder that
// XDG_CONFIG_HOME names at the time of the call.
#include "platform/settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace veltrano::platform::settings;

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        useConfigFolder(m_home.filePath(QStringLiteral("config")));
    }
    static void useConfigFolder(const QString& folder) { qputenv("XDG_CONFIG_HOME", folder.toLocal8Bit()); }
    QString readKey(const char* key) { return read("Maker", "Program", key, "(default)"); }

    QTemporaryDir m_home;
};

TEST_F(SettingsStoreTest, KeepsTheLastTextPerKeyAndCreatesTheFolder)
{
    EXPECT_EQ(readKey("Type"), "(default)");
    ASSERT_TRUE(write("Maker", "Program", "Type", "2"));
    ASSERT_TRUE(write("Maker", "Program", "Type", "5"));
    ASSERT_TRUE(write("Maker", "Program", "BackupCheck", "False"));
    EXPECT_EQ(readKey("Type"), "5");
    EXPECT_EQ(readKey("BackupCheck"), "False");
    EXPECT_EQ(read("Maker", "Other", "Type", "x"), "x");
    EXPECT_EQ(read("Other", "Program", "Type", "x"), "x");
    EXPECT_TRUE(QFile::exists(m_home.filePath(QStringLiteral("config/Maker.ini"))));
}

TEST_F(SettingsStoreTest, FollowsTheConfigFolderOfTheMoment)
{
    ASSERT_TRUE(write("Maker", "Program", "Type", "2"));
    useConfigFolder(m_home.filePath(QStringLiteral("elsewhere")));
    EXPECT_EQ(readKey("Type"), "(default)");
}

TEST_F(SettingsStoreTest, ATextWrittenByHandIsReadWhole)
{
    QFile file(storeFilePath("Maker"));
    ASSERT_TRUE(QDir().mkpath(m_home.filePath(QStringLiteral("config"))));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Program]\nType=1,5\nBackupCheck=true\n");
    file.close();
    EXPECT_EQ(readKey("Type"), "1,5");
    EXPECT_EQ(readKey("BackupCheck"), "true");
}

TEST_F(SettingsStoreTest, AStoreThatCannotBeWrittenSaysSo)
{
    // A file where the config folder should be: no folder can be made there, not even by root.
    QFile blocker(m_home.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    useConfigFolder(blocker.fileName());
    EXPECT_FALSE(write("Maker", "Program", "Type", "2"));
    EXPECT_EQ(readKey("Type"), "(default)");
}

} // namespace
