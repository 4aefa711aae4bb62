#include "app/picture_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace veltrano::app {

namespace {
constexpr int kPictureSide = 32;
constexpr int kPictureToCaptionGap = 4;
}  // namespace

PictureButton::PictureButton(const QString& caption, const QIcon& picture, QWidget* parent)
    : QPushButton(caption, parent)
{
    setCheckable(true);
    setIcon(picture);
    setIconSize(QSize(kPictureSide, kPictureSide));
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    // The style draws the button's face (raised, or sunken while checked); the picture and the
    // caption are laid out here, since a push button would put them side by side.
    QStyleOptionButton face = option;
    face.text.clear();
    face.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, face);

    const QRect content = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const int captionFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    const QRect captionBounds = painter.fontMetrics().boundingRect(content, captionFlags, text());
    const int blockHeight = iconSize().height() + kPictureToCaptionGap + captionBounds.height();
    const int top = content.top() + std::max(0, (content.height() - blockHeight) / 2);
    // A pressed button shifts its contents like the style's own push buttons do.
    const int shift = isDown() || isChecked() ? style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this) : 0;

    const QRect pictureRect(content.left() + (content.width() - iconSize().width()) / 2, top + shift,
                            iconSize().width(), iconSize().height());
    icon().paint(&painter, pictureRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);

    const QRect captionRect(content.left(), pictureRect.bottom() + 1 + kPictureToCaptionGap, content.width(),
                            content.bottom() - pictureRect.bottom());
    painter.drawItemText(captionRect, captionFlags, palette(), isEnabled(), text(), QPalette::ButtonText);
}

}  // namespace veltrano::app
