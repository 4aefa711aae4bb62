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
        {{"--frobnicate", "a.xlsx"}, false, false, {"a.xlsx"}, true},
    };
    for (const auto& c : cases) {
        const CommandLine line = parseCommandLine(c.arguments);
        const auto name = c.arguments.join(' ').toStdString();
        EXPECT_EQ(line.helpWanted, c.help) << name;
        EXPECT_EQ(line.versionWanted, c.version) << name;
        EXPECT_EQ(line.files, c.files) << name;
        EXPECT_EQ(!line.problem.isEmpty(), c.problem) << name;
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
