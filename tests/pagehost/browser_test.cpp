// The page in a real browser engine (QtWebEngine, offscreen), driven the way the main window's
// client drives it: only by setting source.value from script and reading result_box.innerText.
#include "host_process.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <unistd.h>

namespace veltrano::pagehost::testing {

class BrowserTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void resultBoxShowsTheTranslationExactly_data();
    void resultBoxShowsTheTranslationExactly();
    void theSameTextTwiceKeepsItsResultWithoutAsking();
    void aLateAnswerForAnEarlierTextIsDropped();
    void anEmptiedResultIsNotPutBackUnasked();
    void anEmptySourceEmptiesTheResult();
    void failuresGoToTheErrorBoxOnly();
    void textInTheAddressFillsSourceAtLoad();
    void cellsAreTranslatedForTheFieldTheirWorkbookTells();

private:
    void load(const QString& pathAndQuery);
    QVariant evaluate(const QString& script);
    void setSource(const QString& text);
    QString resultBox();
    QString waitForResult();
    QString apiTranslation(const std::string& sl, const std::string& tl, const QString& text);

    std::unique_ptr<HostProcess> m_host;
    std::unique_ptr<QWebEngineView> m_view;
};

namespace {

QString scriptString(const QString& text)
{
    // A JSON array's single element is a JavaScript string literal.
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// Counts the page's requests, the answers it has read and its looks at source, and remembers every
// text result_box has held. The page acts on an answer in the same turn as the answer is read.
const char* kWatch = R"(
window.asks = 0;
window.answers = 0;
window.looks = 0;
window.seen = [];
const source = document.getElementById("source");
const pageValue = Object.getOwnPropertyDescriptor(source, "value");
Object.defineProperty(source, "value", {
  configurable: true,
  get() { window.looks++; return pageValue.get.call(this); },
  set(text) { pageValue.set.call(this, text); }
});
const realFetch = window.fetch;
window.fetch = function (...args) { window.asks++; return realFetch.apply(this, args); };
const realJson = Response.prototype.json;
Response.prototype.json = function () {
  return realJson.call(this).then(body => { window.answers++; return body; });
};
const box = document.getElementById("result_box");
new MutationObserver(() => window.seen.push(box.innerText))
    .observe(box, { childList: true, characterData: true, subtree: true });
)";

}  // namespace

void BrowserTest::initTestCase()
{
    std::string error;
    m_host = HostProcess::start({}, error);
    QVERIFY2(m_host, error.c_str());
}

void BrowserTest::cleanupTestCase()
{
    m_view.reset();
    m_host.reset();
}

void BrowserTest::init()
{
    load("/translate_t?sl=en&tl=es&text=");
}

void BrowserTest::load(const QString& pathAndQuery)
{
    m_view = std::make_unique<QWebEngineView>();
    m_view->resize(800, 600);
    m_view->show();
    QSignalSpy loaded(m_view->page(), &QWebEnginePage::loadFinished);
    m_view->load(QUrl(QString("http://127.0.0.1:%1%2").arg(m_host->port()).arg(pathAndQuery)));
    QVERIFY(loaded.wait(30000));
    QCOMPARE(loaded.first().first().toBool(), true);
    evaluate(kWatch);
}

QVariant BrowserTest::evaluate(const QString& script)
{
    QVariant result;
    bool done = false;
    m_view->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    // Waits for the callback, pumping events; the bound only keeps a broken build from hanging.
    if (!QTest::qWaitFor([&] { return done; }, 30000))
        qWarning("script did not finish: %s", qPrintable(script.left(80)));
    return result;
}

void BrowserTest::setSource(const QString& text)
{
    evaluate("document.getElementById('source').value = " + scriptString(text) + ";");
}

QString BrowserTest::resultBox()
{
    return evaluate("document.getElementById('result_box').innerText").toString();
}

QString BrowserTest::waitForResult()
{
    QString result;
    if (!QTest::qWaitFor([&] { return !(result = resultBox()).isEmpty(); }, 30000))
        qWarning("result_box stayed empty");
    return result;
}

QString BrowserTest::apiTranslation(const std::string& sl, const std::string& tl, const QString& text)
{
    auto client = m_host->client();
    const ApiAnswer answer = translate(*client, sl, tl, {text.toStdString()});
    if (answer.status != 200)
        return "<API failed: " + QString::fromStdString(answer.body.dump()) + ">";
    return QString::fromStdString(answer.body.at("translations").at(0).get<std::string>());
}

void BrowserTest::resultBoxShowsTheTranslationExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("sentence") << "Total sales for the year";
    QTest::newRow("line breaks and surrounding spaces") << "  First line\nsecond line  ";
    QTest::newRow("trailing line break") << "Unit price\n";
    QTest::newRow("markup characters") << "Price <b> & [note] {x} \"quoted\"";
    QTest::newRow("whitespace only") << " \t ";
    QTest::newRow("tabs inside") << "Name\tAddress\tCity";
}

