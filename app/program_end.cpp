#include "app/program_end.h"

#include <cstdio>
#include <cstdlib>

namespace veltrano::app {

void endProgramNow(int exitCode)
{
    std::fflush(nullptr);
    // Not exit(): unwinding is impossible from inside Qt's nested event loops, and the
    // window's teardown (the browser engine above all) has nothing to save. Nor is the page
    // host waited for: it stops only once the browser's open connections to it are closed,
    // which happens as this process goes.
    std::_Exit(exitCode);
}

}  // namespace veltrano::app
