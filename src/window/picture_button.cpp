#include "picture_button.h"

#include <QPainter>

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void PictureButton::setPictures(const QPixmap& normal, const QPixmap& down,
                                const QPixmap& disabled) {
    normal_ = normal;
    down_ = down;
    disabled_ = disabled;
    update();
}

const QPixmap& PictureButton::currentPicture() const {
    if (!isEnabled() && !disabled_.isNull())
        return disabled_;
    if ((isDown() || isChecked()) && !down_.isNull())
        return down_;
    return normal_;
}

QSize PictureButton::sizeHint() const {
    return normal_.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().button());
    const QPixmap& picture = currentPicture();
    const QSize size = picture.deviceIndependentSize().toSize();
    painter.drawPixmap((width() - size.width()) / 2, (height() - size.height()) / 2, picture);
    if (hasFocus()) {
        // A dotted frame inside the bevel marks the keyboard focus.
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(4, 4, -5, -5));
    }
}
