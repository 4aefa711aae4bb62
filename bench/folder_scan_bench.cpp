// The folder scan of "Add All Excel File(s) In Folder" on a large tree, against
// `find DIR -iregex '.*\.xls[^./]*'` (the same choice: *.xls and longer extensions that begin
// with xls) in the same run, and the longest time the window went without its
// events being handled during the scan.
// Usage: folder_scan_bench [DIR]   (DIR is generated first when it holds no tree yet)
#include "filelist/file_list_handlers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardItemModel>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTopFolders = 50;
constexpr int kFoldersPerTop = 99;   // 50 + 50 × 99 = 5,000 folders
constexpr int kFilesPerFolder = 20;  // 100,000 files
constexpr int kRuns = 5;

// Per folder: 8 workbooks named *.xls or *.XLS, 2 lock files "~$....xls", 3 .xlsx/.xlsm
// workbooks, 7 other files.
const char* const kFileNames[kFilesPerFolder] = {
    "Budget.xls", "sales q1.xls", "Sales Q2.XLS", "costs.xls",   "plan-2024.xls", "Zeta.xls", "alpha.XLS",
    "notes.xls",  "~$Budget.xls", "~$costs.xls",  "Budget.xlsx", "report.xlsx",   "data.csv", "readme.txt",
    "chart.png",  "old.xls.bak",  "model.xlsm",   "a.xlt",       "letter.doc",    "x.ods",
};

void generateTree(const fs::path& root)
{
    for (int top = 0; top < kTopFolders; ++top) {
        const fs::path topFolder = root / ("Dept " + std::to_string(top));
        std::vector<fs::path> folders{topFolder};
        for (int sub = 0; sub < kFoldersPerTop; ++sub)
            folders.push_back(topFolder / ("Project" + std::to_string(sub)));
        for (const fs::path& folder : folders) {
            fs::create_directories(folder);
            for (const char* name : kFileNames)
                std::ofstream(folder / name) << "x";
        }
    }
    std::ofstream(root / ".generated") << "done";
}

// A shell that answers the two prompts of the command with the extension and the folder.
class BenchShell final : public veltrano::platform::shell::Shell {
public:
    explicit BenchShell(QString folder)
        : m_folder(std::move(folder))
    {}
    int MsgBox(QWidget*, const QString& prompt, int, const QString&) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(prompt));
        return veltrano::platform::shell::kAnswerOk;
    }
    QString InputBox(QWidget*, const QString&, const QString&, const QString&) override
    {
        return QStringLiteral("xls");
    }
    QStringList GetOpenFileNames(QWidget*, const veltrano::platform::shell::OpenFilesRequest&) override { return {}; }
    QString BrowseForFolder(QWidget*, const QString&, const QString&) override { return m_folder; }
    void OpenUrl(const QUrl&) override {}
    QPoint GetCursorPos() const override { return {}; }

private:
    QString m_folder;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double findMilliseconds(const std::string& root)
{
    const std::string command = "find '" + root + "' -iregex '.*\\.xls[^./]*' > /dev/null";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "find failed\n");
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "veltrano-scan-tree";
    if (!fs::exists(root / ".generated")) {
        std::printf("generating %d files in %d folders under %s ...\n",
                    kTopFolders * (kFoldersPerTop + 1) * kFilesPerFolder, kTopFolders * (kFoldersPerTop + 1),
                    root.c_str());
        generateTree(root);
    }

    // The list as the window shows it, so that every pump has a view to lay out and repaint.
    QTreeView view;
    QStandardItemModel model(0, 1);
    view.setModel(&model);
    view.setUniformRowHeights(true);
    view.resize(441, 162);
    view.show();

    BenchShell shell(QString::fromStdString(root.string()));
    Clock::duration longestGap{};
    long pumps = 0;
    Clock::time_point lastPump;
    veltrano::filelist::WindowServices window;
    window.owner = &view;
    window.shell = [&shell]() -> veltrano::platform::shell::Shell& { return shell; };
    window.pointerIsBusy = [] { return false; };
    window.setPointerBusy = [&](bool busy) {
        // The busy pointer goes on right before the walk and off right after the last append:
        // the gaps are measured between those two moments.
        if (busy)
            lastPump = Clock::now();
        else
            longestGap = std::max(longestGap, Clock::now() - lastPump);
    };
    window.pumpEvents = [&] {
        const auto now = Clock::now();
        longestGap = std::max(longestGap, now - lastPump);
        ++pumps;
        QApplication::processEvents();
        lastPump = Clock::now();
    };
    veltrano::filelist::FileListHandlers handlers(view, model, window);

    // The first run fills the file system's caches for both. find also counts the "~$" lock
    // files, which the command leaves out.
    const std::string count = "printf 'find matches: '; find '" + root.string() + "' -iregex '.*\\.xls[^./]*' | wc -l";
    if (std::system(count.c_str()) != 0)
        std::fprintf(stderr, "find failed\n");
    std::vector<double> ours;
    std::vector<double> theirs;
    double worstGapMs = 0;
    for (int run = 0; run < kRuns; ++run) {
        model.removeRows(0, model.rowCount());
        longestGap = {};
        pumps = 0;
        QElapsedTimer timer;
        timer.start();
        handlers.Check6_Click();
        ours.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        worstGapMs = std::max(worstGapMs, std::chrono::duration<double, std::milli>(longestGap).count());
        theirs.push_back(findMilliseconds(root.string()));
        std::printf("run %d: ours %.1f ms (%d entries, %ld pumps, longest gap %.1f ms), find %.1f ms\n", run + 1,
                    ours.back(), handlers.fileList().count(), pumps,
                    std::chrono::duration<double, std::milli>(longestGap).count(), theirs.back());
    }
    const double oursMedian = median(ours);
    const double theirsMedian = median(theirs);
    std::printf("median of %d: ours %.1f ms, find %.1f ms, ratio %.2f; longest gap between event pumps %.1f ms\n",
                kRuns, oursMedian, theirsMedian, oursMedian / theirsMedian, worstGapMs);
    return 0;
}
