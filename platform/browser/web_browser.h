#pragma once
// WebBrowser1's kind: a QWebEngineView that offers the browser control's members by their
// published names (Navigate, Document, the ProgressChange report).

#include "platform/browser/html_document.h"

#include <QDeadlineTimer>
#include <QWebEngineView>

#include <optional>

namespace veltrano::platform::browser {

class WebBrowser : public QWebEngineView {
    Q_OBJECT
public:
    explicit WebBrowser(QWidget* parent = nullptr);

    // Starts loading the address as it is (no flags, target frame, post data or headers) and
    // returns at once; nothing waits for the page or looks at whether it loaded.
    void Navigate(const QString& address);

    // The document the control shows now; none while nothing has been navigated to yet.
    std::optional<HtmlDocument> Document();

    // True from a Navigate (or a navigation the page starts) until that load ends.
    bool isLoading() const { return m_loading; }
    // Whether the last load that ended did so successfully (false before any load ended).
    bool lastLoadSucceeded() const { return m_lastLoadSucceeded; }

    // Pumps events until no load is in progress; false when the deadline passes first.
    bool waitUntilLoaded(QDeadlineTimer deadline);

    // Whether the last Tab key that reached the page was Shift+Tab (false before any).
    bool lastTabWasBackwards() const { return m_lastTabWasBackwards; }

signals:
    // The control's progress report: progress out of progressMax while the page loads, and
    // progress -1 once the download is complete.
    void ProgressChange(int progress, int progressMax);

protected:
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onLoadStarted();
    void onLoadProgress(int percent);
    void onLoadFinished(bool ok);

    bool m_navigated = false;
    bool m_loading = false;
    bool m_lastLoadSucceeded = false;
    bool m_lastTabWasBackwards = false;
};

} // namespace veltrano::platform::browser
