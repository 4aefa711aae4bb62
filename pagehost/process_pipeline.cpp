#include "pagehost/process_pipeline.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

extern char** environ;

namespace veltrano::pagehost {
namespace {

using Clock = std::chrono::steady_clock;

std::string errnoText(int error)
{
    return std::strerror(error);
}

// A write into a pipeline whose first program has ended must come back as EPIPE, not end this
// process; the programs themselves get the default action back when they are started.
void ignoreBrokenPipes()
{
    static std::once_flag once;
    std::call_once(once, [] { signal(SIGPIPE, SIG_IGN); });
}

// Descriptors 0-2 are where the children's stdin/stdout go; an fd of ours there (when this
// process was started with one closed) would be clobbered by the dup2 in the child.
int keepAboveStandardFds(int fd)
{
    if (fd > 2)
        return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    return moved;
}

bool makePipe(int ends[2])
{
    if (pipe2(ends, O_CLOEXEC) != 0)
        return false;
    ends[0] = keepAboveStandardFds(ends[0]);
    ends[1] = keepAboveStandardFds(ends[1]);
    return ends[0] >= 0 && ends[1] >= 0;
}

class SpawnSetup {
public:
    SpawnSetup(int input, int output, pid_t group)
    {
        posix_spawn_file_actions_init(&m_actions);
        posix_spawn_file_actions_adddup2(&m_actions, input, STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&m_actions, output, STDOUT_FILENO);
        // HTTP sockets are opened without close-on-exec; a program that kept a client's socket
        // would hold that connection open after the host has closed it.
        posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1);

        posix_spawnattr_init(&m_attributes);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawnattr_setpgroup(&m_attributes, group);
        // The host blocks its stop signals for its signal thread and ignores SIGPIPE; the
        // programs must get both back to normal.
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&m_attributes, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigdefault(&m_attributes, &defaults);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&m_actions);
        posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // The new process id, or the error number.
    int spawn(const ProgramCall& program, pid_t& pid)
    {
        std::vector<char*> argv;
        for (const auto& argument : program)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        return posix_spawnp(&pid, argv[0], &m_actions, &m_attributes, argv.data(), environ);
    }

private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attributes;
};

// An exchange this small is through each program in a moment, so its programs gain nothing from
// running on different cores and pay for the hand-over between cores at each of the fifteen:
// on a two-core machine one label's round trip took 1.7 ms with the pipeline on one core against
// 3.1 ms spread over both. Larger exchanges keep the programs side by side, where they work on
// different parts at once (256 labels, 5 KB, took 40% longer on one core; 64 labels still gained).
constexpr std::size_t kOwnCoreExchangeBytes = 2048;

// The pipelines take the host's cores in turn, so that two busy at once do not share one.
int nextOwnCore(const cpu_set_t& cores)
{
    static std::atomic<unsigned> taken{0};
    const int count = CPU_COUNT(&cores);
    if (count < 2)
        return -1;
    int wanted = static_cast<int>(taken++ % static_cast<unsigned>(count));
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &cores) && wanted-- == 0)
            return cpu;
    }
    return -1;
}

std::string describe(const ProgramCall& program)
{
    return program.empty() ? std::string("(empty)") : program.front();
}

}  // namespace

Result<std::unique_ptr<Pipeline>> ProcessPipeline::start(const std::vector<ProgramCall>& programs)
{
    ignoreBrokenPipes();
    if (programs.empty() || programs.front().empty())
        return Failure{"pipeline has no programs"};
    std::unique_ptr<ProcessPipeline> pipeline(new ProcessPipeline);

    int intoFirst[2];
    if (!makePipe(intoFirst))
        return Failure{"cannot create pipe: " + errnoText(errno)};
    pipeline->m_input = intoFirst[1];
    int previousOutput = intoFirst[0];

    for (const auto& program : programs) {
        int link[2];
        if (program.empty() || !makePipe(link)) {
            close(previousOutput);
            return Failure{program.empty() ? "pipeline has an empty stage" : "cannot create pipe: " + errnoText(errno)};
        }
        const pid_t group = pipeline->m_pids.empty() ? 0 : pipeline->m_pids.front();
        SpawnSetup setup(previousOutput, link[1], group);
        pid_t pid = 0;
        const int error = setup.spawn(program, pid);
        close(previousOutput);
        close(link[1]);
        previousOutput = link[0];
        if (error != 0) {
            close(previousOutput);
            return Failure{"cannot start " + describe(program) + ": " + errnoText(error)};
        }
        pipeline->m_pids.push_back(pid);
        pipeline->m_reaped.push_back(false);
    }
    pipeline->m_output = previousOutput;
    if (sched_getaffinity(0, sizeof pipeline->m_hostCores, &pipeline->m_hostCores) == 0)
        pipeline->m_ownCore = nextOwnCore(pipeline->m_hostCores);
    fcntl(pipeline->m_input, F_SETFL, O_NONBLOCK);
    fcntl(pipeline->m_output, F_SETFL, O_NONBLOCK);
    return std::unique_ptr<Pipeline>(std::move(pipeline));
}

