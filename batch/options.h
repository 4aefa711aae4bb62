#pragma once
// The command line of veltrano-batch.

#include "spreadsheet/cell_types.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace veltrano::batch {

// Exit statuses: every file converted, some failed, wrong usage.
inline constexpr int kAllConverted = 0;
inline constexpr int kSomeFailed = 1;
inline constexpr int kUsage = 2;

// The window's three scopes; a block names its sheet.
struct Scope {
    enum class Kind {
        Workbook,
        ActiveSheet,
        Block
    } kind = Kind::Workbook;
    std::string sheet;             // Block only
    spreadsheet::CellRange block;  // Block only
};

struct BatchOptions {
    std::string sourceLanguage = "en";
    std::string targetLanguage = "es";
    Scope scope;
    bool backup = true;
    bool dryRun = false;
    std::string reportPath;         // empty: no report
    std::string extension = "xls";  // of the files a folder scan takes, as the window asks for it
    unsigned jobs = 0;              // translation pipelines; 0: one per processor core
    bool memory = true;
    std::string memoryPath;  // empty: the default place
    std::string pageHost;    // host:port of a running page host; empty: start one
    std::vector<std::string> paths;
    bool helpWanted = false;
    bool versionWanted = false;
};

// "SHEET!A1:C9" or "'My sheet'!B2" ('' for a quote inside a quoted name); nullopt when malformed.
std::optional<Scope> parseBlockScope(const std::string& text);

// The options in args (without the program name), or what is wrong with them.
std::variant<BatchOptions, std::string> parseOptions(const std::vector<std::string>& args);

std::string usageText();

}  // namespace veltrano::batch
