// Renders the program's SVG icon as a square PNG for desktops that want a fixed size.
// Usage: veltrano-render-icon IN.svg SIZE OUT.png

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (argc != 4 || std::atoi(argv[2]) <= 0) {
        std::fputs("usage: veltrano-render-icon IN.svg SIZE OUT.png\n", stderr);
        return 2;
    }
    QGuiApplication application(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "veltrano-render-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    const int size = std::atoi(argv[2]);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "veltrano-render-icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
