// Run by unload_tests: starts like veltrano (its own page host, the window loaded and shown),
// says "ready" and waits in a long event-pumping wait, as a conversion does. A line on its
// input closes the window from inside that wait; any output after that is a fault.
#include "app/form1.h"
#include "pageclient/page_host.h"
#include "pageclient/wait_seconds.h"
#include "platform/browser/web_engine_setup.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    using namespace veltrano;
    platform::browser::prepareWebEngine();
    QApplication application(argc, argv);
    const auto pageHost = pageclient::PageHost::launch(QStringLiteral(VELTRANO_BIN_DIR));
    const auto address = pageHost->waitForAddress(QDeadlineTimer(pageclient::kPageHostStartLimit));
    if (!address)
        return 2;
    app::Form1 window(address.value());
    window.setHomePageDraw([] { return 0.0; });
    window.Form_Load();
    window.show();

    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&window] {
        window.close();
        std::puts("carried on after the close");
    });
    QTimer::singleShot(0, &window, [] {
        std::puts("ready");
        std::fflush(stdout);
        pageclient::WaitSeconds(3600);
        std::puts("carried on after the wait");
    });
    application.exec();
    std::puts("carried on after the event loop");
    return 3;
}