ProcessPipeline::~ProcessPipeline()
{
    stopAll();
}

Failure ProcessPipeline::fail(std::string message)
{
    m_broken = true;
    return Failure{std::move(message)};
}

Result<std::string> ProcessPipeline::exchange(std::string_view segment, std::chrono::milliseconds timeout)
{
    auto answers = exchangeAll({std::string(segment)}, timeout);
    if (!answers)
        return answers.error();
    return std::move(answers.value().front());
}

Result<std::vector<std::string>> ProcessPipeline::exchangeAll(const std::vector<std::string>& segments,
                                                              std::chrono::milliseconds timeout)
{
    if (m_broken)
        return Failure{"translation pipeline is out of order"};
    std::string request;
    for (const auto& segment : segments) {
        request += segment;
        request += '\0';
    }
    placeFor(request.size());
    std::size_t written = 0;
    std::size_t segmentsWritten = 0;  // whole segments, their NUL included, in the pipe
    std::vector<std::string> answers;
    std::string answer;
    const auto deadline = Clock::now() + timeout;
    char buffer[65536];

    while (answers.size() < segments.size()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return fail("translation pipeline did not answer within " + std::to_string(timeout.count()) + " ms");
        // Writing and reading together: answers start coming back before the last segment is
        // in, and both pipes are only so big.
        pollfd fds[2] = {{m_output, POLLIN, 0}, {m_input, POLLOUT, 0}};
        const nfds_t count = written < request.size() ? 2 : 1;
        const int ready = poll(fds, count, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR)
            return fail("cannot wait for the translation pipeline: " + errnoText(errno));
        if (ready <= 0)
            continue;

        if (count == 2 && fds[1].revents != 0) {
            const ssize_t n = write(m_input, request.data() + written, request.size() - written);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return fail("translation pipeline stopped taking input: " + errnoText(errno));
            if (n > 0) {
                const std::string_view sent(request.data() + written, static_cast<std::size_t>(n));
                segmentsWritten += static_cast<std::size_t>(std::count(sent.begin(), sent.end(), '\0'));
                written += static_cast<std::size_t>(n);
            }
        }
        if (fds[0].revents == 0)
            continue;
        const ssize_t n = read(m_output, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n < 0)
            return fail("cannot read the translation pipeline: " + errnoText(errno));
        if (n == 0)
            return fail("translation pipeline ended before answering");
        std::string_view chunk(buffer, static_cast<std::size_t>(n));
        for (auto end = chunk.find('\0'); end != std::string_view::npos; end = chunk.find('\0')) {
            // An answer is due only for a segment wholly sent, and nothing may follow the last.
            const bool last = answers.size() + 1 == segments.size();
            if (answers.size() >= segmentsWritten || (last && end + 1 != chunk.size()))
                return fail("translation pipeline answered out of turn");
            answer.append(chunk.substr(0, end));
            answers.push_back(std::move(answer));
            answer.clear();
            chunk.remove_prefix(end + 1);
        }
        answer.append(chunk);
    }
    return answers;
}

void ProcessPipeline::placeFor(std::size_t requestBytes)
{
    const bool ownCore = m_ownCore >= 0 && requestBytes <= kOwnCoreExchangeBytes;
    if (ownCore == m_onOwnCore)
        return;
    cpu_set_t own;
    CPU_ZERO(&own);
    if (m_ownCore >= 0)
        CPU_SET(m_ownCore, &own);
    const cpu_set_t& cores = ownCore ? own : m_hostCores;
    // A placement refused (a program that has just ended, a cpuset that forbids the core) only
    // costs speed; the exchange itself notices a program that ended.
    for (const pid_t pid : m_pids)
        sched_setaffinity(pid, sizeof cores, &cores);
    m_onOwnCore = ownCore;
}

bool ProcessPipeline::ready()
{
    if (m_broken)
        return false;
    pollfd output = {m_output, POLLIN, 0};
    if (poll(&output, 1, 0) != 0) {
        m_broken = true;
        return false;
    }
    for (std::size_t i = 0; i < m_pids.size(); ++i) {
        if (m_reaped[i])
            return false;
        int status = 0;
        if (waitpid(m_pids[i], &status, WNOHANG) == m_pids[i]) {
            m_reaped[i] = true;
            m_broken = true;
            return false;
        }
    }
    return true;
}

void ProcessPipeline::stopAll()
{
    if (m_input >= 0)
        close(m_input);
    if (m_output >= 0)
        close(m_output);
    m_input = m_output = -1;
    bool anyRunning = false;
    for (std::size_t i = 0; i < m_pids.size(); ++i)
        anyRunning = anyRunning || !m_reaped[i];
    // The group keeps the first program's id as long as any member is unreaped, so this never
    // reaches another process group.
    if (anyRunning && !m_pids.empty())
        killpg(m_pids.front(), SIGKILL);
    for (std::size_t i = 0; i < m_pids.size(); ++i) {
        if (m_reaped[i])
            continue;
        int status = 0;
        while (waitpid(m_pids[i], &status, 0) < 0 && errno == EINTR) {}
        m_reaped[i] = true;
    }
}

}  // namespace veltrano::pagehost
