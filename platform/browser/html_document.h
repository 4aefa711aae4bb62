#pragma once
// The HTML document a WebBrowser shows, reached the way the browser control's document object
// is: whether getElementById finds an element, and scripts that read and write the elements.
// Every call runs a small script in the page and pumps the window's events until its answer
// arrives, so it is synchronous for the caller while the page and the window keep running.

#include <QDeadlineTimer>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <chrono>

namespace veltrano::platform::browser {

class WebBrowser;

// What one call on the document did.
struct DocumentAnswer {
    enum class Status {
        Done,    // the call was carried out; value holds its answer
        Failed,  // the page could not be asked or did not answer; failure says why
    };
    Status status = Status::Failed;
    QVariant value;
    QString failure;

    bool done() const { return status == Status::Done; }
};

// The longest a call waits for a page that is still loading, or for a script's answer.
inline constexpr std::chrono::seconds kDocumentAnswerLimit{30};

class HtmlDocument {
public:
    explicit HtmlDocument(WebBrowser& browser);

    // The address of the page the document belongs to, for messages.
    QString address() const;

    // Runs a script in the page, beside the page's own scripts (so that what the page makes of
    // its elements, such as a watched value, holds for these calls too), and returns its value. A page still loading is waited for first. Failed when the browser
    // is gone, the page stays loading, or no answer comes in time.
    DocumentAnswer evaluate(const QString& script, std::chrono::milliseconds limit = kDocumentAnswerLimit) const;

    // Whether getElementById(id) finds an element: Done with a bool value.
    DocumentAnswer hasElement(const QString& id) const;

private:
    QPointer<WebBrowser> m_browser;
};

// The text as a JavaScript string literal that gives back exactly the same UTF-16 code units.
QString javaScriptStringLiteral(const QString& text);

}  // namespace veltrano::platform::browser
