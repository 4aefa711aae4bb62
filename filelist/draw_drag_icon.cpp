// Draws "drag.ico", the pointer shown while an entry of the file list is carried: an arrow
// whose tip is the top-left pixel, beside a list entry with arrows up and down.
// Usage: veltrano-draw-drag-icon OUT.ico
#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

constexpr int kSize = 32;

void drawArrow(QPainter& painter)
{
    QPainterPath arrow;
    arrow.moveTo(0.5, 0.5);
    arrow.lineTo(0.5, 16.5);
    arrow.lineTo(4.5, 12.5);
    arrow.lineTo(7.5, 19.5);
    arrow.lineTo(10.0, 18.5);
    arrow.lineTo(7.0, 11.5);
    arrow.lineTo(12.5, 11.5);
    arrow.closeSubpath();
    painter.setPen(QPen(Qt::white, 1.0));
    painter.setBrush(Qt::black);
    painter.drawPath(arrow);
}

// A triangle pointing up (or down) with its base centred on x.
void drawHead(QPainter& painter, double x, double baseY, double tipY)
{
    QPainterPath head;
    head.moveTo(x - 4.0, baseY);
    head.lineTo(x + 4.0, baseY);
    head.lineTo(x, tipY);
    head.closeSubpath();
    painter.drawPath(head);
}

void drawCarriedEntry(QPainter& painter)
{
    // The entry: a white bar with a line of "text" in it.
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.0));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(13.5, 17.5, 17.0, 7.0));
    painter.setPen(QPen(QColor(0x1f, 0x5f, 0xbf), 2.0));
    painter.drawLine(QPointF(16.0, 21.0), QPointF(28.0, 21.0));
    // Arrows up and down: the entry goes either way.
    painter.setPen(QPen(Qt::white, 1.0));
    painter.setBrush(QColor(0x1f, 0x5f, 0xbf));
    drawHead(painter, 22.0, 16.0, 11.0);
    drawHead(painter, 22.0, 26.0, 31.0);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);  // image format plug-ins are found through it
    if (argc != 2) {
        std::fputs("usage: veltrano-draw-drag-icon OUT.ico\n", stderr);
        return 2;
    }
    QImage picture(kSize, kSize, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        drawCarriedEntry(painter);
        drawArrow(painter);
    }
    QImageWriter writer(QString::fromLocal8Bit(argv[1]), "ico");
    if (!writer.write(picture)) {
        std::fprintf(stderr, "veltrano-draw-drag-icon: %s\n", qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}
