// The page host against Debian's apertium-apy, measured in the same run on the same texts:
// start-up until the first translation is answered, per-cell latency of 300 sequential one-text
// API calls, and cells per second for batches (both directions). APy is started by this program
// on another loopback port; its best batch is the same texts sent as one text, one per line.
//
//   build/bin/pagehost_bench              (both)
//   build/bin/pagehost_bench --no-peer    (ours only)
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Texts = std::vector<std::string>;
using nlohmann::json;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// 300 distinct short cells, two or three words each, as in the header rows and labels of a sheet.
Texts shortCells()
{
    const char* qualifiers[] = {"Total",    "Monthly", "Annual",   "Net",     "Gross",  "Average",   "Estimated",
                                "Previous", "Current", "Regional", "Unit",    "Daily",  "Quarterly", "Remaining",
                                "Expected", "Actual",  "Maximum",  "Minimum", "Weekly", "Final"};
    const char* nouns[] = {"sales",  "cost",          "revenue",       "price",        "profit",
                           "income", "balance",       "payment",       "budget",       "amount",
                           "order",  "delivery date", "customer name", "phone number", "invoice"};
    Texts cells;
    for (const char* qualifier : qualifiers)
        for (const char* noun : nouns)
            cells.push_back(std::string(qualifier) + " " + noun);
    return cells;
}

struct Process {
    pid_t pid = -1;
    int output = -1;

    ~Process()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        if (output >= 0)
            close(output);
    }
};

