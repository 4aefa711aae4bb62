#pragma once
// The folder scan behind "Add All Excel File(s) In Folder": the walk over a folder and all of
// its subfolders, and the choice of the files in one folder that match a wildcard pattern.

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <vector>

namespace veltrano::filelist {

// One folder met by the walk.
struct ScannedFolder {
    QString path;           // full path with "/" separators, no final "/" except for the root
    QStringList fileNames;  // its files' names, in the order of the platform's listing
    // Files whose names are not valid UTF-8: no path we could list would name them. Shown here
    // with replacement characters, only so that they can be reported.
    QStringList undecodableFileNames;
};

// A folder that the walk could not read, or could not read to its end.
struct ScanProblem {
    QString path;
    QString reason;
};

struct FolderTree {
    // The chosen folder first, then all its subfolders, then all folders two levels down, and
    // so on; within a level, grouped by parent in the parents' order.
    std::vector<ScannedFolder> folders;
    std::vector<ScanProblem> problems;  // in the order the walk met them
};

// Calls the window's event pump from inside long work, but only once interval has passed since
// the last call, so that checking costs next to nothing and the window still repaints often.
class PacedPump {
public:
    // pump may be empty: then nothing is ever called.
    PacedPump(std::function<void()> pump, std::chrono::milliseconds interval);
    // Pumps when the interval has passed.
    void operator()();
    // Pumps now.
    void now();

private:
    std::function<void()> m_pump;
    std::chrono::steady_clock::duration m_interval;
    std::chrono::steady_clock::time_point m_last;
};

// Walks folder and every subfolder below it, breadth-first, links to folders included, reading
// each real folder once (under the first path that reaches it). Hidden subfolders (names
// starting with ".") and everything below them are left out. Folders that cannot be read, and
// links that cannot be followed, are listed in problems.
// Calls pump between entries, as a PacedPump paces it.
FolderTree CollectSubfolders(const QString& folder, PacedPump& pump);

class WildcardPattern;

// The files of a folder that a search takes.
struct MatchedFiles {
    QStringList paths;               // full paths, in the folder's order
    std::size_t backupsLeftOut = 0;  // matching names that are this program's backups
};

// The files of folder that match pattern, leaving out names that start with "~" (the lock and
// temporary files of an open workbook) and the backup copies this program makes (isBackupName),
// which a later run must not translate. Matching files whose names are not valid UTF-8 go to
// problems instead.
MatchedFiles MatchingFilePaths(const ScannedFolder& folder, const WildcardPattern& pattern,
                               std::vector<ScanProblem>& problems);

// Whether a file's name is one this program gives the backup copy of a workbook: the name, then
// " Backup ", the time as "h mm" and its designator, the day and the date ("10 36 PM Monday,
// Dec 7 2026" in English, in the words of the locale it was made in), perhaps " (2)" and so on,
// then the extension.
bool isBackupName(const QString& name);

// folder and name joined by exactly one "/", also when folder is the root "/" or already ends
// in "/".
QString joinPath(const QString& folder, const QString& name);

// Sorts names the way the platform's listing orders a folder: without regard to case (letters
// compared as capitals), then, for names that differ only in case, by their exact text.
void sortLikeListing(QStringList& names);

// A file name pattern where "*" stands for any run of characters (also none) and "?" for
// exactly one; every other character stands for itself. Letters match without regard to case.
// A pattern whose extension (the text after its last ".") is exactly three characters without
// wildcards also matches longer extensions that begin with those three, as a search through
// 8.3 short names does: "*.xls" finds a.xlsx and b.XLSM, not c.xlsx.bak.
class WildcardPattern {
public:
    explicit WildcardPattern(const QString& pattern);
    // True when the whole of name matches.
    bool matches(const QString& name) const;

private:
    using CodePoints = QList<uint>;  // case-folded

    static bool wholeMatch(const CodePoints& pattern, const CodePoints& text);
    bool matchesByExtensionStart(const CodePoints& text) const;

    CodePoints m_pattern;
    // For a three-character extension: the pattern before its last "." and that extension;
    // both empty otherwise.
    CodePoints m_stem;
    CodePoints m_extension;
};

}  // namespace veltrano::filelist
