// veltrano-batch: translates the text cells of many workbooks in place, as fast as the machine
// allows, through the same conversion core (scope, cell rule, file steps, backups), engine and page
// host as the window.

#include "batch/batch_run.h"
#include "batch/options.h"
#include "batch/page_host_client.h"
#include "batch/progress.h"
#include "batch/translation_memory.h"
#include "batch/workbook_files.h"
#include "pageclient/page_host.h"
#include "result/result.h"
#include "veltrano_version.h"

#include <QCoreApplication>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>

using namespace veltrano;
using namespace veltrano::batch;

namespace {

// Loading a pipeline's dictionaries on a busy machine can take several seconds.
constexpr std::chrono::seconds kPageHostReady{60};

// The page host a run translates through.
struct PageHostReached {
    std::unique_ptr<pageclient::PageHost> host;  // set when this run started the host
    std::string address;
};

// Why the page host could not be reached, in the host's words.
struct HostUnreachable {
    std::string reason;
};

using HostReach = veltrano::Result<PageHostReached, HostUnreachable>;

HostReach reachPageHost(const BatchOptions& options)
{
    if (!options.pageHost.empty())
        return PageHostReached{nullptr, options.pageHost};
    // No warm-up: a run answered from its memory never starts a pipeline, and a run that needs
    // them pays the same start-up on its first batch. Without --jobs the host sizes its pool
    // by the cores this process may use (one pipeline already keeps about two busy).
    pageclient::PageHostLaunch how{{QStringLiteral("--no-warm-up")}, false};
    if (options.jobs > 0)
        how.arguments << QStringLiteral("--jobs") << QString::number(options.jobs);
    auto host = pageclient::PageHost::launch(QCoreApplication::applicationDirPath(), how);
    const auto address = host->waitForAddress(QDeadlineTimer(kPageHostReady));
    if (!address)
        return HostUnreachable{address.error().message.toStdString()};
    return PageHostReached{std::move(host), address.value().toStdString()};
}

std::string memoryPathOf(const BatchOptions& options)
{
    return options.memoryPath.empty() ? defaultMemoryPath() : options.memoryPath;
}

std::unique_ptr<TranslationMemory> openMemory(const BatchOptions& options, PageHostClient& client, Progress& progress)
{
    if (!options.memory)
        return nullptr;
    const auto warn = [&progress](const std::string& line) { progress.note("veltrano-batch: warning: " + line); };
    auto fingerprint = client.fingerprint();
    if (!fingerprint) {
        warn("no translation memory this run, since the page host's translations cannot be told apart ("
             + fingerprint.error().message + ")");
        return nullptr;
    }
    return TranslationMemory::open(memoryPathOf(options), options.sourceLanguage + "-" + options.targetLanguage,
                                   fingerprint.value(), warn);
}

std::string summaryLine(const RunTotals& totals, const WorkbookFiles& files, const RunTranslations* translations,
                        bool dryRun, double seconds)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.1f s", seconds);
    std::string line =
        "veltrano-batch: " + grouped(totals.converted) + (dryRun ? " files checked" : " files converted");
    if (totals.failed > 0)
        line += ", " + grouped(totals.failed) + " failed";
    if (totals.withCellsLeft > 0)
        line += ", " + grouped(totals.withCellsLeft) + " with cells left as they were";
    if (files.backupsLeftOut > 0)
        line += ", " + grouped(files.backupsLeftOut) + " backups in the folders left out";
    line += "; " + grouped(totals.cells) + (dryRun ? " cells would be translated" : " cells translated");
    if (totals.texts > 0)
        line +=
            ", " + grouped(totals.texts) + (dryRun ? " other texts would be translated" : " other texts translated");
    if (translations)
        line += ", " + grouped(translations->distinctTexts()) + " distinct texts ("
                + grouped(translations->fromMemory()) + " from memory)";
    return line + "; " + time;
}

}  // namespace

int main(int argc, char* argv[])
{
    const auto started = std::chrono::steady_clock::now();
    QCoreApplication app(argc, argv);
    const auto parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed) {
        std::cerr << printable("veltrano-batch: " + parsed.error()) << '\n' << usageText();
        return kUsage;
    }
    const BatchOptions& options = parsed.value();
    if (options.helpWanted) {
        std::cout << usageText();
        return kAllConverted;
    }
    if (options.versionWanted) {
        std::cout << "veltrano-batch " << VELTRANO_VERSION << '\n';
        return kAllConverted;
    }
    if (!options.pageHost.empty() && !pageclient::isHostAndPort(QString::fromStdString(options.pageHost))) {
        std::cerr << printable("veltrano-batch: --page-host must be host:port, not \"" + options.pageHost + "\"")
                  << '\n';
        return kUsage;
    }

    // A memory that is some other file is refused before any workbook is touched.
    if (options.memory) {
        if (const auto usable = checkMemoryFile(memoryPathOf(options)); !usable) {
            std::cerr << printable("veltrano-batch: --memory: " + usable.error() + "; nothing was converted") << '\n';
            return kUsage;
        }
    }

    std::unique_ptr<ReportFile> report;
    if (!options.reportPath.empty()) {
        auto created = ReportFile::create(options.reportPath);
        if (!created) {
            std::cerr << printable("veltrano-batch: the report " + created.error().reason)
                      << "; nothing was converted\n";
            return kSomeFailed;
        }
        report = std::move(created).value();
    }

    const WorkbookFiles files = gatherWorkbooks(options.paths, options.extension);
    Progress progress(std::cerr, ::isatty(STDERR_FILENO) == 1, files.files.size());
    const RunSettings settings{options.scope, options.backup, options.dryRun, options.include};
    RunTotals totals;
    std::unique_ptr<RunTranslations> translations;
    {
        const HostReach host = files.files.empty() ? HostReach(PageHostReached{}) : reachPageHost(options);
        PageHostClient client(host ? host.value().address : std::string(), options.sourceLanguage,
                              options.targetLanguage);
        client.onProgress([&progress](std::size_t done, std::size_t total) { progress.translating(done, total); });
        const bool translating = host && !files.files.empty();
        const auto memory = translating ? openMemory(options, client, progress) : nullptr;
        const bool numberTemplates = translating && client.allowsNumberTemplates();
        translations = std::make_unique<RunTranslations>(client, memory.get(), !options.dryRun, numberTemplates);
        BatchRun run(settings, *translations, progress, report.get());
        for (const PathProblem& problem : files.problems)
            run.fail(problem.path, problem.reason);
        for (const std::string& file : files.files) {
            if (host)
                run.convert(file);
            else
                run.fail(file, "not translated: " + host.error().reason);
        }
        totals = run.totals();
        progress.finish();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << summaryLine(totals, files, translations.get(), options.dryRun, seconds) << '\n';
    // A report that is not whole fails the run: it was asked for as the record of what changed.
    // So does a cell left as it was: the file is saved, but not all of it is translated.
    const bool reportWhole = !report || report->whole();
    return totals.failed > 0 || totals.withCellsLeft > 0 || !reportWhole ? kSomeFailed : kAllConverted;
}
