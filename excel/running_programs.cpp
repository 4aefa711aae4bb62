#include "excel/running_programs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

namespace veltrano::excel {

namespace fs = std::filesystem;

namespace {

// Program file names, in lower case, of spreadsheet programs that can hold a workbook open.
constexpr std::array<std::string_view, 7> kSpreadsheetPrograms = {
    "soffice.bin", "soffice", "gnumeric", "excel.exe", "et", "calligrasheets", "kspread"};

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The last part of a path written with either kind of separator (Wine shows Windows paths).
std::string fileNameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> commandLineOf(const fs::path& process)
{
    std::ifstream file(process / "cmdline", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = std::min(bytes.find('\0', start), bytes.size());
        arguments.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

std::string shortNameOf(const fs::path& process)
{
    std::ifstream file(process / "comm");
    std::string name;
    std::getline(file, name);
    return name;
}

// The spreadsheet program's name when the process runs one that counts; "" otherwise.
std::string spreadsheetProgramOf(const fs::path& process)
{
    const std::vector<std::string> arguments = commandLineOf(process);
    const bool headless = std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
        return argument == "--headless" || argument == "-headless";
    });
    if (headless)
        return {};
    const auto known = [](const std::string& name) {
        return std::find(kSpreadsheetPrograms.begin(), kSpreadsheetPrograms.end(), lowerCase(name))
               != kSpreadsheetPrograms.end();
    };
    if (!arguments.empty() && known(fileNameOf(arguments.front())))
        return fileNameOf(arguments.front());
    const std::string shortName = shortNameOf(process);
    return known(shortName) ? shortName : std::string();
}

std::optional<int> processIdOf(const fs::directory_entry& entry)
{
    const std::string name = entry.path().filename().string();
    const auto isDigit = [](unsigned char c) { return std::isdigit(c) != 0; };
    if (name.empty() || name.size() > 9 || !std::all_of(name.begin(), name.end(), isDigit))
        return std::nullopt;
    return std::stoi(name);
}

}  // namespace

ProcessTable::ProcessTable(fs::path procRoot, std::optional<unsigned> user)
    : m_procRoot(std::move(procRoot)),
      m_user(user.value_or(unsigned(::getuid())))
{}

std::optional<RunningProgram> ProcessTable::findSpreadsheetProgram() const
{
    std::error_code error;
    for (fs::directory_iterator it(m_procRoot, error), end; !error && it != end; it.increment(error)) {
        const auto processId = processIdOf(*it);
        if (!processId || *processId == int(::getpid()))
            continue;
        struct stat owner {};
        if (::stat(it->path().c_str(), &owner) != 0 || owner.st_uid != m_user)
            continue;
        const std::string program = spreadsheetProgramOf(it->path());
        if (!program.empty())
            return RunningProgram{*processId, program};
    }
    return std::nullopt;
}

RunningApplication RunningApplication::attach(const RunningProgramLookup& lookup)
{
    auto program = lookup.findSpreadsheetProgram();
    if (!program)
        throw ExcelError::at({}, "No spreadsheet program is running.");
    return RunningApplication(std::move(*program));
}

}  // namespace veltrano::excel
