#pragma once
// A check box in graphical style: it looks like a push button with a picture above its
// caption, and looks pressed while its value is 1 (checked). The caption wraps onto more lines
// when it is wider than the button.

#include <QPushButton>

namespace veltrano::app {

class PictureButton : public QPushButton {
    Q_OBJECT
public:
    PictureButton(const QString& caption, const QIcon& picture, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace veltrano::app
