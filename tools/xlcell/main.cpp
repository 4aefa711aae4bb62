#include <iostream>

#include "tools/xlcell/commands.h"

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    return veltrano::xlcell::run(args, std::cin, std::cout, std::cerr);
}
