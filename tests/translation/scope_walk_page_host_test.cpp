// The walks on the real translation page (the page host over Apertium), each scope once, the
// saved file opened again to check it; and the program's own pacing between two cells.

#include "platform/browser/web_browser.h"
#include "platform/excel/application.h"
#include "spreadsheet/workbook.h"
#include "tests/platform/browser/web_test_main.h"
#include "tests/platform/excel/sheet_cells.h"
#include "tests/spreadsheet/fixture.h"
#include "translation/browser_page_client.h"
#include "translation/page_host.h"
#include "translation/scope_walk.h"
#include "translation/translation_direction.h"

#include <QElapsedTimer>

using namespace veltrano;
using namespace veltrano::translation;
using platform::excel::Application;
using platform::excel::Workbook;
using spreadsheet::testing::WorkbookFixture;
using veltrano::testing::sheetRows;
using veltrano::testing::text;

namespace {

enum Scope { EntireWorkbook, ActiveSheetOnly, CellBlock };

// Passes every call on, noting when each exchange began.
class TimedPageClient final : public PageClient {
public:
    explicit TimedPageClient(PageClient& inner) : m_inner(inner) { clock.start(); }
    void takeDocument() override { m_inner.takeDocument(); }
    void releaseDocument() override { m_inner.releaseDocument(); }
    CellTranslation TranslateCellText(const QString& text) override
    {
        exchangeStarts.push_back(clock.elapsed());
        return m_inner.TranslateCellText(text);
    }
    QElapsedTimer clock;
    std::vector<qint64> exchangeStarts;

private:
    PageClient& m_inner;
};

// "Sheet!A1=text" for each cell of the saved file that a test looks at.
QStringList savedCells(const std::string& path, const QStringList& cells)
{
    auto book = spreadsheet::Workbook::open(path);
    if (!book)
        return {QString::fromStdString(book.error().message)};
    QStringList out;
    for (const QString& cell : cells) {
        const QStringList parts = cell.split('!');
        const auto address = spreadsheet::parseCellName(parts[1].toStdString());
        auto sheet = book.value().worksheet(*book.value().findWorksheet(parts[0].toStdString()));
        out << cell + "=" + QString::fromStdString(sheet.text(address->row, address->column));
    }
    return out;
}

} // namespace

class ScopeWalkPageHostTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qunsetenv(kPageHostVariable);
        m_host = PageHost::launch(QStringLiteral(VELTRANO_BIN_DIR));
        const std::optional<QString> address = m_host->waitForAddress(QDeadlineTimer(kPageHostStartLimit));
        QVERIFY2(address, qPrintable(m_host->failure()));
        m_browser = std::make_unique<platform::browser::WebBrowser>();
        m_browser->resize(300, 300);
        m_browser->show();
        m_browser->Navigate(TranslateBaseUrl(TranslationDirection::EnglishToSpanish, *address));
        QVERIFY(m_browser->waitUntilLoaded(QDeadlineTimer(30'000)));
    }

    void cleanupTestCase()
    {
        m_browser.reset();
        m_host.reset();
    }

    void eachScopeTranslatesItsCellsAndTheFileKeepsThem_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("entire workbook") << int(EntireWorkbook)
                                         << QStringList{"One!A1=casa", "One!B2=Ventas", "One!C3=Nombre",
                                                        "One!D4=Informe mensual", "Two!A1=manzana verde"};
        QTest::newRow("active sheet") << int(ActiveSheetOnly)
                                      << QStringList{"One!A1=house", "One!B2=Sales", "One!C3=Name",
                                                     "One!D4=Monthly report", "Two!A1=manzana verde"};
        QTest::newRow("block B2:C3") << int(CellBlock)
                                     << QStringList{"One!A1=house", "One!B2=Ventas", "One!C3=Nombre",
                                                    "One!D4=Monthly report", "Two!A1=green apple"};
    }

    void eachScopeTranslatesItsCellsAndTheFileKeepsThem()
    {
        QFETCH(int, scope);
        QFETCH(QStringList, expected);
        const std::string path = writeWorkbook({{"A1", text("house")}, {"B2", text("Sales")}, {"C3", text("Name")},
                                                {"D4", text("Monthly report")}},
                                               {{"A1", text("green apple")}});
        Application excel;
        const Workbook book = excel.Workbooks().Open({.FileName = path});
        BrowserPageClient page(*m_browser, {/*waitSeconds=*/0.3, /*resultLimitSeconds=*/30, /*pollIntervalSeconds=*/0.025});
        const WalkPacing noPauses{0.0, {}};
        if (scope == EntireWorkbook)
            ConvertWorkbook(book, page, noPauses);
        else if (scope == ActiveSheetOnly)
            ConvertActiveSheet(book, page, noPauses);
        else
            ConvertCellBlock(book, book.Worksheets().at(0).Range("B2:C3"), page, noPauses);
        book.Save();
        excel.Quit();

        QStringList cells;
        for (const QString& cell : expected)
            cells << cell.section('=', 0, 0);
        QCOMPARE(savedCells(path, cells), expected);
    }

    // With the program's own pauses and exchange wait, two translated cells lie at least 4 s apart.
    void translatedCellsAreAtLeastFourSecondsApart()
    {
        const std::string path = writeWorkbook({{"A1", text("house")}, {"A2", text("Sales")}}, {});
        Application excel;
        const Workbook book = excel.Workbooks().Open({.FileName = path});
        BrowserPageClient browserPage(*m_browser);
        TimedPageClient page(browserPage);
        ConvertWorkbook(book, page);
        QCOMPARE(page.exchangeStarts.size(), std::size_t(2));
        QVERIFY2(page.exchangeStarts[1] - page.exchangeStarts[0] >= 4000,
                 qPrintable(QString::number(page.exchangeStarts[1] - page.exchangeStarts[0]) + " ms"));
        QCOMPARE(QString::fromStdString(book.Worksheets().at(0).Cells(2, 1).Text()), QStringLiteral("Ventas"));
    }

private:
    // Sheets "One" and "Two", "Two" active, in a new file.
    std::string writeWorkbook(const std::vector<std::pair<std::string, std::string>>& one,
                              const std::vector<std::pair<std::string, std::string>>& two)
    {
        const auto path = m_folder / ("book" + std::to_string(++m_files) + ".xlsx");
        WorkbookFixture().worksheet("One", sheetRows(one)).worksheet("Two", sheetRows(two)).activeTab(1).write(path);
        return path.string();
    }

    spreadsheet::testing::TempDir m_folder;
    int m_files = 0;
    std::unique_ptr<PageHost> m_host;
    std::unique_ptr<platform::browser::WebBrowser> m_browser;
};

VELTRANO_WEB_TEST_MAIN(ScopeWalkPageHostTest)
#include "scope_walk_page_host_test.moc"
