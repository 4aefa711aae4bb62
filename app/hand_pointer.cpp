#include "app/hand_pointer.h"

#include <QPainter>
#include <QPainterPath>

namespace veltrano::app {

namespace {

constexpr int kSide = 32;

// The hand's outline in the 32 × 32 grid: a raised forefinger, three folded fingers, a thumb
// laid against the palm, and the palm down to the wrist.
QPainterPath handOutline()
{
    QPainterPath hand;
    // The parts overlap; with winding fill they add up to one shape instead of cutting holes.
    hand.setFillRule(Qt::WindingFill);
    hand.addRoundedRect(QRectF(9.5, 1.5, 5, 17), 2.5, 2.5);     // forefinger
    hand.addRoundedRect(QRectF(14.5, 10.5, 4.5, 9), 2.2, 2.2);  // middle finger
    hand.addRoundedRect(QRectF(19, 11.5, 4.5, 8), 2.2, 2.2);    // ring finger
    hand.addRoundedRect(QRectF(23.5, 13, 4, 7), 2, 2);          // little finger
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(-2.5, -2.2, 9, 4.4), 2.2, 2.2);
    hand.addPath(QTransform().translate(7.5, 19.5).rotate(50).map(thumb));
    hand.addRoundedRect(QRectF(9.5, 15.5, 18, 11), 3, 3);  // palm
    hand.addRect(QRectF(11.5, 24, 14, 6.5));               // wrist
    return hand.simplified();
}

// The lines between the folded fingers, drawn over the white.
void drawFingerCreases(QPainter& painter)
{
    painter.drawLine(QPointF(18.5, 13), QPointF(18.5, 17.5));
    painter.drawLine(QPointF(23.5, 14.5), QPointF(23.5, 18));
}

}  // namespace

PointerPicture drawHandPointer()
{
    QImage picture(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(Qt::white);
    painter.drawPath(handOutline());
    drawFingerCreases(painter);
    painter.end();
    return {picture.convertToFormat(QImage::Format_ARGB32), QPoint(12, 1)};
}

}  // namespace veltrano::app
