// Veltrano: translates the text in the cells of Excel workbooks between English and Spanish.
// Start-up: reach the translation page host first, then build, load and show the window.
#include "app/command_line.h"
#include "app/form1.h"
#include "pageclient/page_host.h"
#include "platform/browser/web_browser.h"
#include "platform/browser/web_engine_setup.h"

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

// The arguments as the system gave them, before Qt takes its own options out.
QStringList rawArguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

}  // namespace

int main(int argc, char* argv[])
{
    using namespace veltrano;
    // Answered before any window exists, so they work without a display too.
    // An unknown option here may be one of Qt's, which QApplication takes off the line below.
    const auto early = app::parseCommandLine(rawArguments(argc, argv));
    if (early && (early.value().helpWanted || early.value().versionWanted)) {
        std::fputs(qPrintable(early.value().helpWanted ? app::usageText() : app::versionText()), stdout);
        return 0;
    }
    platform::browser::prepareWebEngine();
    QApplication application(argc, argv);
    const auto commandLine = app::parseCommandLine(QCoreApplication::arguments().mid(1));
    if (!commandLine) {
        std::fputs(
            qPrintable(QStringLiteral("veltrano: ") + commandLine.error() + QLatin1Char('\n') + app::usageText()),
            stderr);
        return 2;
    }

    // The host must be listening before the window navigates to its page.
    // A page host started here is asked to stop by the system when this process ends, also
    // when closing the window ends it at once.
    const std::unique_ptr<pageclient::PageHost> pageHost =
        pageclient::PageHost::launch(QCoreApplication::applicationDirPath());
    const pageclient::PageHostAddress address =
        pageHost->waitForAddress(QDeadlineTimer(pageclient::kPageHostStartLimit));

    app::Form1 window(address ? address.value() : QString());
    window.Form_Load();
    window.show();
    app::addStartFiles(commandLine.value().files, window.fileList());
    reportStartUp(window);
    if (!address) {
        window.shell().MsgBox(&window,
                              address.error().message
                                  + QStringLiteral("\n\nCells cannot be translated until Veltrano is "
                                                   "started again with a working page host."),
                              platform::shell::kOkOnly, QStringLiteral("Veltrano"));
    }
    return application.exec();
}
