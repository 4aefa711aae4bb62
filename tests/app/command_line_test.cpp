// The program's command line: its two options, and files handed over by the desktop.
#include "app/command_line.h"
#include "filelist/file_list.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStandardItemModel>

namespace veltrano::app {
namespace {

TEST(CommandLine, OptionsAndFilesAreTold)
{
    const struct {
        QStringList arguments;
        bool help;
        bool version;
        QStringList files;
        bool problem;
    } cases[] = {
        {{}, false, false, {}, false},
        {{"--help"}, true, false, {}, false},
        {{"-h"}, true, false, {}, false},
        {{"a.xlsx", "--version"}, false, true, {"a.xlsx"}, false},
        {{"a.xlsx", "/tmp/b c.xlsm", "-"}, false, false, {"a.xlsx", "/tmp/b c.xlsm", "-"}, false},
        {{"--", "--help", "-x.xlsx"}, false, false, {"--help", "-x.xlsx"}, false},
        {{"--frobnicate", "a.xlsx"}, false, false, {}, true},
        {{"--frobnicate", "--help"}, true, false, {}, false},
        {{"-x", "--version", "-y"}, false, true, {}, false},
    };
    for (const auto& c : cases) {
        const auto line = parseCommandLine(c.arguments);
        const auto name = c.arguments.join(' ').toStdString();
        ASSERT_EQ(!line, c.problem) << name;
        if (!line) {
            EXPECT_EQ(line.error(), "unknown option " + c.arguments.first()) << name;
            continue;
        }
        EXPECT_EQ(line.value().helpWanted, c.help) << name;
        EXPECT_EQ(line.value().versionWanted, c.version) << name;
        EXPECT_EQ(line.value().files, c.files) << name;
    }
}

TEST(CommandLine, StartFilesGoAfterTheListedOnesAsADropPutsThem)
{
    QStandardItemModel model;
    filelist::FileList list(model);
    list.append(QStringLiteral("/data/first.xlsx"));
    addStartFiles({"book.xlsx", "/data/first.xlsx", "/data/Some Folder"}, list);
    const QStringList expected = {"/data/first.xlsx", QDir::current().absoluteFilePath("book.xlsx"), "/data/first.xlsx",
                                  "/data/Some Folder"};
    QStringList listed;
    for (int position = 1; position <= list.count(); ++position)
        listed << list.text(position);
    EXPECT_EQ(listed, expected);
}

}  // namespace
}  // namespace veltrano::app
