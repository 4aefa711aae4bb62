#pragma once
// One folder's entries straight from the file system, links followed one step to see what they
// lead to. Names are bytes, exactly as the file system holds them.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltrano::filelist {

// What makes a folder the one it is, whatever path reached it.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend auto operator<=>(const FolderIdentity&, const FolderIdentity&) = default;
};

struct BrokenLink {
    std::string name;
    std::string reason;  // why it could not be followed
};

struct FolderEntries {
    std::optional<FolderIdentity> identity;  // none when the folder could not be opened
    std::vector<std::string> folders;        // subfolders, and links that lead to one
    std::vector<std::string> files;          // regular files, and links that lead to one
    std::vector<BrokenLink> brokenLinks;     // links that lead nowhere, or nowhere we may look
    std::string error;                       // why the folder could not be read; empty when it was
};

// Reads the folder at path ("." and ".." left out), in the file system's order. Devices,
// pipes, sockets and links to them are neither folders nor files here. On failure, error says
// why and the lists hold what was read before it.
FolderEntries readFolder(const std::string& path);

}  // namespace veltrano::filelist
