#include "batch/workbook_files.h"

#include "filelist/folder_scan.h"

#include <QFile>
#include <QFileInfo>

#include <set>

namespace veltrano::batch {
namespace {

using filelist::PacedPump;

// The same file however it was reached: its path with links and "." and ".." resolved.
std::string identity(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return QFile::encodeName(canonical.isEmpty() ? path : canonical).toStdString();
}

QStringList scanFolder(const QString& folder, const QString& extension, std::vector<PathProblem>& problems)
{
    PacedPump noPump({}, std::chrono::milliseconds(0));
    const filelist::FolderTree tree = filelist::CollectSubfolders(folder, noPump);
    std::vector<filelist::ScanProblem> scanProblems = tree.problems;
    const filelist::WildcardPattern pattern(QStringLiteral("*.") + extension);
    QStringList files;
    for (const filelist::ScannedFolder& scanned : tree.folders)
        files += filelist::MatchingFilePaths(scanned, pattern, scanProblems);
    for (const filelist::ScanProblem& problem : scanProblems)
        problems.push_back({problem.path.toStdString(), problem.reason.toStdString()});
    return files;
}

}  // namespace

WorkbookFiles gatherWorkbooks(const std::vector<std::string>& paths, const std::string& extension)
{
    WorkbookFiles result;
    std::set<std::string> seen;
    const auto take = [&](const QString& path) {
        if (seen.insert(identity(path)).second)
            result.files.push_back(QFile::encodeName(path).toStdString());
    };
    for (const std::string& path : paths) {
        const QString name = QFile::decodeName(QByteArray::fromStdString(path));
        const QFileInfo info(name);
        if (!info.exists()) {
            result.problems.push_back({path, "no such file or folder"});
        } else if (info.isDir()) {
            for (const QString& file : scanFolder(name, QString::fromStdString(extension), result.problems))
                take(file);
        } else {
            take(name);
        }
    }
    return result;
}

}  // namespace veltrano::batch
