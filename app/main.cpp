// Veltrano: translates the text in the cells of Excel workbooks between English and Spanish.
// Start-up: reach the translation page host first, then build, load and show the window.
#include "app/form1.h"
#include "platform/browser/web_browser.h"
#include "platform/browser/web_engine_setup.h"
#include "translation/page_host.h"

#include <QApplication>

#include <cstdio>

namespace {

// With VELTRANO_STARTUP_REPORT set, says on stderr when the window is shown and when the
// translation page has first loaded, so start-up can be timed from outside.
void reportStartUp(veltrano::app::Form1& window)
{
    if (qEnvironmentVariableIsEmpty("VELTRANO_STARTUP_REPORT"))
        return;
    std::fputs("veltrano: window shown\n", stderr);
    auto* browser = window.WebBrowser1;
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = QObject::connect(browser, &QWebEngineView::loadFinished, browser, [once](bool ok) {
        std::fprintf(stderr, "veltrano: translation page %s\n", ok ? "loaded" : "failed to load");
        QObject::disconnect(*once);
    });
}

} // namespace

int main(int argc, char* argv[])
{
    using namespace veltrano;
    platform::browser::prepareWebEngine();
    QApplication application(argc, argv);

    // The host must be listening before the window navigates to its page.
    // A page host started here is asked to stop by the system when this process ends, also
    // when closing the window ends it at once.
    const std::unique_ptr<translation::PageHost> pageHost =
        translation::PageHost::launch(QCoreApplication::applicationDirPath());
    const std::optional<QString> address =
        pageHost->waitForAddress(QDeadlineTimer(translation::kPageHostStartLimit));

    app::Form1 window(address.value_or(QString()));
    window.Form_Load();
    window.show();
    reportStartUp(window);
    if (!address) {
        window.shell().MsgBox(&window,
                              pageHost->failure()
                                  + QStringLiteral("\n\nCells cannot be translated until Veltrano is "
                                                   "started again with a working page host."),
                              platform::shell::kOkOnly, QStringLiteral("Veltrano"));
    }
    return application.exec();
}