void BrowserTest::resultBoxShowsTheTranslationExactly()
{
    QFETCH(QString, text);
    setSource(text);
    QCOMPARE(waitForResult(), apiTranslation("en", "es", text));
    QCOMPARE(evaluate("document.getElementById('error_box').innerText").toString(), QString());
}

void BrowserTest::theSameTextTwiceKeepsItsResultWithoutAsking()
{
    setSource("The red car");
    const QString first = waitForResult();
    QVERIFY(!first.isEmpty());
    // The client empties the result before it puts the next text in.
    evaluate("document.getElementById('result_box').textContent = ''");
    setSource("The red car");
    QCOMPARE(waitForResult(), first);
    QCOMPARE(evaluate("window.asks").toInt(), 1);
}

void BrowserTest::aLateAnswerForAnEarlierTextIsDropped()
{
    // Every answer held back a while, so the first is still on its way when the text changes.
    evaluate("const quickFetch = window.fetch;"
             "window.fetch = (...args) => new Promise(done => setTimeout(() => done(quickFetch(...args)), 400));");
    const QString early = apiTranslation("en", "es", "The big house");
    const QString late = apiTranslation("en", "es", "Phone number");
    setSource("The big house");
    QVERIFY(QTest::qWaitFor([&] { return evaluate("window.asks").toInt() == 1; }, 30000));
    setSource("Phone number");
    QCOMPARE(waitForResult(), late);
    // Once the early answer has been read as well, it must not have shown.
    QVERIFY(QTest::qWaitFor([&] { return evaluate("window.answers").toInt() == 2; }, 30000));
    QCOMPARE(resultBox(), late);
    QVERIFY(!evaluate("window.seen").toStringList().contains(early));
}

void BrowserTest::anEmptiedResultIsNotPutBackUnasked()
{
    // Between cells the client empties result_box before the next text goes in; the old result
    // must not come back in that gap, or it could be read as the next cell's.
    setSource("Unit price");
    QVERIFY(!waitForResult().isEmpty());
    evaluate("document.getElementById('result_box').textContent = ''");
    const int looks = evaluate("window.looks").toInt();
    QVERIFY(QTest::qWaitFor([&] { return evaluate("window.looks").toInt() >= looks + 2; }, 30000));
    QCOMPARE(resultBox(), QString());
}

void BrowserTest::anEmptySourceEmptiesTheResult()
{
    setSource("Customer");
    QVERIFY(!waitForResult().isEmpty());
    setSource("");
    QVERIFY(QTest::qWaitFor([&] { return resultBox().isEmpty(); }, 30000));
    QCOMPARE(evaluate("window.asks").toInt(), 1);
}

void BrowserTest::failuresGoToTheErrorBoxOnly()
{
    // Over the host's length limit for one text: the host refuses it.
    setSource(QString(32768, 'a'));
    QString error;
    QVERIFY(QTest::qWaitFor(
        [&] { return !(error = evaluate("document.getElementById('error_box').innerText").toString()).isEmpty(); },
        30000));
    QVERIFY2(error.contains("413"), qPrintable(error));
    QCOMPARE(resultBox(), QString());
    // The same text written again is asked again.
    setSource(QString(32768, 'a'));
    QVERIFY(QTest::qWaitFor([&] { return evaluate("window.asks").toInt() == 2; }, 30000));
    QVERIFY(evaluate("window.seen").toStringList().filter(QRegularExpression(".")).isEmpty());
}

void BrowserTest::textInTheAddressFillsSourceAtLoad()
{
    load("/translate_t?sl=es&tl=en&text=Ventas%20totales%20del%20a%C3%B1o");
    QCOMPARE(evaluate("document.getElementById('source').value").toString(), QString("Ventas totales del año"));
    // The first answer may already be in by the time the watch was installed.
    QCOMPARE(waitForResult(), apiTranslation("es", "en", "Ventas totales del año"));
}

void BrowserTest::cellsAreTranslatedForTheFieldTheirWorkbookTells()
{
    load("/translate_t?sl=es&tl=en&text=");
    QCOMPARE(evaluate("readWorkbookContext(['Nómina de marzo', 'Salario bruto', 'Nº de empleado', 'Retención IRPF'])")
                 .toString(),
             QString("hr-payroll"));
    setSource("Bajas del mes");
    QCOMPARE(waitForResult(), QString("Leavers this month"));
}

}  // namespace veltrano::pagehost::testing

int main(int argc, char* argv[])
{
    // Chromium refuses to run its sandbox as root (as CI runs); nothing needs a display.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    veltrano::pagehost::testing::BrowserTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "browser_test.moc"
