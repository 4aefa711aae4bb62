#include "spreadsheet/internal/editor_lock_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "spreadsheet/internal/utf8.h"

namespace veltrano::spreadsheet {

namespace {

// The first bytes of a regular file; nullopt when there is none (a FIFO is not waited on).
std::optional<std::string> readHead(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat info;
    std::optional<std::string> head;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        head.emplace(1024, '\0');
        const ssize_t got = ::read(fd, head->data(), head->size());
        head->resize(got > 0 ? std::size_t(got) : 0);
    }
    ::close(fd);
    return head;
}

// One line of valid UTF-8 without blanks around it: a name from a file never splits a message.
std::string oneLine(std::string_view text)
{
    const std::string clean = utf8::singleLine(text);
    const auto first = clean.find_first_not_of(' ');
    const auto last = clean.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : clean.substr(first, last - first + 1);
}

// LibreOffice writes "Full Name,login,host,date,profile;": the full name, else the login.
std::string libreOfficeUser(std::string_view head)
{
    const auto comma = head.find(',');
    std::string name = oneLine(head.substr(0, comma));
    if (name.empty() && comma != std::string_view::npos) {
        const auto rest = head.substr(comma + 1);
        name = oneLine(rest.substr(0, rest.find(',')));
    }
    return name;
}

// Excel writes the name's length in the first byte and the name in the ANSI code page after
// it, then at offset 54 its length again (16 bits) and the name in UTF-16LE.
std::string excelUser(std::string_view head)
{
    constexpr std::size_t kWideAt = 54;
    if (head.size() >= kWideAt + 2) {
        const std::size_t units = std::uint8_t(head[kWideAt]) | std::uint8_t(head[kWideAt + 1]) << 8;
        if (units > 0 && head.size() >= kWideAt + 2 + 2 * units) {
            std::string name;
            utf8::appendUtf16Le(name, head.substr(kWideAt + 2, 2 * units));
            return oneLine(name);
        }
    }
    const std::size_t length = head.empty() ? 0 : std::uint8_t(head[0]);
    std::string name;
    utf8::appendLatin1(name, head.substr(std::min<std::size_t>(1, head.size()), length));  // near enough for a name
    return oneLine(name);
}

}  // namespace

std::optional<std::string> editorHoldingFile(const std::string& path)
{
    const std::filesystem::path file(path);
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const std::string name = file.filename().string();
    struct Editor {
        const char* program;
        std::string lockName;
        std::string (*user)(std::string_view head);
    };
    const Editor editors[] = {{"LibreOffice", ".~lock." + name + "#", libreOfficeUser},
                              {"Excel", "~$" + name, excelUser}};
    for (const auto& editor : editors) {
        const auto head = readHead(folder / editor.lockName);
        if (!head)
            continue;
        const std::string user = editor.user(*head);
        return std::string(editor.program) + (user.empty() ? std::string() : ", by " + user) + " (lock file "
               + oneLine(editor.lockName) + ")";
    }
    return std::nullopt;
}

}  // namespace veltrano::spreadsheet
