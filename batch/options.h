#pragma once
// The command line of veltrano-batch.

#include "core/scope.h"
#include "result/result.h"
#include "spreadsheet/workbook_texts.h"

#include <optional>
#include <string>
#include <vector>

namespace veltrano::batch {

// Exit statuses: every file converted, some failed, wrong usage.
inline constexpr int kAllConverted = 0;
inline constexpr int kSomeFailed = 1;
inline constexpr int kUsage = 2;

struct BatchOptions {
    std::string sourceLanguage = "en";
    std::string targetLanguage = "es";
    core::Scope scope;               // the window's three scopes, one type for both
    spreadsheet::TextKinds include;  // texts outside the cells converted too (--include)
    bool backup = true;
    bool dryRun = false;
    std::string reportPath;         // empty: no report
    std::string extension = "xls";  // of the files a folder scan takes, as the window asks for it
    unsigned jobs = 0;              // translation pipelines; 0: the page host's default
    bool memory = true;
    std::string memoryPath;  // empty: the default place
    std::string pageHost;    // host:port of a running page host; empty: start one
    std::vector<std::string> paths;
    bool helpWanted = false;
    bool versionWanted = false;
};

// The options in args (without the program name), or what is wrong with them.
veltrano::Result<BatchOptions, std::string> parseOptions(const std::vector<std::string>& args);

std::string usageText();

}  // namespace veltrano::batch
