#pragma once
// The workbooks a run converts: the paths given, with folders searched the way the window's
// "Add All Excel File(s) In Folder" searches them.

#include <cstddef>
#include <string>
#include <vector>

namespace veltrano::batch {

struct PathProblem {
    std::string path;
    std::string reason;
};

struct WorkbookFiles {
    std::vector<std::string> files;     // in the order given, folders in the scan's order
    std::vector<PathProblem> problems;  // paths that do not exist, folders that could not be read
    std::size_t backupsLeftOut = 0;     // this program's backups found in folders and not taken
};

// Each path that is a folder is searched, with all its subfolders (hidden ones left out), for
// files matching "*." + extension whose names do not start with "~" and are not this program's
// backups; any other path is taken as a workbook, by its bytes (a name need not be UTF-8), a
// backup too. A file reached twice (listed twice, or by a link) is taken once, at its first
// place, since translating a file already translated would translate it again.
WorkbookFiles gatherWorkbooks(const std::vector<std::string>& paths, const std::string& extension);

}  // namespace veltrano::batch
