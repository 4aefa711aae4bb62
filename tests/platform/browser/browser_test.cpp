// The browser control against pages given as data addresses: texts survive the trip into a
// script and back, element look-ups tell a missing element from a found one, the control
// reports a finished download as progress -1, and a page cannot take it elsewhere. Also the
// Chromium flags the program starts with.

#include "platform/browser/html_document.h"
#include "platform/browser/web_browser.h"
#include "platform/browser/web_engine_setup.h"
#include "tests/platform/browser/web_test_main.h"

#include <QSignalSpy>
#include <QUrl>

using namespace veltrano::platform::browser;

namespace {

QString dataPage(const QString& html)
{
    return QStringLiteral("data:text/html;charset=utf-8,") + QString::fromLatin1(QUrl::toPercentEncoding(html));
}

}  // namespace

class BrowserTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_browser = std::make_unique<WebBrowser>();
        m_browser->resize(200, 200);
        m_browser->show();
        QSignalSpy progress(m_browser.get(), &WebBrowser::ProgressChange);
        m_browser->Navigate(dataPage(
            QStringLiteral("<input id='source'><div id='result_box' style='white-space:pre-wrap'>ready</div>")));
        QVERIFY(m_browser->waitUntilLoaded(QDeadlineTimer(30'000)));
        QVERIFY(m_browser->lastLoadSucceeded());
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().at(0).toInt(), -1);
    }

    void cleanupTestCase() { m_browser.reset(); }

    void textSurvivesTheTripIntoTheField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringLiteral("Total sales");
        QTest::newRow("quotes and backslash") << QStringLiteral("say \"hi\" \\ 'there' \\u0041");
        QTest::newRow("script breakers") << QStringLiteral("</script><b>x</b>${y}`z`");
        QTest::newRow("accents and emoji") << QStringLiteral("Año niño café 😀");
        QTest::newRow("line separators") << QStringLiteral("a\u2028b\u2029c");
        QTest::newRow("percent placeholders") << QStringLiteral("%1 %2 %%3");
    }

    void textSurvivesTheTripIntoTheField()
    {
        QFETCH(QString, text);
        const HtmlDocument document = *m_browser->Document();
        QVERIFY(document.evaluate("document.getElementById('source').value = " + javaScriptStringLiteral(text)).done());
        const DocumentAnswer back = document.evaluate(QStringLiteral("document.getElementById('source').value"));
        QVERIFY(back.done());
        QCOMPARE(back.value.toString(), text);
    }

    void elementLookUpsTellMissingFromFound()
    {
        const HtmlDocument document = *m_browser->Document();
        QCOMPARE(document.hasElement(QStringLiteral("result_box")).value, QVariant(true));
        QCOMPARE(document.hasElement(QStringLiteral("nothing")).value, QVariant(false));
        QCOMPARE(document.hasElement(QStringLiteral("it's \"quoted\"")).value, QVariant(false));
    }

    void throttlingFlagsJoinTheUsersOwn_data()
    {
        QTest::addColumn<QByteArray>("given");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray ours = "--disable-background-timer-throttling --disable-renderer-backgrounding "
                                "--disable-backgrounding-occluded-windows";
        QTest::newRow("none given") << QByteArray() << ours;
        QTest::newRow("the user's first")
            << QByteArray(" --lang=es  --no-sandbox ") << "--lang=es  --no-sandbox " + ours;
        QTest::newRow("one of ours given already")
            << QByteArray("--disable-renderer-backgrounding")
            << QByteArray("--disable-renderer-backgrounding --disable-background-timer-throttling "
                          "--disable-backgrounding-occluded-windows");
    }

    void throttlingFlagsJoinTheUsersOwn()
    {
        QFETCH(QByteArray, given);
        QFETCH(QByteArray, expected);
        QCOMPARE(withoutBackgroundThrottling(given), expected);
    }

    void thePageCannotGoElsewhereByItself()
    {
        WebBrowser browser;
        browser.Navigate(
            dataPage(QStringLiteral("<a id='away' href='http://127.0.0.1:9/away'>away</a><form id='send' "
                                    "action='http://127.0.0.1:9/send'></form><script>var here = 1;</script>")));
        QVERIFY(browser.waitUntilLoaded(QDeadlineTimer(30'000)));
        const HtmlDocument document = *browser.Document();
        QSignalSpy refused(&browser, &WebBrowser::navigationRefused);
        qsizetype tries = 0;
        for (const char* leave : {"document.getElementById('away').click()", "document.getElementById('send').submit()",
                                  "location.href = 'http://127.0.0.1:9/script'"}) {
            QVERIFY(document.evaluate(QString::fromLatin1(leave)).done());
            // The answer to the script may come before or after the refusal.
            QVERIFY(refused.size() > tries || refused.wait(10'000));
            ++tries;
            QCOMPARE(document.evaluate(QStringLiteral("typeof here")).value, QVariant(QStringLiteral("number")));
        }
        QVERIFY(!browser.isLoading());
        QVERIFY(browser.lastLoadSucceeded());
    }

    void aDocumentOfADestroyedBrowserFails()
    {
        auto browser = std::make_unique<WebBrowser>();
        browser->Navigate(QStringLiteral("about:blank"));
        const HtmlDocument document = *browser->Document();
        browser.reset();
        QCOMPARE(document.hasElement(QStringLiteral("x")).status, DocumentAnswer::Status::Failed);
    }

private:
    std::unique_ptr<WebBrowser> m_browser;
};

VELTRANO_WEB_TEST_MAIN(BrowserTest)
#include "browser_test.moc"
