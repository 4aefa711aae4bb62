#include "batch/options.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>

namespace veltrano::batch {
namespace {

// Nothing when the value was taken, else why not.
using Taken = veltrano::Result<void, std::string>;
using Setter = std::function<Taken(BatchOptions&, const std::string&)>;

Taken setDirection(BatchOptions& options, const std::string& value)
{
    if (value == "es") {
        options.sourceLanguage = "en";
        options.targetLanguage = "es";
    } else if (value == "en") {
        options.sourceLanguage = "es";
        options.targetLanguage = "en";
    } else {
        return "--to takes es or en, not \"" + value + "\"";
    }
    return {};
}

Taken setScope(BatchOptions& options, const std::string& value)
{
    if (value == "workbook") {
        options.scope = core::Scope::wholeWorkbook();
    } else if (value == "active-sheet") {
        options.scope = core::Scope::activeSheet();
    } else if (const auto block = core::parseBlockScope(value)) {
        options.scope = *block;
    } else {
        return "--scope takes workbook, active-sheet or a block such as Sheet1!A1:C9, not \"" + value + "\"";
    }
    return {};
}

Taken setJobs(BatchOptions& options, const std::string& value)
{
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() || jobs < 1 || jobs > 256)
        return "--jobs takes a number from 1 to 256, not \"" + value + "\"";
    options.jobs = jobs;
    return {};
}

// --include: a comma list of notes, charts, shapes, headers, or all.
Taken setInclude(BatchOptions& options, const std::string& value)
{
    spreadsheet::TextKinds kinds;
    for (std::size_t begin = 0; begin <= value.size();) {
        const std::size_t comma = std::min(value.find(',', begin), value.size());
        const std::string kind = value.substr(begin, comma - begin);
        if (kind == "notes")
            kinds.notes = true;
        else if (kind == "charts")
            kinds.charts = true;
        else if (kind == "shapes")
            kinds.shapes = true;
        else if (kind == "headers")
            kinds.headers = true;
        else if (kind == "all")
            kinds = spreadsheet::TextKinds::all();
        else
            return "--include takes a comma list of notes, charts, shapes, headers or all, not \"" + kind + "\"";
        begin = comma + 1;
    }
    options.include = kinds;
    return {};
}

// The options that take a value.
const std::map<std::string, Setter>& valueOptions()
{
    static const std::map<std::string, Setter> options = {
        {"--to", setDirection},
        {"--scope", setScope},
        {"--include", setInclude},
        {"--jobs", setJobs},
        {"--report",
         [](BatchOptions& o, const std::string& v) -> Taken {
             o.reportPath = v;
             return {};
         }},
        {"--memory",
         [](BatchOptions& o, const std::string& v) -> Taken {
             o.memoryPath = v;
             return {};
         }},
        {"--page-host",
         [](BatchOptions& o, const std::string& v) -> Taken {
             o.pageHost = v;
             return {};
         }},
        {"--ext",
         [](BatchOptions& o, const std::string& v) -> Taken {
             if (v.empty())
                 return std::string("--ext needs an extension such as xlsx");
             o.extension = v;
             return {};
         }},
    };
    return options;
}

// The options that are switches.
const std::map<std::string, std::function<void(BatchOptions&)>>& switchOptions()
{
    static const std::map<std::string, std::function<void(BatchOptions&)>> options = {
        {"--backup", [](BatchOptions& o) { o.backup = true; }},
        {"--no-backup", [](BatchOptions& o) { o.backup = false; }},
        {"--dry-run", [](BatchOptions& o) { o.dryRun = true; }},
        {"--no-memory", [](BatchOptions& o) { o.memory = false; }},
        {"--help", [](BatchOptions& o) { o.helpWanted = true; }},
        {"-h", [](BatchOptions& o) { o.helpWanted = true; }},
        {"--version", [](BatchOptions& o) { o.versionWanted = true; }},
    };
    return options;
}

}  // namespace

veltrano::Result<BatchOptions, std::string> parseOptions(const std::vector<std::string>& args)
{
    BatchOptions options;
    bool onlyPaths = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        if (onlyPaths || name.empty() || name.front() != '-' || name == "-") {
            options.paths.push_back(name);
            continue;
        }
        if (name == "--") {
            onlyPaths = true;
            continue;
        }
        if (const auto found = switchOptions().find(name); found != switchOptions().end()) {
            found->second(options);
            continue;
        }
        std::optional<std::string> value;
        if (const auto equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        const auto found = valueOptions().find(name);
        if (found == valueOptions().end())
            return "unknown option " + name;
        if (!value) {
            if (i + 1 >= args.size())
                return "option " + name + " needs a value";
            value = args[++i];
        }
        if (const auto taken = found->second(options, *value); !taken)
            return taken.error();
    }
    if (options.paths.empty() && !options.helpWanted && !options.versionWanted)
        return std::string("no workbook or folder given");
    return options;
}

std::string usageText()
{
    return "usage: veltrano-batch [--to es|en] [--scope workbook|active-sheet|SHEET!A1:C9]\n"
           "                      [--backup|--no-backup] [--dry-run] [--report FILE.tsv]\n"
           "                      [--ext EXT] [--jobs N] [--memory FILE|--no-memory]\n"
           "                      [--page-host HOST:PORT] [--include KINDS] PATH...\n"
           "Translates the text cells of workbooks in place, English to Spanish or back.\n"
           "  PATH                 a workbook, or a folder searched with its subfolders for *.EXT\n"
           "  --to es|en           the language to translate into (default es: English to Spanish)\n"
           "  --scope S            workbook (default), active-sheet, or a block such as 'Sales'!A1:C9\n"
           "  --backup             copy each file beside it before it is changed (the default)\n"
           "  --no-backup          make no copies\n"
           "  --dry-run            write nothing; report what would change\n"
           "  --report FILE.tsv    every changed cell: file, sheet, cell, before, after\n"
           "  --ext EXT            extension of the files a folder search takes (default xls, which\n"
           "                       also finds .xlsx and .xlsm)\n"
           "  --jobs N             translation pipelines (default: one per 3 usable cores, at least one)\n"
           "  --memory FILE        translation memory (default $XDG_CACHE_HOME/veltrano/translations.sqlite)\n"
           "  --no-memory          neither read nor keep translations between runs\n"
           "  --page-host H:P      use a running veltrano-pagehost instead of starting one\n"
           "  --include KINDS      also translate notes, charts, shapes, headers (page headers and\n"
           "                       footers), a comma list, or all; without it the cells only\n"
           "  --help, --version\n"
           "Exit status: 0 every file converted, 1 some failed, 2 wrong usage.\n";
}

}  // namespace veltrano::batch