// Starts argv with its stdout on a pipe (or its output discarded); false when it cannot start.
bool spawn(Process& process, const std::vector<std::string>& arguments, bool keepOutput)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (keepOutput) {
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    const int failed = posix_spawnp(&process.pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    process.output = output[0];
    if (failed != 0)
        process.pid = -1;
    return failed == 0;
}

std::string firstLine(int fd)
{
    std::string line;
    char c = 0;
    while (read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

// A translation service reached over HTTP: ours or APy.
struct Service {
    std::string name;
    std::function<std::optional<Texts>(httplib::Client&, const std::string& from, const std::string& to, const Texts&)>
        translate;
};

std::optional<Texts> askOurs(httplib::Client& client, const std::string& from, const std::string& to,
                             const Texts& texts)
{
    const auto result =
        client.Post("/api/translate", json{{"sl", from}, {"tl", to}, {"q", texts}}.dump(), "application/json");
    if (!result || result->status != 200)
        return std::nullopt;
    return json::parse(result->body).at("translations").get<Texts>();
}

std::string apyPair(const std::string& language)
{
    return language == "en" ? "eng" : "spa";
}

std::optional<Texts> askApy(httplib::Client& client, const std::string& from, const std::string& to, const Texts& texts)
{
    std::string joined;
    for (const auto& text : texts)
        joined += (joined.empty() ? "" : "\n") + text;
    const httplib::Params form = {
        {"langpair", apyPair(from) + "|" + apyPair(to)}, {"q", joined}, {"markUnknown", "no"}};
    const auto result = client.Post("/translate", form);
    if (!result || result->status != 200)
        return std::nullopt;
    return Texts{json::parse(result->body).at("responseData").at("translatedText").get<std::string>()};
}

struct Figures {
    double startupMs = 0;  // process start until the first translation is answered
    double perCellMs = 0;  // mean of sequential one-text calls
    double medianCellMs = 0;
    double batchCellsPerSecond[2] = {0, 0};  // en→es, es→en
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

bool measure(const Service& service, httplib::Client& client, const Texts& english, const Texts& spanish,
             Figures& figures)
{
    for (int i = 0; i < 10; ++i) {
        if (!service.translate(client, "en", "es", {english[static_cast<std::size_t>(i)]}))
            return false;
    }
    std::vector<double> calls;
    const auto sequential = Clock::now();
    for (const auto& text : english) {
        const auto start = Clock::now();
        if (!service.translate(client, "en", "es", {text}))
            return false;
        calls.push_back(millisecondsSince(start));
    }
    figures.perCellMs = millisecondsSince(sequential) / static_cast<double>(english.size());
    figures.medianCellMs = median(calls);

    constexpr int kRounds = 10;
    const Texts* inputs[2] = {&english, &spanish};
    const char* directions[2][2] = {{"en", "es"}, {"es", "en"}};
    for (int d = 0; d < 2; ++d) {
        const auto start = Clock::now();
        for (int round = 0; round < kRounds; ++round) {
            if (!service.translate(client, directions[d][0], directions[d][1], *inputs[d]))
                return false;
        }
        figures.batchCellsPerSecond[d] =
            kRounds * static_cast<double>(inputs[d]->size()) / (millisecondsSince(start) / 1000.0);
    }
    return true;
}

// A loopback port free at the time of asking (APy takes a port number, not 0).
int freePort()
{
    const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return ntohs(address.sin_port);
}

void print(const char* what, double ours, double peer, const char* unit, bool havePeer)
{
    if (havePeer)
        std::printf("%-44s %12.2f %12.2f  %s  (ours/peer %.3f)\n", what, ours, peer, unit,
                    peer > 0 ? ours / peer : 0.0);
    else
        std::printf("%-44s %12.2f %12s  %s\n", what, ours, "-", unit);
}

}  // namespace

int main(int argc, char* argv[])
{
    const bool withPeer = !(argc > 1 && std::strcmp(argv[1], "--no-peer") == 0);
    signal(SIGPIPE, SIG_IGN);
    const Texts english = shortCells();

    // Ours: start-up until both directions have answered once (median of 5 starts).
    std::vector<double> startups;
    std::vector<double> listening;
    for (int i = 0; i < 5; ++i) {
        Process host;
        const auto start = Clock::now();
        if (!spawn(host, {VELTRANO_BIN_DIR "/veltrano-pagehost", "--port", "0"}, true)) {
            std::fprintf(stderr, "cannot start veltrano-pagehost\n");
            return 1;
        }
        const std::string line = firstLine(host.output);
        listening.push_back(millisecondsSince(start));
        httplib::Client client("127.0.0.1", std::stoi(line.substr(line.rfind(':') + 1)));
        if (!askOurs(client, "en", "es", {"Hello"}) || !askOurs(client, "es", "en", {"Hola"})) {
            std::fprintf(stderr, "veltrano-pagehost does not translate\n");
            return 1;
        }
        startups.push_back(millisecondsSince(start));
    }

    Process host;
    spawn(host, {VELTRANO_BIN_DIR "/veltrano-pagehost", "--port", "0"}, true);
    const std::string line = firstLine(host.output);
    httplib::Client ours("127.0.0.1", std::stoi(line.substr(line.rfind(':') + 1)));
    ours.set_keep_alive(true);
    ours.set_tcp_nodelay(true);
    const auto spanish = askOurs(ours, "en", "es", english);
    if (!spanish) {
        std::fprintf(stderr, "veltrano-pagehost does not translate\n");
        return 1;
    }
    Figures ourFigures;
    ourFigures.startupMs = median(startups);
    if (!measure(Service{"ours", askOurs}, ours, english, *spanish, ourFigures)) {
        std::fprintf(stderr, "veltrano-pagehost failed during the run\n");
        return 1;
    }

    Figures peerFigures;
    bool havePeer = false;
    if (withPeer) {
        Process apy;
        const int port = freePort();
        const auto start = Clock::now();
        if (spawn(apy, {"apertium-apy", "-p", std::to_string(port), "/usr/share/apertium/modes"}, false)) {
            httplib::Client peer("127.0.0.1", port);
            peer.set_keep_alive(true);
            peer.set_tcp_nodelay(true);
            peer.set_read_timeout(60, 0);
            // APy announces nothing; ask until it answers (the bench may poll, tests never do).
            while (millisecondsSince(start) < 60000 && !askApy(peer, "en", "es", {"Hello"}))
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            while (millisecondsSince(start) < 60000 && !askApy(peer, "es", "en", {"Hola"}))
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            peerFigures.startupMs = millisecondsSince(start);
            havePeer = measure(Service{"apertium-apy", askApy}, peer, english, *spanish, peerFigures);
        }
        if (!havePeer)
            std::fprintf(stderr, "apertium-apy not available; ours only\n");
    }

    std::printf("%zu distinct short cells; %s\n\n", english.size(),
                havePeer ? "peer: apertium-apy (same texts, same run)" : "no peer");
    std::printf("%-44s %12s %12s\n", "", "ours", "apertium-apy");
    print("start-up until listening (median of 5)", median(listening), 0, "ms", false);
    print("start-up until both directions answered", ourFigures.startupMs, peerFigures.startupMs, "ms", havePeer);
    print("sequential one-text calls, mean per cell", ourFigures.perCellMs, peerFigures.perCellMs, "ms", havePeer);
    print("sequential one-text calls, median per cell", ourFigures.medianCellMs, peerFigures.medianCellMs, "ms",
          havePeer);
    print("batches of 300 cells en->es", ourFigures.batchCellsPerSecond[0], peerFigures.batchCellsPerSecond[0],
          "cells/s", havePeer);
    print("batches of 300 cells es->en", ourFigures.batchCellsPerSecond[1], peerFigures.batchCellsPerSecond[1],
          "cells/s", havePeer);
    return 0;
}
