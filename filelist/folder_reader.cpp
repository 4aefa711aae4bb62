#include "filelist/folder_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace veltrano::filelist {

namespace {

enum class Kind {
    Folder,
    File,
    BrokenLink,
    Other
};

struct EntryKind {
    Kind kind;
    int error = 0;  // for a broken link, why its target could not be reached
};

Kind kindOfMode(mode_t mode)
{
    if (S_ISDIR(mode))
        return Kind::Folder;
    if (S_ISREG(mode))
        return Kind::File;
    return Kind::Other;
}

// A link is what it leads to. The walk goes into a link to a folder like into any folder (it
// meets each real folder once, so a link back up the tree does not make it go round).
EntryKind kindOfLink(int folder, const char* name)
{
    struct stat target {};
    if (fstatat(folder, name, &target, 0) != 0)
        return {Kind::BrokenLink, errno};
    return {kindOfMode(target.st_mode)};
}

EntryKind kindOf(int folder, const dirent& entry)
{
    switch (entry.d_type) {
    case DT_DIR:
        return {Kind::Folder};
    case DT_REG:
        return {Kind::File};
    case DT_LNK:
        return kindOfLink(folder, entry.d_name);
    case DT_UNKNOWN:
        break;  // file systems that do not report the kind: ask for it
    default:
        return {Kind::Other};
    }
    struct stat own {};
    if (fstatat(folder, entry.d_name, &own, AT_SYMLINK_NOFOLLOW) != 0)
        return {Kind::Other};
    return S_ISLNK(own.st_mode) ? kindOfLink(folder, entry.d_name) : EntryKind{kindOfMode(own.st_mode)};
}

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

FolderEntries readFolder(const std::string& path)
{
    FolderEntries entries;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(path.c_str()), closedir);
    if (!folder) {
        entries.error = std::strerror(errno);
        return entries;
    }
    const int descriptor = dirfd(folder.get());
    struct stat own {};
    if (fstat(descriptor, &own) == 0)
        entries.identity =
            FolderIdentity{static_cast<std::uint64_t>(own.st_dev), static_cast<std::uint64_t>(own.st_ino)};
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(folder.get());
        if (!entry) {
            if (errno != 0)
                entries.error = std::strerror(errno);
            return entries;
        }
        if (isDotOrDotDot(entry->d_name))
            continue;
        const EntryKind kind = kindOf(descriptor, *entry);
        switch (kind.kind) {
        case Kind::Folder:
            entries.folders.emplace_back(entry->d_name);
            break;
        case Kind::File:
            entries.files.emplace_back(entry->d_name);
            break;
        case Kind::BrokenLink:
            entries.brokenLinks.push_back({entry->d_name, std::strerror(kind.error)});
            break;
        case Kind::Other:
            break;
        }
    }
}

}  // namespace veltrano::filelist
