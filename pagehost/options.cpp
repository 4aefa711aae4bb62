#include "pagehost/options.h"

#include "veltrano_version.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace veltrano::pagehost {
namespace {

std::optional<long> wholeNumber(std::string_view text, long min, long max)
{
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

}  // namespace

std::string usage()
{
    return "usage: veltrano-pagehost --port N [--modes DIR] [--timeout-ms N] [--arrival-timeout-ms N] [--jobs N]\n"
           "                         [--no-warm-up]\n"
           "       veltrano-pagehost --help | --version\n"
           "  --port N        port on 127.0.0.1; 0 lets the system pick one\n"
           "  --modes DIR     folder of Apertium's eng-spa.mode and spa-eng.mode (default /usr/share/apertium/modes)\n"
           "  --timeout-ms N  how long a translation may take before its pipeline is restarted\n"
           "                  (default 10000; a new pipeline's first answer may take 20000 more)\n"
           "  --arrival-timeout-ms N  how long a request may take to arrive whole, from its first byte\n"
           "                  to its last (default 10000); a slower client is cut off\n"
           "  --jobs N        translation pipelines per direction a large request is shared out among\n"
           "                  (default: one per 3 usable processor cores, at least one)\n"
           "  --no-warm-up    start each pipeline when a translation first needs it, not at once\n";
}

std::string versionLine()
{
    return "veltrano-pagehost " VELTRANO_VERSION "\n";
}

Result<Options> parseOptions(int argc, char* argv[])
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--help" || name == "-h") {
            options.helpWanted = true;
            return options;
        }
        if (name == "--version") {
            options.versionWanted = true;
            return options;
        }
        if (name == "--no-warm-up") {
            options.warmUp = false;
            continue;
        }
        if (i + 1 >= argc)
            return Failure{"option " + std::string(name) + " needs a value"};
        const std::string_view value = argv[++i];
        if (name == "--port") {
            const auto port = wholeNumber(value, 0, 65535);
            if (!port)
                return Failure{"--port must be a number from 0 to 65535, not \"" + std::string(value) + "\""};
            options.port = static_cast<int>(*port);
        } else if (name == "--modes") {
            options.modesDir = value;
        } else if (name == "--timeout-ms" || name == "--arrival-timeout-ms") {
            const auto timeout = wholeNumber(value, 1, 3600000);
            if (!timeout)
                return Failure{std::string(name) + " must be a number of milliseconds from 1 to 3600000"};
            (name == "--timeout-ms" ? options.translator.baseTimeout : options.server.requestArrival) =
                std::chrono::milliseconds(*timeout);
        } else if (name == "--jobs") {
            const auto jobs = wholeNumber(value, 1, 256);
            if (!jobs)
                return Failure{"--jobs must be a number of pipelines from 1 to 256"};
            options.jobs = static_cast<std::size_t>(*jobs);
        } else {
            return Failure{"unknown option " + std::string(name)};
        }
    }
    if (options.port < 0)
        return Failure{"--port is required"};
    return options;
}

}  // namespace veltrano::pagehost
