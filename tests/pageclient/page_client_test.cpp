// The page client against pages of our own and, when it is built, the real page host: what
// comes back for each kind of page, and that a cell never receives another cell's translation.

#include "pageclient/browser_page_client.h"
#include "pageclient/page_host.h"
#include "pageclient/translation_direction.h"
#include "platform/browser/web_browser.h"
#include "tests/pageclient/test_page_server.h"
#include "tests/platform/browser/web_test_main.h"
#include "tests/support/data_rows.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

using namespace veltrano::pageclient;
using veltrano::platform::browser::WebBrowser;
using veltrano::testing::addRow;
using Outcome = CellTranslation::Outcome;

namespace {

// Short enough to keep the tests quick, still longer than the test page's 100 ms answer.
const ExchangePacing kQuickPacing{/*waitSeconds=*/0.3, /*resultLimitSeconds=*/10, /*pollIntervalSeconds=*/0.025};

}  // namespace

class PageClientTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_server = std::make_unique<testing::TestPageServer>();
        m_browser = std::make_unique<WebBrowser>();
        m_browser->resize(300, 300);
        m_browser->show();
    }

    void cleanupTestCase()
    {
        m_browser.reset();
        m_server.reset();
    }

    void consecutiveCellsGetTheirOwnTranslations_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("one cell") << QStringList{"Total sales"} << QStringList{"<TOTAL SALES>"};
        QTest::newRow("different texts, same translation")
            << QStringList{"Hello", "HELLO", "hello"} << QStringList{"<HELLO>", "<HELLO>", "<HELLO>"};
        QTest::newRow("the same text twice") << QStringList{"Year", "Year"} << QStringList{"<YEAR>", "<YEAR>"};
        QTest::newRow("back to an earlier text")
            << QStringList{"one", "two", "one"} << QStringList{"<ONE>", "<TWO>", "<ONE>"};
        QTest::newRow("quotes and accents") << QStringList{"año \"x\" \\ y"} << QStringList{"<AÑO \"X\" \\ Y>"};
    }

    void consecutiveCellsGetTheirOwnTranslations()
    {
        QFETCH(QStringList, texts);
        QFETCH(QStringList, expected);
        load(QStringLiteral("/translate_t?sl=en&tl=es&text="));
        BrowserPageClient client(*m_browser, kQuickPacing);
        client.takeDocument();
        for (int i = 0; i < texts.size(); ++i) {
            const CellTranslation result = client.TranslateCellText(texts.at(i));
            QVERIFY2(result.outcome() == Outcome::Translated, qPrintable(result.failure()));
            QCOMPARE(result.text(), expected.at(i));
        }
    }

    // With the real 3-second wait: the page needs 4 s for the second cell, and the client must
    // wait for that answer rather than take the first cell's result still on the page.
    void aSlowPageNeverGivesThePreviousCellsTranslation()
    {
        load(QStringLiteral("/translate_t?sl=en&tl=es&text=&delay=100&slow=4000"));
        BrowserPageClient client(*m_browser);
        client.takeDocument();
        QCOMPARE(client.TranslateCellText(QStringLiteral("quick one")).text(), QStringLiteral("<QUICK ONE>"));
        QCOMPARE(client.TranslateCellText(QStringLiteral("slow two")).text(), QStringLiteral("<SLOW TWO>"));
    }

    void aPageWithoutResultBoxGivesNoResultAfterOneWait()
    {
        load(QStringLiteral("/no-result"));
        BrowserPageClient client(*m_browser, kQuickPacing);
        client.takeDocument();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(client.TranslateCellText(QStringLiteral("Total")).outcome(), Outcome::NoResult);
        QVERIFY(clock.elapsed() >= 300);
    }

    void failuresSayWhatWentWrong_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("expectedPart");
        addRow("no source element", "/no-source", "has no element \"source\"");
        addRow("result never comes", "/silent", "gave no result for \"Total\" within 1 s");
        addRow("the page reports an error", "/failing", "the translator is not installed");
    }

    void failuresSayWhatWentWrong()
    {
        QFETCH(QString, page);
        QFETCH(QString, expectedPart);
        load(page);
        ExchangePacing pacing = kQuickPacing;
        pacing.resultLimitSeconds = 1;
        BrowserPageClient client(*m_browser, pacing);
        client.takeDocument();
        const CellTranslation result = client.TranslateCellText(QStringLiteral("Total"));
        QCOMPARE(result.outcome(), Outcome::Failed);
        QVERIFY2(result.failure().contains(expectedPart), qPrintable(result.failure()));
    }

    // The page's error belongs to the attempt that failed: the same text written again is
    // asked again, and its answer is taken instead of the old error.
    void aFailedTextWrittenAgainIsAskedAgain()
    {
        load(QStringLiteral("/fails-once"));
        BrowserPageClient client(*m_browser, kQuickPacing);
        client.takeDocument();
        QVERIFY(client.TranslateCellText(QStringLiteral("Total")).failure().contains("busy, try again"));
        const CellTranslation again = client.TranslateCellText(QStringLiteral("Total"));
        QVERIFY2(again.outcome() == Outcome::Translated, qPrintable(again.failure()));
        QCOMPARE(again.text(), QStringLiteral("<TOTAL>"));
    }

    void withoutADocumentTheExchangeFails()
    {
        WebBrowser neverNavigated;
        BrowserPageClient client(neverNavigated, kQuickPacing);
        client.takeDocument();
        QVERIFY(!client.holdsDocument());
        QCOMPARE(client.TranslateCellText(QStringLiteral("x")).outcome(), Outcome::Failed);

        load(QStringLiteral("/translate_t?sl=en&tl=es&text="));
        BrowserPageClient released(*m_browser, kQuickPacing);
        released.takeDocument();
        released.releaseDocument();
        QVERIFY(released.TranslateCellText(QStringLiteral("x")).failure().contains("No translation page"));
    }

    void theRealPageHostTranslatesBothWays()
    {
        const QString program = QStringLiteral(VELTRANO_BIN_DIR "/") + QLatin1String(kPageHostProgram);
        QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program + " is not built"));
        qunsetenv(kPageHostVariable);
        const auto host = PageHost::launch(QStringLiteral(VELTRANO_BIN_DIR));
        const auto address = host->waitForAddress(QDeadlineTimer(kPageHostStartLimit));
        QVERIFY2(address, qPrintable(address ? QString() : address.error().message));

        // Two different words with one translation, then the same word again: each cell must
        // wait for its own answer and none may hang on an unchanged result. A hidden window's
        // page may have its timers slowed to one a minute, so there the page's timer is stopped
        // outright: its answers must not wait for it.
        const struct {
            TranslationDirection direction;
            QStringList texts;
            QStringList expected;
            bool hidden;
        } cases[] = {
            {TranslationDirection::EnglishToSpanish, {"house", "home", "home"}, {"casa", "casa", "casa"}, false},
            {TranslationDirection::SpanishToEnglish, {"Ventas totales del año"}, {"Total sales of the year"}, false},
            {TranslationDirection::EnglishToSpanish,
             {"house", "home", "home", "Year"},
             {"casa", "casa", "casa", "Año"},
             true}};
        QWebEngineScript stopTimers;
        stopTimers.setSourceCode(QStringLiteral("window.setInterval = () => 0;"));
        stopTimers.setInjectionPoint(QWebEngineScript::DocumentCreation);
        stopTimers.setWorldId(QWebEngineScript::MainWorld);
        for (const auto& c : cases) {
            m_browser->setVisible(!c.hidden);
            if (c.hidden)
                m_browser->page()->scripts().insert(stopTimers);
            m_browser->Navigate(TranslateBaseUrl(c.direction, address.value()));
            QVERIFY(m_browser->waitUntilLoaded(QDeadlineTimer(30'000)));
            QCOMPARE(m_browser->Document()->evaluate("document.visibilityState").value.toString(),
                     QLatin1String(c.hidden ? "hidden" : "visible"));
            BrowserPageClient client(*m_browser, kQuickPacing);
            client.takeDocument();
            for (int i = 0; i < c.texts.size(); ++i) {
                const CellTranslation result = client.TranslateCellText(c.texts.at(i));
                QVERIFY2(result.outcome() == Outcome::Translated, qPrintable(result.failure()));
                QCOMPARE(result.text(), c.expected.at(i));
            }
        }
        m_browser->page()->scripts().remove(stopTimers);
        m_browser->show();
    }

private:
    void load(const QString& pathAndQuery)
    {
        m_browser->Navigate(m_server->address(pathAndQuery));
        QVERIFY(m_browser->waitUntilLoaded(QDeadlineTimer(30'000)));
        QVERIFY(m_browser->lastLoadSucceeded());
    }

    std::unique_ptr<testing::TestPageServer> m_server;
    std::unique_ptr<WebBrowser> m_browser;
};

VELTRANO_WEB_TEST_MAIN(PageClientTest)
#include "page_client_test.moc"
