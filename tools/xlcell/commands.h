#pragma once
// The commands of xlcell, separated from main() so that tests can run them on streams.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::xlcell {

// Exit statuses: ok, refused or failed input, wrong usage.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// One SHEET!REF=TEXT argument. The sheet may be quoted ('My Sheet'!A1=...).
struct Assignment {
    std::string sheet;
    int row = 0;
    int column = 0;
    std::string text;
};
std::optional<Assignment> parseAssignment(std::string_view argument);

// Runs xlcell with its arguments (without the program name).
int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace veltrano::xlcell
