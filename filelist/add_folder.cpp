#include "filelist/add_folder.h"

#include "filelist/folder_scan.h"

#include <QDir>

#include <chrono>
#include <vector>

namespace veltrano::filelist {

namespace {

// Well under the 50 ms after which a window that does not repaint starts to look stuck.
constexpr std::chrono::milliseconds kPumpInterval{15};
// A message box cannot show thousands of lines; the rest are counted.
constexpr std::size_t kMostProblemsShown = 20;

// The busy pointer for the life of a scan. A scan started while the pointer was already busy
// (from inside another scan or a conversion, whose events it pumps) leaves it busy for them.
class BusyPointer {
public:
    explicit BusyPointer(const WindowServices& window)
        : m_window(window),
          m_wasBusy(window.pointerIsBusy())
    {
        m_window.setPointerBusy(true);
    }
    ~BusyPointer()
    {
        if (!m_wasBusy)
            m_window.setPointerBusy(false);
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    const WindowServices& m_window;
    bool m_wasBusy;
};

// Appends each folder's matching files, in the folders' order, in one change of the list and
// without handling any event on the way: a Convert pressed meanwhile finds either none or all
// of them listed. Files that match but cannot be named go to problems.
void appendMatchingFiles(const FolderTree& tree, const QString& pattern, FileList& list,
                         std::vector<ScanProblem>& problems)
{
    const WildcardPattern wildcard(pattern);
    QStringList paths;
    for (const ScannedFolder& folder : tree.folders)
        paths.append(MatchingFilePaths(folder, wildcard, problems).paths);
    list.append(paths);
}

QString problemReport(const std::vector<ScanProblem>& problems)
{
    QString report = QStringLiteral("Some folders or files could not be searched or added:\n");
    for (std::size_t i = 0; i < problems.size() && i < kMostProblemsShown; ++i)
        report += QStringLiteral("\n%1: %2").arg(problems[i].path, problems[i].reason);
    if (problems.size() > kMostProblemsShown)
        report += QStringLiteral("\n... and %1 more.").arg(problems.size() - kMostProblemsShown);
    return report;
}

}  // namespace

void Check6_Click(FileList& list, const WindowServices& window)
{
    const QString extension = window.shell().InputBox(window.owner, QStringLiteral("Enter file extension to load:"),
                                                      QStringLiteral("xls"), QStringLiteral("Veltrano"));
    if (extension.isEmpty())
        return;
    const QString folder =
        window.shell().BrowseForFolder(window.owner, QStringLiteral("Please select folder to add:"), QDir::homePath());
    if (folder.isEmpty())
        return;

    std::vector<ScanProblem> problems;
    {
        const BusyPointer busy(window);
        PacedPump pump(window.pumpEvents, kPumpInterval);
        // The whole tree is walked first; entries appear only once the walk is over.
        const FolderTree tree = CollectSubfolders(folder, pump);
        problems = tree.problems;
        // The extension is taken exactly as typed: ".xls" gives "*..xls", which finds nothing.
        appendMatchingFiles(tree, QStringLiteral("*.") + extension, list, problems);
    }
    if (!problems.empty())
        window.shell().MsgBox(window.owner, problemReport(problems), platform::shell::kOkOnly,
                              QStringLiteral("Veltrano"));
}

}  // namespace veltrano::filelist
