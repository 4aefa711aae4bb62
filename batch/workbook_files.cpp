#include "batch/workbook_files.h"

#include "filelist/folder_scan.h"

#include <QFile>

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

namespace veltrano::batch {
namespace {

using filelist::PacedPump;

// The same file however it was reached: its path with links and "." and ".." resolved, as the
// file system's bytes.
std::string identity(const std::string& path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

std::vector<std::string> scanFolder(const std::string& folder, const std::string& extension, WorkbookFiles& result)
{
    PacedPump noPump({}, std::chrono::milliseconds(0));
    const filelist::FolderTree tree =
        filelist::CollectSubfolders(QFile::decodeName(QByteArray::fromStdString(folder)), noPump);
    std::vector<filelist::ScanProblem> scanProblems = tree.problems;
    const filelist::WildcardPattern pattern(QStringLiteral("*.") + QString::fromStdString(extension));
    std::vector<std::string> files;
    for (const filelist::ScannedFolder& scanned : tree.folders) {
        const filelist::MatchedFiles matched = filelist::MatchingFilePaths(scanned, pattern, scanProblems);
        for (const QString& path : matched.paths)
            files.push_back(QFile::encodeName(path).toStdString());
        result.backupsLeftOut += matched.backupsLeftOut;
    }
    for (const filelist::ScanProblem& problem : scanProblems)
        result.problems.push_back({problem.path.toStdString(), problem.reason.toStdString()});
    return files;
}

}  // namespace

WorkbookFiles gatherWorkbooks(const std::vector<std::string>& paths, const std::string& extension)
{
    WorkbookFiles result;
    std::set<std::string> seen;
    const auto take = [&](const std::string& path) {
        if (seen.insert(identity(path)).second)
            result.files.push_back(path);
    };
    for (const std::string& path : paths) {
        struct stat info;
        if (::stat(path.c_str(), &info) != 0) {
            result.problems.push_back({path, errno == ENOENT ? "no such file or folder" : std::strerror(errno)});
        } else if (S_ISDIR(info.st_mode)) {
            for (const std::string& file : scanFolder(path, extension, result))
                take(file);
        } else {
            take(path);
        }
    }
    return result;
}

}  // namespace veltrano::batch
