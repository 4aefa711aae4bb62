#pragma once
// Parameterized cases named after their readable names, which test names cannot hold as they
// are: every character other than a letter or a digit becomes '_'.
#include <cctype>
#include <string>

namespace veltrano::spreadsheet::testing {

inline std::string testName(std::string name)
{
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

}  // namespace veltrano::spreadsheet::testing
