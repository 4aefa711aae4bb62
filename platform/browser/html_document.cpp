#include "platform/browser/html_document.h"

#include "platform/browser/event_pump.h"
#include "platform/browser/web_browser.h"

#include <QWebEnginePage>
#include <QWebEngineScript>

#include <memory>

namespace veltrano::platform::browser {

namespace {

DocumentAnswer failed(QString why)
{
    return {DocumentAnswer::Status::Failed, {}, std::move(why)};
}

double seconds(std::chrono::milliseconds ms)
{
    return std::chrono::duration<double>(ms).count();
}

}  // namespace

QString javaScriptStringLiteral(const QString& text)
{
    QString literal;
    literal.reserve(text.size() + 2);
    literal += u'"';
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit == u'"' || unit == u'\\') {
            literal += u'\\';
            literal += c;
        } else if (unit >= 0x20 && unit < 0x7F) {
            literal += c;
        } else {
            // Escaping every other code unit keeps line breaks, line separators and even lone
            // surrogates exactly as they are.
            literal += QStringLiteral("\\u%1").arg(static_cast<uint>(unit), 4, 16, QLatin1Char('0'));
        }
    }
    literal += u'"';
    return literal;
}

HtmlDocument::HtmlDocument(WebBrowser& browser)
    : m_browser(&browser)
{}

QString HtmlDocument::address() const
{
    return m_browser ? m_browser->url().toString() : QString();
}

DocumentAnswer HtmlDocument::evaluate(const QString& script, std::chrono::milliseconds limit) const
{
    if (!m_browser)
        return failed(QStringLiteral("the browser control is gone"));
    const QDeadlineTimer deadline(limit, Qt::PreciseTimer);
    if (!m_browser->waitUntilLoaded(deadline))
        return failed(QStringLiteral("the page %1 was still loading after %2 s").arg(address()).arg(seconds(limit)));
    if (!m_browser)
        return failed(QStringLiteral("the browser control is gone"));

    // The callback may come after this call has given up; it then writes into state that
    // only it still owns.
    struct Answer {
        bool arrived = false;
        QVariant value;
    };
    auto answer = std::make_shared<Answer>();
    m_browser->page()->runJavaScript(script, QWebEngineScript::MainWorld, [answer](const QVariant& value) {
        answer->value = value;
        answer->arrived = true;
    });
    const bool arrived = pumpEventsUntil([&] { return answer->arrived || m_browser.isNull(); }, deadline);
    if (!arrived || !answer->arrived)
        return failed(QStringLiteral("the page %1 did not answer within %2 s").arg(address()).arg(seconds(limit)));
    return {DocumentAnswer::Status::Done, answer->value, {}};
}

DocumentAnswer HtmlDocument::hasElement(const QString& id) const
{
    // The element is looked up anew on every call. A script that failed gives no value at all,
    // which must not pass for a missing element.
    DocumentAnswer answer =
        evaluate(QStringLiteral("document.getElementById(%1) !== null").arg(javaScriptStringLiteral(id)));
    if (answer.done() && answer.value.typeId() != QMetaType::Bool)
        return failed(QStringLiteral("the page %1 gave no usable answer about element \"%2\"").arg(address(), id));
    return answer;
}

}  // namespace veltrano::platform::browser
