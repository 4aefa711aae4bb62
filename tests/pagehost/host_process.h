#pragma once
// The real veltrano-pagehost executable, started for a test on a port the system picks.

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace veltrano::pagehost::testing {

class HostProcess {
public:
    // Starts the host with --port 0 and extra arguments; returns once it printed its address
    // (no sleeping), or nullptr with the reason in error.
    static std::unique_ptr<HostProcess> start(const std::vector<std::string>& extraArguments, std::string& error);
    // Ends the host with SIGTERM if it still runs.
    ~HostProcess();

    int port() const { return m_port; }
    pid_t pid() const { return m_pid; }
    const std::string& firstLine() const { return m_firstLine; }
    // What the host wrote to standard error so far (passed on to the test's own at the end).
    std::string errorOutput() const;
    std::unique_ptr<httplib::Client> client() const;

    // Sends signal and waits for the host to end; its exit status as waitpid gives it.
    int stopWith(int signal);

    // The host's child processes, with their command lines.
    struct Child {
        pid_t pid;
        std::string commandLine;
    };
    std::vector<Child> children() const;

private:
    HostProcess() = default;

    pid_t m_pid = -1;
    int m_output = -1;
    int m_errors = -1;  // memory file holding the host's standard error
    int m_port = 0;
    std::string m_firstLine;
};

// The path of the built executable.
std::string hostExecutable();

// POSTs {"sl","tl","q":texts} to /api/translate; the status and the parsed JSON answer.
struct ApiAnswer {
    int status = 0;
    nlohmann::json body;
};
ApiAnswer translate(httplib::Client& client, const std::string& sl, const std::string& tl,
                    const std::vector<std::string>& texts);

// True when a process with this id exists (and is not a zombie).
bool processRunning(pid_t pid);

}  // namespace veltrano::pagehost::testing
