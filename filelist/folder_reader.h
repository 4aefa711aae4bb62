#pragma once
// One folder's entries straight from the file system, without following links into other
// folders. Names are bytes, exactly as the file system holds them.

#include <string>
#include <vector>

namespace veltrano::filelist {

struct FolderEntries {
    std::vector<std::string> folders; // real subfolders; links to folders are not among them
    std::vector<std::string> files;   // regular files, and links that lead to one
    std::string error;                // why the folder could not be read; empty when it was
};

// Reads the folder at path ("." and ".." left out), in the file system's order. Devices,
// pipes, sockets and broken links are neither folders nor files here. On failure, error says
// why and the lists hold what was read before it.
FolderEntries readFolder(const std::string& path);

} // namespace veltrano::filelist
