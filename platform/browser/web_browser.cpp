#include "platform/browser/web_browser.h"

#include "platform/browser/event_pump.h"

#include <QChildEvent>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace veltrano::platform::browser {

namespace {
// Qt reports load progress in per cent; the control's report gives the scale with each value.
constexpr int kProgressScale = 100;
// The control's way of saying that the download is complete.
constexpr int kDownloadComplete = -1;
}  // namespace

// A page that goes only where its view's Navigate sends it. The page shown decides what is
// translated and in which direction, so a link followed, a form sent or a script's change of
// address (also one the user set off with a key in a page that had the focus) must not change it.
class NavigateOnlyPage final : public QWebEnginePage {
public:
    explicit NavigateOnlyPage(WebBrowser& browser)
        : QWebEnginePage(QWebEngineProfile::defaultProfile(), &browser),
          m_browser(browser)
    {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        // A load started through Navigate arrives as a typed address.
        if (!isMainFrame || type == NavigationTypeTyped)
            return true;
        m_browser.refuse(url);
        return false;
    }

private:
    WebBrowser& m_browser;
};

WebBrowser::WebBrowser(QWidget* parent)
    : QWebEngineView(parent)
{
    setPage(new NavigateOnlyPage(*this));
    page()->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    setFocusPolicy(Qt::NoFocus);
    connect(page(), &QWebEnginePage::loadingChanged, this, &WebBrowser::onLoadingChanged);
    connect(this, &QWebEngineView::loadProgress, this, &WebBrowser::onLoadProgress);
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
    // The page is drawn by a child widget that the view makes its focus proxy, with a focus
    // policy of its own; it is polished before it is first shown.
    if (event->polished() && event->child()->isWidgetType())
        static_cast<QWidget*>(event->child())->setFocusPolicy(Qt::NoFocus);
}

void WebBrowser::refuse(const QUrl& address)
{
    // The refused address still starts a load of its own, which stops at once; it is no load
    // of the page shown.
    m_refused.append(address);
    emit navigationRefused(address);
}

void WebBrowser::onLoadingChanged(const QWebEngineLoadingInfo& load)
{
    const bool started = load.status() == QWebEngineLoadingInfo::LoadStartedStatus;
    if (m_refused.contains(load.url())) {
        if (!started)
            m_refused.removeOne(load.url());
        return;
    }
    if (started) {
        m_navigated = true;
        m_loading = true;
        return;
    }
    m_loading = false;
    m_lastLoadSucceeded = load.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
    emit ProgressChange(kDownloadComplete, kProgressScale);
}

void WebBrowser::onLoadProgress(int percent)
{
    if (m_refused.isEmpty())
        emit ProgressChange(percent, kProgressScale);
}

}  // namespace veltrano::platform::browser
