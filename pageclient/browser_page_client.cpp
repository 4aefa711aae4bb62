#include "pageclient/browser_page_client.h"

#include "pageclient/wait_seconds.h"
#include "platform/browser/web_browser.h"

#include <QDeadlineTimer>
#include <QStringList>

#include <algorithm>

namespace veltrano::pageclient {

using platform::browser::DocumentAnswer;
using platform::browser::javaScriptStringLiteral;

namespace {

const QString kResultId = QStringLiteral("result_box");

// A cell text as it appears in a message: quoted, and cut short when long.
QString quoted(const QString& text)
{
    constexpr qsizetype kShown = 40;
    const QString shown = text.size() > kShown ? text.left(kShown) + QStringLiteral("...") : text;
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

// Puts the text into "source" and, when that changes the field, empties "result_box" and
// "error_box" in the same step. The page's own script cannot run in the middle of it, so the
// page never sees the new text beside the previous result, and whatever "result_box" shows
// later was written for this text. When the field already holds the text (a cell equal to the
// one before), a page may well not translate it again, and its result is still that text's, so
// it stays; an error shown is emptied all the same, being the answer to an earlier attempt
// (a page that counts writes asks again). The comparison is made after the assignment so that
// it sees the value as the field keeps it (an input field drops line breaks, for one).
QString deliveryScript(const QString& text)
{
    return QStringLiteral("(function () {"
                          " var source = document.getElementById(\"source\");"
                          " if (!source) return \"no-source\";"
                          " var before = source.value;"
                          " source.value = %1;"
                          " var changed = source.value !== before;"
                          " var result = document.getElementById(\"result_box\");"
                          " if (changed && result) result.innerText = \"\";"
                          " var error = document.getElementById(\"error_box\");"
                          " if (error) error.innerText = \"\";"
                          " return \"delivered\"; })()")
        .arg(javaScriptStringLiteral(text));
}

// One look at the result: [has result_box, its innerText, the page's error text if any].
const QString kResultScript = QStringLiteral("(function () {"
                                             " var result = document.getElementById(\"result_box\");"
                                             " var error = document.getElementById(\"error_box\");"
                                             " return [!!result, result ? String(result.innerText) : \"\","
                                             "         error ? String(error.innerText) : \"\"]; })()");

struct ResultLook {
    bool hasResultBox = false;
    QString result;
    QString error;
};

veltrano::Result<ResultLook, QString> lookAtResult(const platform::browser::HtmlDocument& document)
{
    const DocumentAnswer answer = document.evaluate(kResultScript);
    const QVariantList parts = answer.value.toList();
    if (!answer.done() || parts.size() != 3)
        return answer.done() ? QStringLiteral("the page gave no usable answer") : answer.failure;
    return ResultLook{parts.at(0).toBool(), parts.at(1).toString(), parts.at(2).toString()};
}

// How long the line break at position at of text is: 2 for "\r\n", 1 for a lone "\r" or "\n",
// 0 where there is none.
qsizetype lineBreakLength(const QString& text, qsizetype at)
{
    if (text[at] == u'\r')
        return at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1;
    return text[at] == u'\n' ? 1 : 0;
}

// The line breaks of a text in order, each as written: "\r\n", "\r" or "\n".
QStringList lineBreaksOf(const QString& text)
{
    QStringList breaks;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = lineBreakLength(text, i);
        if (length > 0)
            breaks << text.sliced(i, length);
        i += std::max<qsizetype>(length, 1);
    }
    return breaks;
}

// The answer with the line breaks of the text sent. A text area hands its value on with every
// line break as "\n", so the page sees, and answers, the text with its breaks made alike; the
// answer's breaks take back the forms of the sent text's breaks, in order (the last form for
// any beyond). An answer that differs from the text only in its line breaks thus equals it.
QString withLineBreaksOf(const QString& sent, const QString& answer)
{
    const QStringList forms = lineBreaksOf(sent);
    if (forms.isEmpty())
        return answer;
    QString out;
    out.reserve(answer.size() + forms.size());
    qsizetype count = 0;
    for (qsizetype i = 0; i < answer.size();) {
        const qsizetype length = lineBreakLength(answer, i);
        if (length == 0) {
            out += answer[i++];
            continue;
        }
        out += forms[std::min(count++, forms.size() - 1)];
        i += length;
    }
    return out;
}

}  // namespace

BrowserPageClient::BrowserPageClient(platform::browser::WebBrowser& browser, ExchangePacing pacing)
    : m_browser(&browser),
      m_pacing(pacing)
{}

void BrowserPageClient::takeDocument()
{
    m_held = m_browser ? m_browser->Document() : std::nullopt;
}

void BrowserPageClient::releaseDocument()
{
    m_held.reset();
}

veltrano::Result<BrowserPageClient::Delivery, QString> BrowserPageClient::deliverText(const QString& text)
{
    const DocumentAnswer answer = m_held->evaluate(deliveryScript(text));
    if (!answer.done())
        return answer.failure;
    const QString outcome = answer.value.toString();
    if (outcome == QLatin1String("no-source"))
        return Delivery::NoSource;
    if (outcome != QLatin1String("delivered"))
        return QStringLiteral("the page gave no usable answer");
    return Delivery::Delivered;
}

void BrowserPageClient::readAhead(const QStringList& texts)
{
    if (!m_held)
        return;
    // Enough of a workbook to tell its field, well within what one request to the page host may hold.
    constexpr qsizetype kMostTexts = 2000;
    constexpr qsizetype kMostCharacters = 200000;
    QStringList literals;
    qsizetype characters = 0;
    for (const QString& text : texts) {
        if (literals.size() == kMostTexts || characters + text.size() > kMostCharacters)
            break;
        characters += text.size();
        literals << javaScriptStringLiteral(text);
    }
    // Whatever comes of it, each cell is still translated: alone, as a page without the function
    // or a field it cannot tell does, or for the field the page now holds.
    static_cast<void>(
        m_held->evaluate(QStringLiteral("(function () { return typeof readWorkbookContext === \"function\""
                                        " ? readWorkbookContext([%1]) : \"\"; })()")
                             .arg(literals.join(QLatin1Char(',')))));
}

CellTranslation BrowserPageClient::TranslateCellText(const QString& text)
{
    // The page never answers an empty text, so the poll below would only run out its time.
    if (text.isEmpty())
        return CellTranslation::failed(QStringLiteral("An empty text was given to translate."));
    if (!m_held)
        return CellTranslation::failed(
            QStringLiteral("No translation page is loaded, so %1 could not be translated.").arg(quoted(text)));

    const auto delivery = deliverText(text);
    if (!delivery)
        return CellTranslation::failed(
            QStringLiteral("The translation page could not take %1: %2.").arg(quoted(text), delivery.error()));
    if (delivery.value() == Delivery::NoSource)
        return CellTranslation::failed(
            QStringLiteral("The translation page %1 has no element \"source\" (the page did not "
                           "load, or it is not the translation page), so %2 could not be translated.")
                .arg(m_held->address(), quoted(text)));

    takeDocument();
    if (!m_held)
        return CellTranslation::failed(QStringLiteral("The translation page is gone."));
    WaitSeconds(m_pacing.waitSeconds);

    const DocumentAnswer hasResult = m_held->hasElement(kResultId);
    if (!hasResult.done())
        return CellTranslation::failed(
            QStringLiteral("The translation page did not answer for %1: %2.").arg(quoted(text), hasResult.failure));
    if (!hasResult.value.toBool())
        return CellTranslation::noResult();
    return pollForResult(text);
}

CellTranslation BrowserPageClient::pollForResult(const QString& text)
{
    const auto limit = std::chrono::nanoseconds(static_cast<qint64>(std::max(0.0, m_pacing.resultLimitSeconds) * 1e9));
    const QDeadlineTimer deadline(limit, Qt::PreciseTimer);
    // The result is taken from a second reading after the one that found it filled, so a
    // page that writes its answer in two steps is read once it has settled; an empty second
    // reading sends the poll on.
    bool sawResult = false;
    for (;;) {
        const auto looked = lookAtResult(*m_held);
        if (!looked)
            return CellTranslation::failed(
                QStringLiteral("The translation page did not answer for %1: %2.").arg(quoted(text), looked.error()));
        const ResultLook& look = looked.value();
        if (!look.hasResultBox)
            return CellTranslation::failed(
                QStringLiteral("The element \"result_box\" left the translation page while %1 "
                               "was being translated.")
                    .arg(quoted(text)));
        if (!look.error.isEmpty())
            return CellTranslation::failed(
                QStringLiteral("The translation page could not translate %1: %2").arg(quoted(text), look.error));
        if (!look.result.isEmpty()) {
            if (sawResult)
                return CellTranslation::translated(withLineBreaksOf(text, look.result));
            sawResult = true;
            continue;
        }
        sawResult = false;
        if (deadline.hasExpired())
            return CellTranslation::failed(QStringLiteral("The translation page gave no result for %1 within %2 s.")
                                               .arg(quoted(text))
                                               .arg(m_pacing.resultLimitSeconds));
        WaitSeconds(m_pacing.pollIntervalSeconds);
    }
}

}  // namespace veltrano::pageclient
