// Veltrano: translates the text in the cells of Excel workbooks between English and Spanish.
// Start-up: reach the translation page host first, then build, load and show the window.
#include "app/form1.h"
#include "platform/browser/web_engine_setup.h"
#include "translation/page_host.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    using namespace veltrano;
    platform::browser::prepareWebEngine();
    QApplication application(argc, argv);

    // The host must be listening before the window navigates to its page.
    const std::unique_ptr<translation::PageHost> pageHost =
        translation::PageHost::launch(QCoreApplication::applicationDirPath());
    const std::optional<QString> address =
        pageHost->waitForAddress(QDeadlineTimer(translation::kPageHostStartLimit));

    app::Form1 window(address.value_or(QString()));
    window.Form_Load();
    window.show();
    if (!address) {
        QMessageBox::warning(&window, QStringLiteral("Veltrano"),
                             pageHost->failure()
                                 + QStringLiteral("\n\nCells cannot be translated until Veltrano is "
                                                  "started again with a working page host."));
    }
    return application.exec();
}
