#pragma once
// A chain of programs connected stdout to stdin, started without a shell, that answers each
// NUL-terminated segment written to the first program from the last program's output.

#include "pagehost/mode_file.h"
#include "pagehost/pipeline.h"

#include <sched.h>
#include <sys/types.h>

#include <vector>

namespace veltrano::pagehost {

class ProcessPipeline final : public Pipeline {
public:
    // Starts the programs in one new process group; a failure names the program that could not
    // be started (nothing is left running then).
    static Result<std::unique_ptr<Pipeline>> start(const std::vector<ProgramCall>& programs);

    // Closes the pipeline's input and ends every process of the group.
    ~ProcessPipeline() override;
    ProcessPipeline(const ProcessPipeline&) = delete;
    ProcessPipeline& operator=(const ProcessPipeline&) = delete;

    Result<std::string> exchange(std::string_view segment, std::chrono::milliseconds timeout) override;
    // Writes the segments one after another while reading the answers, so its programs overlap.
    // A small exchange runs its programs on one core of the host's, a large one on all of them.
    Result<std::vector<std::string>> exchangeAll(const std::vector<std::string>& segments,
                                                 std::chrono::milliseconds timeout) override;
    bool ready() override;

    // Process ids, first program first (for diagnostics and tests).
    const std::vector<pid_t>& processIds() const { return m_pids; }

private:
    ProcessPipeline() = default;

    Failure fail(std::string message);
    void stopAll();
    // Moves the programs onto the pipeline's own core, or back onto all of the host's, as an
    // exchange of requestBytes calls for.
    void placeFor(std::size_t requestBytes);

    int m_input = -1;   // write end into the first program
    int m_output = -1;  // read end from the last program
    std::vector<pid_t> m_pids;
    std::vector<bool> m_reaped;
    bool m_broken = false;
    cpu_set_t m_hostCores{};  // where the programs were started
    int m_ownCore = -1;       // where a small exchange runs them; -1 with a single core
    bool m_onOwnCore = false;
};

}  // namespace veltrano::pagehost
