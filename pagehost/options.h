#pragma once
// Command-line options of veltrano-pagehost.

#include "pagehost/bounded_server.h"
#include "pagehost/failure.h"
#include "pagehost/translator.h"

#include <string>

namespace veltrano::pagehost {

struct Options {
    int port = -1;  // 0: a free port picked by the system
    std::string modesDir = "/usr/share/apertium/modes";
    TranslatorSettings translator;
    ServerLimits server;
    std::size_t jobs = 0;        // pipelines per direction; 0: defaultPipelines(usableCores())
    bool warmUp = true;          // false (--no-warm-up): pipelines start on first use
    bool helpWanted = false;     // --help: print usage and stop
    bool versionWanted = false;  // --version: print the version and stop
};

// The options in argv; a failure names the option that is missing, unknown or out of range.
Result<Options> parseOptions(int argc, char* argv[]);

std::string usage();

// "veltrano-pagehost VERSION", one line.
std::string versionLine();

}  // namespace veltrano::pagehost
