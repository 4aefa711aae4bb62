#include "app/command_line.h"

#include "filelist/list_drop.h"
#include "veltrano_version.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace veltrano::app {

veltrano::Result<CommandLine, QString> parseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    QString problem;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
            line.files.append(argument);
        else if (argument == QLatin1String("--"))
            optionsEnded = true;
        else if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            line.helpWanted = true;
        else if (argument == QLatin1String("--version"))
            line.versionWanted = true;
        else if (problem.isEmpty())
            problem = QStringLiteral("unknown option ") + argument;
    }
    if (!problem.isEmpty() && !line.helpWanted && !line.versionWanted)
        return problem;
    return line;
}

QString usageText()
{
    return QStringLiteral("usage: veltrano [FILE...]\n"
                          "  Opens the Veltrano window; each FILE is added to its file list, as a drop\n"
                          "  of the file on the list adds it.\n"
                          "  --help     show this text\n"
                          "  --version  show the version\n");
}

QString versionText()
{
    return QStringLiteral("veltrano " VELTRANO_VERSION "\n");
}

void addStartFiles(const QStringList& files, filelist::FileList& list)
{
    if (files.isEmpty())
        return;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls.append(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    QMimeData drop;
    drop.setUrls(urls);
    filelist::ListView1_OLEDragDrop(drop, list);
}

}  // namespace veltrano::app
