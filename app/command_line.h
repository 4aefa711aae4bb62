#pragma once
// The program's command line: --help, --version, or the files the desktop hands over ("Open
// with", a drop on the program's icon), which go to the file list as a drop would put them.

#include "result/result.h"

#include <QString>
#include <QStringList>

namespace veltrano::filelist {
class FileList;
}

namespace veltrano::app {

struct CommandLine {
    bool helpWanted = false;
    bool versionWanted = false;
    QStringList files;  // as given, in order
};

// The arguments after the program's name. Before "--", an argument starting with "-" is an
// option; after it, every argument is a file. Fails with "unknown option X" for the first
// unknown one, unless --help or --version is asked for too: those are answered whatever else
// the line holds.
veltrano::Result<CommandLine, QString> parseCommandLine(const QStringList& arguments);

// "usage: veltrano ..." with one line per option.
QString usageText();

// "veltrano VERSION".
QString versionText();

// Appends files to list the way a drop of them does, each made absolute against the current
// folder as a file manager's drop would carry it.
void addStartFiles(const QStringList& files, filelist::FileList& list);

}  // namespace veltrano::app
