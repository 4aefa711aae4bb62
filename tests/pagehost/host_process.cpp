#include "host_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <sstream>

extern char** environ;

namespace veltrano::pagehost::testing {
namespace {

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The parent id and state from /proc/PID/stat (the command name may hold spaces and ')').
bool statOf(pid_t pid, pid_t& parent, char& state)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream rest(stat.substr(close + 1));
    return static_cast<bool>(rest >> state >> parent);
}

}  // namespace

std::string hostExecutable()
{
    return std::string(VELTRANO_BIN_DIR) + "/veltrano-pagehost";
}

std::unique_ptr<HostProcess> HostProcess::start(const std::vector<std::string>& extraArguments, std::string& error)
{
    std::vector<std::string> arguments = {hostExecutable(), "--port", "0"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        error = "pipe failed";
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    std::unique_ptr<HostProcess> host(new HostProcess);
    host->m_errors = memfd_create("pagehost-stderr", MFD_CLOEXEC);
    if (host->m_errors >= 0)
        posix_spawn_file_actions_adddup2(&actions, host->m_errors, STDERR_FILENO);
    const int failed = posix_spawn(&host->m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    host->m_output = output[0];
    if (failed != 0) {
        host->m_pid = -1;
        error = "cannot start " + arguments[0];
        return nullptr;
    }
    char c = 0;
    while (read(host->m_output, &c, 1) == 1 && c != '\n')
        host->m_firstLine += c;
    const std::string prefix = "listening on 127.0.0.1:";
    if (host->m_firstLine.rfind(prefix, 0) != 0) {
        error = "unexpected first line: \"" + host->m_firstLine + "\"";
        return nullptr;
    }
    host->m_port = std::stoi(host->m_firstLine.substr(prefix.size()));
    return host;
}

HostProcess::~HostProcess()
{
    if (m_pid > 0)
        stopWith(SIGTERM);
    if (m_output >= 0)
        close(m_output);
    std::cerr << errorOutput();
    if (m_errors >= 0)
        close(m_errors);
}

std::string HostProcess::errorOutput() const
{
    std::string text;
    char buffer[4096];
    for (ssize_t n = 0;
         m_errors >= 0 && (n = pread(m_errors, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

std::unique_ptr<httplib::Client> HostProcess::client() const
{
    auto client = std::make_unique<httplib::Client>("127.0.0.1", m_port);
    client->set_read_timeout(60, 0);
    return client;
}

int HostProcess::stopWith(int signal)
{
    if (m_pid <= 0)
        return -1;
    kill(m_pid, signal);
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {}
    m_pid = -1;
    return status;
}

std::vector<HostProcess::Child> HostProcess::children() const
{
    std::vector<Child> children;
    DIR* proc = opendir("/proc");
    if (!proc)
        return children;
    while (const dirent* entry = readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        pid_t parent = 0;
        char state = 0;
        if (pid <= 0 || !statOf(pid, parent, state) || parent != m_pid)
            continue;
        std::string commandLine = readFile("/proc/" + std::to_string(pid) + "/cmdline");
        for (char& c : commandLine)
            c = c == '\0' ? ' ' : c;
        children.push_back(Child{pid, commandLine});
    }
    closedir(proc);
    return children;
}

ApiAnswer translate(httplib::Client& client, const std::string& sl, const std::string& tl,
                    const std::vector<std::string>& texts)
{
    const nlohmann::json request = {{"sl", sl}, {"tl", tl}, {"q", texts}};
    const auto result = client.Post("/api/translate", request.dump(), "application/json");
    if (!result)
        return ApiAnswer{-1, httplib::to_string(result.error())};
    return ApiAnswer{result->status, nlohmann::json::parse(result->body, nullptr, false)};
}

bool processRunning(pid_t pid)
{
    pid_t parent = 0;
    char state = 0;
    return statOf(pid, parent, state) && state != 'Z' && state != 'X';
}

}  // namespace veltrano::pagehost::testing
