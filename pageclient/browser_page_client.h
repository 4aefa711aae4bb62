#pragma once
// The page client over the real browser control: the text goes into the page's "source"
// element, the page's own script translates it, and the translation is read back from its
// "result_box" element.

#include "pageclient/page_client.h"
#include "platform/browser/html_document.h"
#include "result/result.h"

#include <QPointer>

#include <chrono>
#include <optional>

namespace veltrano::platform::browser {
class WebBrowser;
}

namespace veltrano::pageclient {

// The wait between putting a text into the page and the first look at its result.
inline constexpr double kExchangeWaitSeconds = 3.0;

// Timing of an exchange. The program always uses the defaults; tests shorten them.
struct ExchangePacing {
    double waitSeconds = kExchangeWaitSeconds;
    // How long the result may stay empty after the wait before the exchange fails.
    double resultLimitSeconds = 60.0;
    // The pause between two looks at an empty result, so a slow page costs no CPU.
    double pollIntervalSeconds = 0.025;
};

class BrowserPageClient final : public PageClient {
public:
    explicit BrowserPageClient(platform::browser::WebBrowser& browser, ExchangePacing pacing = {});

    void takeDocument() override;
    void releaseDocument() override;
    CellTranslation TranslateCellText(const QString& text) override;
    void readAhead(const QStringList& texts) override;

    // Whether a document is held now.
    bool holdsDocument() const { return m_held.has_value(); }

private:
    enum class Delivery {
        Delivered,
        NoSource
    };
    // Whether the page took the text, or why it could not be asked.
    veltrano::Result<Delivery, QString> deliverText(const QString& text);
    CellTranslation pollForResult(const QString& text);

    QPointer<platform::browser::WebBrowser> m_browser;
    ExchangePacing m_pacing;
    std::optional<platform::browser::HtmlDocument> m_held;
};

}  // namespace veltrano::pageclient
