// The walks on the real translation page (the page host over Apertium), each scope once, the
// saved file opened again to check it; and the program's own pacing between two cells.

#include "excel/application.h"
#include "pageclient/browser_page_client.h"
#include "pageclient/page_host.h"
#include "pageclient/scope_walk.h"
#include "pageclient/translation_direction.h"
#include "platform/browser/web_browser.h"
#include "spreadsheet/workbook.h"
#include "tests/excel/sheet_cells.h"
#include "tests/platform/browser/web_test_main.h"
#include "tests/spreadsheet/fixture.h"

#include <QElapsedTimer>

using namespace veltrano;
using namespace veltrano::pageclient;
using excel::Application;
using excel::Workbook;
using spreadsheet::testing::WorkbookFixture;
using veltrano::testing::sheetRows;
using veltrano::testing::text;

namespace {

enum Scope {
    EntireWorkbook,
    ActiveSheetOnly,
    CellBlock
};

// Passes every call on, noting the text of each exchange and when it began.
class TimedPageClient final : public PageClient {
public:
    explicit TimedPageClient(PageClient& inner)
        : m_inner(inner)
    {
        clock.start();
    }
    void takeDocument() override { m_inner.takeDocument(); }
    void releaseDocument() override { m_inner.releaseDocument(); }
    CellTranslation TranslateCellText(const QString& text) override
    {
        exchangeStarts.push_back(clock.elapsed());
        sent << text;
        return m_inner.TranslateCellText(text);
    }
    QElapsedTimer clock;
    std::vector<qint64> exchangeStarts;
    QStringList sent;

private:
    PageClient& m_inner;
};

// "Sheet!A1=text" for each cell of the saved file that a test looks at.
QStringList savedCells(const std::string& path, const QStringList& cells)
{
    auto book = spreadsheet::Workbook::open(path);
    if (!book)
        return {QString::fromStdString(book.error().message())};
    QStringList out;
    for (const QString& cell : cells) {
        const QStringList parts = cell.split('!');
        const auto address = spreadsheet::parseCellName(parts[1].toStdString());
        auto sheet = book.value().worksheet(*book.value().findWorksheet(parts[0].toStdString()));
        out << cell + "=" + QString::fromStdString(sheet.text(address->row, address->column));
    }
    return out;
}

// One cell of the value table: its markup after <c r="An" and what it holds after the walk.
struct ValueCase {
    TranslationDirection direction;
    std::string markup;
    QString after;  // "kind: shown text"
    bool sent;
};

// Styles 1 to 4: h:mm AM/PM, a long date, #,##0.00, and text with a unit.
const ValueCase kValueCases[] = {
    {TranslationDirection::EnglishToSpanish, text("house"), "text: casa", true},
    {TranslationDirection::EnglishToSpanish, "s=\"1\"><v>0.378</v>", "date: 9:04 AM", false},
    {TranslationDirection::EnglishToSpanish, "t=\"b\"><v>1</v>", "boolean: TRUE", false},
    {TranslationDirection::EnglishToSpanish, "s=\"2\"><v>43001</v>", "date: Saturday, September 23, 2017", false},
    {TranslationDirection::EnglishToSpanish, "t=\"d\"><v>2017-09-23</v>", "date: 43001", false},
    {TranslationDirection::EnglishToSpanish, "s=\"3\"><v>1234.5</v>", "number: 1,234.50", false},
    {TranslationDirection::EnglishToSpanish, "t=\"e\"><v>#N/A</v>", "error: #N/A", false},
    {TranslationDirection::EnglishToSpanish, "t=\"str\"><f>\"house\"</f><v>house</v>", "formula: house", false},
    {TranslationDirection::EnglishToSpanish, "s=\"4\" " + text("apple"), "text: manzana kg", true},
    {TranslationDirection::EnglishToSpanish, text("123&#13;\n456"), "text: 123\r\n456", true},
    {TranslationDirection::EnglishToSpanish, text("green house&#13;\nred car"), "text: casa verde\r\ncoche rojo", true},
    {TranslationDirection::EnglishToSpanish, text("red&#13;green\nblue"), "text: rojo\rverde\nazul", true},
    {TranslationDirection::SpanishToEnglish, "><v>8412345678901</v>", "number: 8.41235E+12", false},
    {TranslationDirection::SpanishToEnglish, "s=\"1\"><v>0.378</v>", "date: 9:04 AM", false},
    {TranslationDirection::SpanishToEnglish, "t=\"b\"><v>0</v>", "boolean: FALSE", false},
    {TranslationDirection::SpanishToEnglish, text("casa"), "text: house", true},
    {TranslationDirection::SpanishToEnglish, text("perro&#13;\n&#13;\ngato"), "text: dog\r\n\r\ncat", true},
};

}  // namespace

class ScopeWalkPageHostTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qunsetenv(kPageHostVariable);
        m_host = PageHost::launch(QStringLiteral(VELTRANO_BIN_DIR));
        const auto address = m_host->waitForAddress(QDeadlineTimer(kPageHostStartLimit));
        QVERIFY2(address, qPrintable(address ? QString() : address.error().message));
        m_address = address.value();
        m_browser = std::make_unique<platform::browser::WebBrowser>();
        m_browser->resize(300, 300);
        m_browser->show();
    }

    void init() { QVERIFY(loadPage(TranslationDirection::EnglishToSpanish)); }

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
        const std::string path = writeWorkbook(
            {{"A1", text("house")}, {"B2", text("Sales")}, {"C3", text("Name")}, {"D4", text("Monthly report")}},
            {{"A1", text("green apple")}});
        Application excel;
        const Workbook book = excel.Workbooks().Open({.FileName = path});
        BrowserPageClient page(*m_browser,
                               {/*waitSeconds=*/0.3, /*resultLimitSeconds=*/30, /*pollIntervalSeconds=*/0.025});
        const WalkPacing noPauses{0.0, {}};
        const Walked walked = scope == EntireWorkbook ? ConvertWorkbook(book, page, noPauses)
                              : scope == ActiveSheetOnly
                                  ? ConvertActiveSheet(book, page, noPauses)
                                  : ConvertCellBlock(book, book.Worksheets().at(0).Range("B2:C3"), page, noPauses);
        QVERIFY(walked);
        book.Save();
        excel.Quit();

        QStringList cells;
        for (const QString& cell : expected)
            cells << cell.section('=', 0, 0);
        QCOMPARE(savedCells(path, cells), expected);
    }

    // Only text is sent and replaced, whatever a number format shows; line breaks come back as
    // they went, and an answer that differs from the text only in them leaves the cell as it was.
    void onlyTextIsSentAndWrittenWithItsLineBreaks_data()
    {
        QTest::addColumn<int>("direction");
        QTest::newRow("English to Spanish") << int(TranslationDirection::EnglishToSpanish);
        QTest::newRow("Spanish to English") << int(TranslationDirection::SpanishToEnglish);
    }

    void onlyTextIsSentAndWrittenWithItsLineBreaks()
    {
        QFETCH(int, direction);
        QVERIFY(loadPage(TranslationDirection(direction)));
        std::vector<std::pair<std::string, std::string>> cells;
        QStringList expected;
        std::vector<int> sentRows;
        for (const ValueCase& c : kValueCases) {
            if (int(c.direction) != direction)
                continue;
            const std::string name = "A" + std::to_string(cells.size() + 1);
            cells.emplace_back(name, c.markup);
            expected << QString::fromStdString(name) + "=" + c.after;
            if (c.sent)
                sentRows.push_back(int(cells.size()));
        }
        const auto path = m_folder / ("values" + std::to_string(direction) + ".xlsx");
        WorkbookFixture()
            .numFmt(164, "h:mm AM/PM")
            .numFmt(165, "dddd, mmmm d, yyyy")
            .numFmt(166, "@&quot; kg&quot;")
            .cellXf(0)
            .cellXf(164)
            .cellXf(165)
            .cellXf(4)
            .cellXf(166)
            .worksheet("One", sheetRows(cells))
            .write(path);

        Application excel;
        const Workbook book = excel.Workbooks().Open({.FileName = path.string()});
        QStringList sent;
        for (const int row : sentRows)
            sent << QString::fromStdString(book.Worksheets().at(0).Cells(row, 1).Value().value_or("?"));
        BrowserPageClient browserPage(*m_browser,
                                      {/*waitSeconds=*/0.3, /*resultLimitSeconds=*/30, /*pollIntervalSeconds=*/0.025});
        TimedPageClient page(browserPage);
        QVERIFY(ConvertWorkbook(book, page, {0.0, {}}));
        book.Save();
        excel.Quit();

        auto saved = spreadsheet::Workbook::open(path.string());
        QVERIFY(saved);
        const spreadsheet::Worksheet sheet = saved.value().worksheet(0);
        QStringList after;
        for (std::size_t row = 1; row <= cells.size(); ++row) {
            const QString name = "A" + QString::number(row);
            after << name + "="
                         + QString::fromStdString(std::string(spreadsheet::cellKindName(sheet.kind(int(row), 1))))
                         + ": " + QString::fromStdString(sheet.text(int(row), 1));
        }
        QCOMPARE(page.sent, sent);
        QCOMPARE(after, expected);
    }

    // With the program's own pauses and exchange wait, two translated cells lie at least 4 s apart.
    void translatedCellsAreAtLeastFourSecondsApart()
    {
        const std::string path = writeWorkbook({{"A1", text("house")}, {"A2", text("Sales")}}, {});
        Application excel;
        const Workbook book = excel.Workbooks().Open({.FileName = path});
        BrowserPageClient browserPage(*m_browser);
        TimedPageClient page(browserPage);
        QVERIFY(ConvertWorkbook(book, page));
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

    bool loadPage(TranslationDirection direction)
    {
        m_browser->Navigate(TranslateBaseUrl(direction, m_address));
        return m_browser->waitUntilLoaded(QDeadlineTimer(30'000));
    }

    spreadsheet::testing::TempDir m_folder;
    int m_files = 0;
    QString m_address;
    std::unique_ptr<PageHost> m_host;
    std::unique_ptr<platform::browser::WebBrowser> m_browser;
};

VELTRANO_WEB_TEST_MAIN(ScopeWalkPageHostTest)
#include "scope_walk_page_host_test.moc"
