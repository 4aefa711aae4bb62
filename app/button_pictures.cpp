#include "app/button_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace veltrano::app {

namespace {

constexpr int kSide = 32;

// Draws a picture at 1x and 2x so it stays sharp on high-density screens.
QIcon drawnIcon(const std::function<void(QPainter&)>& draw)
{
    QIcon icon;
    for (const qreal scale : {1.0, 2.0}) {
        QPixmap pixmap(QSize(kSide, kSide) * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
        icon.addPixmap(pixmap);
    }
    return icon;
}

void drawSpreadsheetWindow(QPainter& p)
{
    const QRectF frame(2.5, 4.5, 27, 23);
    p.setPen(QPen(QColor(0x33, 0x3d, 0x4a), 1));
    p.setBrush(Qt::white);
    p.drawRect(frame);
    // Title strip with three tiny window buttons.
    p.fillRect(QRectF(3, 5, 26, 5), QColor(0x1f, 0x3a, 0x5f));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xdd, 0xe6, 0xf0));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(19.5 + i * 3, 6.5, 2, 2));
    // Header row and column, then the grid of cells.
    p.fillRect(QRectF(3, 10, 26, 3), QColor(0xe4, 0xe8, 0xec));
    p.fillRect(QRectF(3, 10, 4, 17), QColor(0xe4, 0xe8, 0xec));
    p.setPen(QPen(QColor(0x9a, 0xa5, 0xb1), 1));
    for (qreal y = 13.5; y < 27; y += 3.5)
        p.drawLine(QPointF(3, y), QPointF(29, y));
    for (qreal x = 7.5; x < 29; x += 5.5)
        p.drawLine(QPointF(x, 10), QPointF(x, 27));
    // The selected cell.
    p.setPen(QPen(QColor(0x21, 0x7a, 0x3c), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(13, 17, 5.5, 3.5));
}

void drawOpenFolder(QPainter& p)
{
    const QColor outline(0x8a, 0x62, 0x10);
    // Back of the folder, with its tab.
    QPainterPath back;
    back.moveTo(3, 9);
    back.lineTo(11, 9);
    back.lineTo(13, 11);
    back.lineTo(26, 11);
    back.lineTo(26, 27);
    back.lineTo(3, 27);
    back.closeSubpath();
    p.setPen(QPen(outline, 1));
    p.setBrush(QColor(0xd9, 0xa4, 0x1e));
    p.drawPath(back);
    // Papers standing in it.
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0x7f, 0x86, 0x8d), 0.8));
    p.save();
    p.translate(9, 6);
    p.rotate(-8);
    p.drawRect(QRectF(0, 0, 13, 16));
    p.restore();
    p.drawRect(QRectF(12, 7, 13, 16));
    p.setPen(QPen(QColor(0xa7, 0xb0, 0xba), 0.8));
    for (qreal y = 10.5; y < 20; y += 2.5)
        p.drawLine(QPointF(14.5, y), QPointF(22.5, y));
    // Front flap, tipped forward: the folder is open.
    QPainterPath front;
    front.moveTo(6, 15);
    front.lineTo(30, 15);
    front.lineTo(26, 27);
    front.lineTo(3, 27);
    front.closeSubpath();
    p.setPen(QPen(outline, 1));
    p.setBrush(QColor(0xf7, 0xc9, 0x43));
    p.drawPath(front);
}

void drawDropper(QPainter& p)
{
    // Drawn upright around the origin, then turned so the tip points to the lower left.
    p.translate(16, 16);
    p.rotate(45);
    // Glass tube narrowing to the tip, with a little liquid in it.
    QPainterPath tube;
    tube.moveTo(-2.5, -4);
    tube.lineTo(2.5, -4);
    tube.lineTo(2.5, 8);
    tube.lineTo(0.7, 14);
    tube.lineTo(-0.7, 14);
    tube.lineTo(-2.5, 8);
    tube.closeSubpath();
    p.setPen(QPen(QColor(0x4f, 0x63, 0x75), 1));
    p.setBrush(QColor(0xe3, 0xf1, 0xfb));
    p.drawPath(tube);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4a, 0x90, 0xd9));
    p.drawRect(QRectF(-1.8, 4, 3.6, 4));
    // Collar between the glass and the bulb.
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 0.8));
    p.setBrush(QColor(0x9e, 0x9e, 0x9e));
    p.drawRoundedRect(QRectF(-4, -6.5, 8, 3), 1, 1);
    // The red rubber bulb with a highlight.
    p.setPen(QPen(QColor(0x8b, 0x10, 0x10), 1));
    p.setBrush(QColor(0xd7, 0x26, 0x26));
    p.drawRoundedRect(QRectF(-3.5, -15, 7, 9), 3.5, 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawEllipse(QRectF(-2.2, -13.5, 1.6, 4));
}

}  // namespace

QIcon spreadsheetWindowPicture()
{
    return drawnIcon(drawSpreadsheetWindow);
}

QIcon openFolderPicture()
{
    return drawnIcon(drawOpenFolder);
}

QIcon dropperPicture()
{
    return drawnIcon(drawDropper);
}

QIcon transparentWindowIcon()
{
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

}  // namespace veltrano::app
