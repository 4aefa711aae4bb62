// The walk's own cost per cell, on top of its pacing: the engine, the event pump and the page
// exchange. Measured three ways on a workbook made by engine_bench:
//   - an instant page client (engine and pump alone), no pauses;
//   - the real page (page host over Apertium in the embedded browser) with the exchange wait cut
//     to 0.2 s and no pauses: the time per translated cell minus that wait;
//   - with --real-pacing also a few cells with the program's own constants: time minus 4 s;
//   - a sheet with "Hello" in A1 and a number in XFD1048576 (a used range of 17 billion cells),
//     with both pages: the walk visits stored cells only, so this costs what two cells cost.
// Each walk also reports the longest time between two event pumps outside an exchange.
//
//   build/bin/walk_bench [ROWS_INSTANT [ROWS_PAGE]] [--real-pacing] [--keep]     (default 2000 20)
// --keep saves the workbook walked on the real page and prints its path, to be set beside the
// same workbook converted by veltrano-batch.
// No peer program walks a workbook cell by cell through a page; pagehost_bench measures the
// page host against apertium-apy, engine_bench the engine against openpyxl and LibreOffice.
#include "excel/application.h"
#include "pageclient/browser_page_client.h"
#include "pageclient/page_host.h"
#include "pageclient/scope_walk.h"
#include "pageclient/translation_direction.h"
#include "platform/browser/web_browser.h"
#include "platform/browser/web_engine_setup.h"
#include "tests/spreadsheet/fixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace veltrano;
using pageclient::CellTranslation;
using pageclient::PageClient;

class InstantPage final : public PageClient {
public:
    void takeDocument() override {}
    void releaseDocument() override {}
    CellTranslation TranslateCellText(const QString& text) override
    {
        ++translated;
        return CellTranslation::translated(text.toUpper());
    }
    int translated = 0;
};

// Passes every exchange on, counting them.
class CountingPage final : public PageClient {
public:
    explicit CountingPage(PageClient& inner)
        : m_inner(inner)
    {}
    void takeDocument() override { m_inner.takeDocument(); }
    void releaseDocument() override { m_inner.releaseDocument(); }
    CellTranslation TranslateCellText(const QString& text) override
    {
        ++translated;
        return m_inner.TranslateCellText(text);
    }
    int translated = 0;

private:
    PageClient& m_inner;
};

std::string generateWorkbook(int rows, const std::filesystem::path& folder)
{
    const std::string path = (folder / ("walk_bench_" + std::to_string(rows) + ".xlsx")).string();
    const std::string command = std::string(VELTRANO_BIN_DIR) + "/engine_bench --generate " + std::to_string(rows)
                                + " '" + path + "' > /dev/null";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "walk_bench: could not generate %s\n", path.c_str());
        std::exit(1);
    }
    return path;
}

// "Hello" in A1 and the number 42 in XFD1048576, the last cell of the sheet.
std::string farOffWorkbook(const std::filesystem::path& folder)
{
    const auto path = folder / "walk_bench_far_off.xlsx";
    spreadsheet::testing::WorkbookFixture()
        .worksheet("Data", "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Hello</t></is></c></row>"
                           "<row r=\"1048576\"><c r=\"XFD1048576\"><v>42</v></c></row>")
        .write(path);
    return path.string();
}

struct Walked {
    double milliseconds;
    int cellsVisited;
    double longestPumpGap;  // ms, from the start to the first pump, between pumps, and from the last to the end
};

