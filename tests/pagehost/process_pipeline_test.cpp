#include "pagehost/process_pipeline.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

namespace veltrano::pagehost {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<Pipeline> started(const std::vector<ProgramCall>& programs)
{
    auto pipeline = ProcessPipeline::start(programs);
    EXPECT_TRUE(pipeline) << pipeline.error().message;
    return pipeline ? std::move(pipeline.value()) : nullptr;
}

bool processExists(pid_t pid)
{
    return kill(pid, 0) == 0;
}

TEST(ProcessPipeline, AnswersSegmentAfterSegmentThroughSeveralPrograms)
{
    auto pipeline = started({{"cat"}, {"cat"}, {"cat"}});
    ASSERT_TRUE(pipeline);
    EXPECT_EQ(pipeline->exchange("first", 5s).value(), "first");
    EXPECT_EQ(pipeline->exchange("", 5s).value(), "");
    // Far more than a pipe holds: writing must not wait for the reading.
    const std::string large(3 * 1024 * 1024, 'x');
    EXPECT_EQ(pipeline->exchange(large, 20s).value(), large);
    // Several segments in flight at once, large ones among them, come back whole and in order.
    const std::vector<std::string> segments = {"one", "", std::string(200 * 1024, 'y'), "two", large};
    EXPECT_EQ(pipeline->exchangeAll(segments, 20s).value(), segments);
    EXPECT_TRUE(pipeline->ready());
}

TEST(ProcessPipeline, AHungPipelineTimesOutAndIsUnusableAfterwards)
{
    auto pipeline = started({{"cat"}, {"sleep", "1000"}});
    ASSERT_TRUE(pipeline);
    const auto answer = pipeline->exchange("text", 50ms);
    ASSERT_FALSE(answer);
    EXPECT_NE(answer.error().message.find("did not answer within 50 ms"), std::string::npos) << answer.error().message;
    EXPECT_FALSE(pipeline->exchange("text", 50ms));
    EXPECT_FALSE(pipeline->ready());
}

TEST(ProcessPipeline, APipelineThatEndsIsReported)
{
    const struct {
        const char* name;
        std::vector<ProgramCall> programs;
    } cases[] = {
        {"ends before answering", {{"cat"}, {"head", "-c", "2"}}},
        {"ends at once", {{"true"}}},
        {"answers out of turn", {{"printf", "a\\0b\\0"}}},
    };
    for (const auto& c : cases) {
        auto pipeline = started(c.programs);
        ASSERT_TRUE(pipeline) << c.name;
        const auto answer = pipeline->exchange("some text\n", 5s);
        EXPECT_FALSE(answer) << c.name;
    }
}

TEST(ProcessPipeline, NoticesAProcessKilledWhileIdleAndLeavesNoneBehind)
{
    auto start = ProcessPipeline::start({{"cat"}, {"cat"}});
    ASSERT_TRUE(start) << start.error().message;
    auto* pipeline = static_cast<ProcessPipeline*>(start.value().get());
    const auto pids = pipeline->processIds();
    ASSERT_EQ(pids.size(), 2u);
    ASSERT_EQ(kill(pids[1], SIGKILL), 0);
    // The kill is asynchronous; the next exchange fails or the pipeline is already seen dead.
    while (pipeline->ready() && pipeline->exchange("x", 5s)) {}
    EXPECT_FALSE(pipeline->ready());
    start.value().reset();
    for (const pid_t pid : pids)
        EXPECT_FALSE(processExists(pid)) << pid;
}

TEST(ProcessPipeline, OutputNobodyAskedForMakesItUnready)
{
    auto pipeline = started({{"sh", "-c", "head -c 2; printf late; cat"}});
    ASSERT_TRUE(pipeline);
    // The late output may even come in with the answer, which makes the exchange fail.
    if (const auto answer = pipeline->exchange("a", 5s)) {
        EXPECT_EQ(answer.value(), "a");
    }
    // The late output comes when it comes; the bound only keeps a broken build from hanging.
    const auto giveUp = std::chrono::steady_clock::now() + 30s;
    while (pipeline->ready() && std::chrono::steady_clock::now() < giveUp) {}
    EXPECT_FALSE(pipeline->ready());
}

TEST(ProcessPipeline, ProgramsInheritNoDescriptorsButTheirOwn)
{
    int leak[2];
    ASSERT_EQ(pipe(leak), 0);  // without close-on-exec, as a library's socket may be
    auto pipeline = started({{"cat"}, {"cat"}});
    close(leak[1]);
    pollfd readEnd = {leak[0], POLLIN, 0};
    EXPECT_EQ(poll(&readEnd, 1, 0), 1) << "a program holds the write end";
    EXPECT_TRUE(readEnd.revents & POLLHUP);
    close(leak[0]);
}

// The cores each of pipeline's programs may run on.
std::vector<cpu_set_t> coresOf(const ProcessPipeline& pipeline)
{
    std::vector<cpu_set_t> cores;
    for (const pid_t pid : pipeline.processIds()) {
        cpu_set_t set;
        EXPECT_EQ(sched_getaffinity(pid, sizeof set, &set), 0);
        cores.push_back(set);
    }
    return cores;
}

TEST(ProcessPipeline, ASmallExchangeKeepsItsProgramsOnOneCoreOfTheirOwnAndALargeOneSpreadsThem)
{
    cpu_set_t hostCores;
    ASSERT_EQ(sched_getaffinity(0, sizeof hostCores, &hostCores), 0);
    if (CPU_COUNT(&hostCores) < 2)
        GTEST_SKIP() << "a single usable core";
    auto first = ProcessPipeline::start({{"cat"}, {"cat"}, {"cat"}});
    auto second = ProcessPipeline::start({{"cat"}});
    ASSERT_TRUE(first && second);
    auto& pipeline = static_cast<ProcessPipeline&>(*first.value());
    auto& other = static_cast<ProcessPipeline&>(*second.value());

    const struct {
        std::size_t bytes;
        bool oneCore;
    } exchanges[] = {{20, true}, {1024 * 1024, false}, {0, true}, {200 * 1024, false}};
    for (const auto& exchange : exchanges) {
        const std::string segment(exchange.bytes, 'x');
        ASSERT_EQ(pipeline.exchange(segment, 20s).value(), segment);
        const auto cores = coresOf(pipeline);
        for (const auto& set : cores) {
            if (exchange.oneCore)
                EXPECT_TRUE(CPU_COUNT(&set) == 1 && CPU_EQUAL(&set, &cores.front())) << exchange.bytes;
            else
                EXPECT_TRUE(CPU_EQUAL(&set, &hostCores)) << exchange.bytes;
        }
    }
    ASSERT_EQ(pipeline.exchange("label", 5s).value(), "label");
    ASSERT_EQ(other.exchange("label", 5s).value(), "label");
    const auto mine = coresOf(pipeline).front();
    const auto theirs = coresOf(other).front();
    EXPECT_FALSE(CPU_EQUAL(&mine, &theirs)) << "two pipelines on one core";
}

TEST(ProcessPipeline, AProgramThatCannotStartIsNamed)
{
    const auto pipeline = ProcessPipeline::start({{"cat"}, {"no-such-program-veltrano"}});
    ASSERT_FALSE(pipeline);
    EXPECT_NE(pipeline.error().message.find("no-such-program-veltrano"), std::string::npos) << pipeline.error().message;
}

}  // namespace
}  // namespace veltrano::pagehost
