#include "filelist/folder_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace veltrano::filelist {

namespace {

enum class Kind { Folder, File, Other };

Kind kindOfMode(mode_t mode)
{
    if (S_ISDIR(mode))
        return Kind::Folder;
    if (S_ISREG(mode))
        return Kind::File;
    return Kind::Other;
}

// A link counts as a file when it leads to one; a link to a folder is never walked into, so
// a link back up the tree cannot make the walk go round for ever.
Kind kindOfLink(int folder, const char* name)
{
    struct stat target {};
    if (fstatat(folder, name, &target, 0) != 0)
        return Kind::Other;
    return S_ISREG(target.st_mode) ? Kind::File : Kind::Other;
}

Kind kindOf(int folder, const dirent& entry)
{
    switch (entry.d_type) {
    case DT_DIR:
        return Kind::Folder;
    case DT_REG:
        return Kind::File;
    case DT_LNK:
        return kindOfLink(folder, entry.d_name);
    case DT_UNKNOWN:
        break; // file systems that do not report the kind: ask for it
    default:
        return Kind::Other;
    }
    struct stat own {};
    if (fstatat(folder, entry.d_name, &own, AT_SYMLINK_NOFOLLOW) != 0)
        return Kind::Other;
    return S_ISLNK(own.st_mode) ? kindOfLink(folder, entry.d_name) : kindOfMode(own.st_mode);
}

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

FolderEntries readFolder(const std::string& path)
{
    FolderEntries entries;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(path.c_str()), closedir);
    if (!folder) {
        entries.error = std::strerror(errno);
        return entries;
    }
    const int descriptor = dirfd(folder.get());
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
        switch (kindOf(descriptor, *entry)) {
        case Kind::Folder:
            entries.folders.emplace_back(entry->d_name);
            break;
        case Kind::File:
            entries.files.emplace_back(entry->d_name);
            break;
        case Kind::Other:
            break;
        }
    }
}

} // namespace veltrano::filelist