Walked walkWorkbook(const std::string& path, PageClient& page, double pauseSeconds, bool keep = false)
{
    excel::Application excel;
    const excel::Workbook book = excel.Workbooks().Open({.FileName = path});
    int visited = 0;
    QElapsedTimer clock;
    qint64 lastPump = 0;
    qint64 longestGap = 0;
    const pageclient::WalkPacing pacing{pauseSeconds, [&] {
                                            ++visited;
                                            longestGap = std::max(longestGap, clock.nsecsElapsed() - lastPump);
                                            QCoreApplication::processEvents();
                                            lastPump = clock.nsecsElapsed();
                                        }};
    clock.start();
    if (const auto walked = pageclient::ConvertWorkbook(book, page, pacing); !walked)
        qFatal("walk_bench: %s", walked.error().message().c_str());
    const qint64 total = clock.nsecsElapsed();
    longestGap = std::max(longestGap, total - lastPump);
    if (keep) {
        book.Save();
        std::printf("walked workbook kept: %s\n", path.c_str());
    }
    return {double(total) / 1e6, visited, double(longestGap) / 1e6};
}

void measureInstant(const std::string& path)
{
    InstantPage page;
    const Walked walked = walkWorkbook(path, page, 0.0);
    std::printf("instant page, no pauses: %d cells visited, %d translated, %.1f ms in all: %.4f ms per cell visited, "
                "%.4f ms per translated cell; longest time between event pumps %.3f ms (target at most 20 ms)\n",
                walked.cellsVisited, page.translated, walked.milliseconds,
                walked.milliseconds / std::max(1, walked.cellsVisited),
                walked.milliseconds / std::max(1, page.translated), walked.longestPumpGap);
}

void measureRealPage(const std::string& path, platform::browser::WebBrowser& browser, double exchangeWait, double pause,
                     const char* label, bool keep = false)
{
    pageclient::BrowserPageClient browserPage(browser, {exchangeWait, 60.0, 0.005});
    CountingPage page(browserPage);
    const Walked walked = walkWorkbook(path, page, pause, keep);
    const double paced = page.translated * (exchangeWait + 2 * pause) * 1000.0;
    std::printf("%s: %d cells visited, %d translated, %.0f ms in all, %.0f ms of it waits: "
                "%.2f ms per translated cell on top of the waits (target under 20 ms), %.0f ms in all on top of them\n",
                label, walked.cellsVisited, page.translated, walked.milliseconds, paced,
                (walked.milliseconds - paced) / std::max(1, page.translated), walked.milliseconds - paced);
}

}  // namespace

int main(int argc, char* argv[])
{
    platform::browser::prepareWebEngine();
    QApplication application(argc, argv);
    int sizes[2] = {2000, 20};
    int given = 0;
    bool realPacing = false;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--real-pacing")
            realPacing = true;
        else if (std::string(argv[i]) == "--keep")
            keep = true;
        else if (given < 2)
            sizes[given++] = std::atoi(argv[i]);
    }
    const auto folder = std::filesystem::temp_directory_path();
    measureInstant(generateWorkbook(sizes[0], folder));
    std::printf("far-off cell, ");
    measureInstant(farOffWorkbook(folder));

    qunsetenv(pageclient::kPageHostVariable);
    const auto host = pageclient::PageHost::launch(QStringLiteral(VELTRANO_BIN_DIR));
    const auto address = host->waitForAddress(QDeadlineTimer(pageclient::kPageHostStartLimit));
    if (!address) {
        std::fprintf(stderr, "walk_bench: %s\n", qPrintable(address.error().message));
        return 1;
    }
    platform::browser::WebBrowser browser;
    browser.resize(300, 300);
    browser.show();
    browser.Navigate(pageclient::TranslateBaseUrl(pageclient::TranslationDirection::EnglishToSpanish, address.value()));
    browser.waitUntilLoaded(QDeadlineTimer(30'000));
    const std::string small = generateWorkbook(sizes[1], folder);
    measureRealPage(small, browser, 0.2, 0.0, "real page, exchange wait 0.2 s, no pauses", keep);
    measureRealPage(
        farOffWorkbook(folder), browser, 0.2, 0.0,
        "far-off cell, real page, exchange wait 0.2 s, no pauses (target under 100 ms on top of the waits)");
    if (realPacing)
        measureRealPage(generateWorkbook(1, folder), browser, pageclient::kExchangeWaitSeconds,
                        pageclient::kCellPauseSeconds, "real page, the program's pacing");
    return 0;
}
