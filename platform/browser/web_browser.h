#pragma once
// WebBrowser1's kind: a QWebEngineView that offers the browser control's members by their
// published names (Navigate, Document, the ProgressChange report). It shows only what Navigate
// asked for: the page cannot take it elsewhere, and it never takes the keyboard focus.

#include "platform/browser/html_document.h"

#include <QDeadlineTimer>
#include <QList>
#include <QUrl>
#include <QWebEngineView>

#include <optional>

class QWebEngineLoadingInfo;

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

    // True from a Navigate until that load ends.
    bool isLoading() const { return m_loading; }
    // Whether the last load that ended did so successfully (false before any load ended).
    bool lastLoadSucceeded() const { return m_lastLoadSucceeded; }

    // Pumps events until no load is in progress; false when the deadline passes first.
    bool waitUntilLoaded(QDeadlineTimer deadline);

signals:
    // The control's progress report: progress out of progressMax while the page loads, and
    // progress -1 once the download is complete.
    void ProgressChange(int progress, int progressMax);
    // The page tried to go to address by itself (a link, a form, a script) and was kept where
    // it is.
    void navigationRefused(const QUrl& address);

protected:
    void childEvent(QChildEvent* event) override;

private:
    friend class NavigateOnlyPage;
    // Called by the page when it keeps itself from going to address.
    void refuse(const QUrl& address);
    void onLoadingChanged(const QWebEngineLoadingInfo& load);
    void onLoadProgress(int percent);

    QList<QUrl> m_refused;  // refused addresses whose own load has not stopped yet
    bool m_navigated = false;
    bool m_loading = false;
    bool m_lastLoadSucceeded = false;
};

}  // namespace veltrano::platform::browser
