// Placeholder start: an empty window titled Veltrano until the main window is built.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Veltrano"));
    window.resize(457, 436);
    window.show();
    return application.exec();
}
