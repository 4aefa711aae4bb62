#pragma once
// Command-line options of veltrano-pagehost.

#include "pagehost/outcome.h"
#include "pagehost/translator.h"

#include <string>

namespace veltrano::pagehost {

struct Options {
    int port = -1;  // 0: a free port picked by the system
    std::string modesDir = "/usr/share/apertium/modes";
    TranslatorSettings translator;
    std::size_t jobs = 0;  // pipelines per direction; 0: one per processor core
    bool helpWanted = false;  // --help: print usage and stop
};

// The options in argv; a failure names the option that is missing, unknown or out of range.
Outcome<Options> parseOptions(int argc, char* argv[]);

std::string usage();

}  // namespace veltrano::pagehost
