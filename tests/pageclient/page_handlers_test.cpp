// The direction box's navigation, checked as the page server receives it (the exact address
// of each direction, none for no selection), and the load progress handler's treatment of
// values the bar refuses.

#include "pageclient/page_handlers.h"
#include "pageclient/translation_direction.h"
#include "platform/browser/web_browser.h"
#include "tests/pageclient/test_page_server.h"
#include "tests/platform/browser/web_test_main.h"

#include <QComboBox>
#include <QProgressBar>

#include <climits>

using namespace veltrano::pageclient;
using veltrano::platform::browser::WebBrowser;

class PageHandlersTest : public QObject {
    Q_OBJECT

private slots:
    void theDirectionBoxNavigatesByPosition_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("expectedRequest");  // empty: no navigation at all
        QTest::newRow("Spanish to English") << 1 << "/translate_t?sl=es&tl=en&text=";
        QTest::newRow("English to Spanish") << 0 << "/translate_t?sl=en&tl=es&text=";
        QTest::newRow("nothing selected") << -1 << "";
    }

    void theDirectionBoxNavigatesByPosition()
    {
        QFETCH(int, position);
        QFETCH(QString, expectedRequest);
        testing::TestPageServer server;
        WebBrowser browser;
        QComboBox combo;
        combo.addItems({directionCaption(TranslationDirection::EnglishToSpanish),
                        directionCaption(TranslationDirection::SpanishToEnglish)});
        combo.setCurrentIndex(position);

        Combo1_Click(combo, browser, server.host());
        if (expectedRequest.isEmpty()) {
            QVERIFY(!browser.isLoading());
            QVERIFY(!browser.Document().has_value());
            return;
        }
        QVERIFY(browser.waitUntilLoaded(QDeadlineTimer(30'000)));
        QCOMPARE(server.requests().value(0), expectedRequest);
    }

    void progressStatementsStandOnTheirOwn_data()
    {
        QTest::addColumn<int>("startValue");
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("progressMax");
        QTest::addColumn<int>("expectedMax");
        QTest::addColumn<int>("expectedValue");
        QTest::newRow("loading") << 0 << 40 << 100 << 101 << 40;
        QTest::newRow("download complete keeps the value") << 60 << -1 << 100 << 101 << 60;
        QTest::newRow("progressMax 0 gives Max 1") << 0 << 0 << 0 << 1 << 0;
        QTest::newRow("progressMax + 1 overflows: Max skipped") << 30 << 70 << INT_MAX << 100 << 70;
        QTest::newRow("Max not above Min is refused") << 30 << 0 << -1 << 100 << 0;
        QTest::newRow("most negative progressMax") << 30 << 50 << INT_MIN << 100 << 50;
        QTest::newRow("value above Max is refused") << 30 << 500 << 100 << 101 << 30;
        QTest::newRow("value up to Max is taken") << 30 << 101 << 100 << 101 << 101;
    }

    void progressStatementsStandOnTheirOwn()
    {
        QFETCH(int, startValue);
        QFETCH(int, progress);
        QFETCH(int, progressMax);
        QFETCH(int, expectedMax);
        QFETCH(int, expectedValue);
        QProgressBar bar;
        bar.setRange(0, 100);
        bar.setValue(startValue);
        WebBrowser1_ProgressChange(bar, progress, progressMax);
        QCOMPARE(bar.minimum(), 0);
        QCOMPARE(bar.maximum(), expectedMax);
        QCOMPARE(bar.value(), expectedValue);
    }
};

VELTRANO_WEB_TEST_MAIN(PageHandlersTest)
#include "page_handlers_test.moc"
