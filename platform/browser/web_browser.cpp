#include "platform/browser/web_browser.h"

#include "platform/browser/event_pump.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QUrl>

namespace veltrano::platform::browser {

namespace {
// Qt reports load progress in per cent; the control's report gives the scale with each value.
constexpr int kProgressScale = 100;
// The control's way of saying that the download is complete.
constexpr int kDownloadComplete = -1;
} // namespace

WebBrowser::WebBrowser(QWidget* parent) : QWebEngineView(parent)
{
    connect(this, &QWebEngineView::loadStarted, this, &WebBrowser::onLoadStarted);
    connect(this, &QWebEngineView::loadProgress, this, &WebBrowser::onLoadProgress);
    connect(this, &QWebEngineView::loadFinished, this, &WebBrowser::onLoadFinished);
}

void WebBrowser::Navigate(const QString& address)
{
    const QUrl url(address);
    m_navigated = true;
    // The load starts asynchronously; a document taken before loadStarted arrives must
    // already wait for this load rather than read the page it replaces. An address that is
    // no URL at all starts no load, so nothing would ever end the wait.
    m_loading = url.isValid();
    load(url);
}

std::optional<HtmlDocument> WebBrowser::Document()
{
    if (!m_navigated)
        return std::nullopt;
    return HtmlDocument(*this);
}

bool WebBrowser::waitUntilLoaded(QDeadlineTimer deadline)
{
    return pumpEventsUntil([this] { return !m_loading; }, deadline);
}

void WebBrowser::childEvent(QChildEvent* event)
{
    QWebEngineView::childEvent(event);
    // Keys go to the child that renders the page; watch them there.
    if (event->added() && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
}

bool WebBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier)))
            m_lastTabWasBackwards = true;
        else if (key->key() == Qt::Key_Tab)
            m_lastTabWasBackwards = false;
    }
    return QWebEngineView::eventFilter(watched, event);
}

void WebBrowser::onLoadStarted()
{
    m_navigated = true;
    m_loading = true;
}

void WebBrowser::onLoadProgress(int percent)
{
    emit ProgressChange(percent, kProgressScale);
}

void WebBrowser::onLoadFinished(bool ok)
{
    m_loading = false;
    m_lastLoadSucceeded = ok;
    emit ProgressChange(kDownloadComplete, kProgressScale);
}

} // namespace veltrano::platform::browser
