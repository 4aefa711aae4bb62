#pragma once
// A translation pipeline kept running between requests: one segment in, one answer out.

#include "pagehost/failure.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {

class Pipeline {
public:
    virtual ~Pipeline() = default;

    // Sends one segment (no NUL inside) and returns the answer up to the pipeline's NUL. A
    // failure when the pipeline ended, garbled its answer, or did not answer within timeout;
    // the pipeline is then unusable and must be replaced.
    virtual Result<std::string> exchange(std::string_view segment, std::chrono::milliseconds timeout) = 0;

    // Sends every segment and returns their answers in order, as exchange() would one by one; a
    // pipeline whose programs work on a segment at a time may take the next while the later
    // programs still work on the last, so its programs run side by side. The same failures.
    virtual Result<std::vector<std::string>> exchangeAll(const std::vector<std::string>& segments,
                                                         std::chrono::milliseconds timeout)
    {
        std::vector<std::string> answers;
        for (const auto& segment : segments) {
            auto answer = exchange(segment, timeout);
            if (!answer)
                return answer.error();
            answers.push_back(std::move(answer.value()));
        }
        return answers;
    }

    // True when the pipeline can take a segment: none of its processes has ended, and no output
    // that nobody asked for (the flush of a dying program) is waiting to be mistaken for an answer.
    virtual bool ready() = 0;
};

// Starts a fresh pipeline; a failure says which program could not be started and why.
using PipelineFactory = std::function<Result<std::unique_ptr<Pipeline>>()>;

}  // namespace veltrano::pagehost
