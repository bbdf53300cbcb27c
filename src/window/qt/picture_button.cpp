#include "picture_button.h"

#include "pictures.h"

#include <QKeyEvent>
#include <QPainter>

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void PictureButton::setPictures(const QString& normal, const QString& down,
                                const QString& disabled) {
    paths_ = {normal, down, disabled};
    pictures_ = {};
    update();
}

const QPixmap& PictureButton::picture(Picture which) const {
    if (paths_[which].isEmpty())
        which = Normal;
    if (pictures_[which].isNull())
        pictures_[which] = loadPicture(paths_[which]);
    return pictures_[which];
}

const QPixmap& PictureButton::currentPicture() const {
    if (!isEnabled())
        return picture(Disabled);
    return picture(isDown() || isChecked() ? Down : Normal);
}

QSize PictureButton::sizeHint() const {
    return picture(Normal).deviceIndependentSize().toSize();
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

namespace {

bool isEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

void PictureButton::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event))
        event->ignore(); // on to the window
    else
        QAbstractButton::keyPressEvent(event);
}

void PictureButton::keyReleaseEvent(QKeyEvent* event) {
    if (isEnter(event))
        event->ignore();
    else
        QAbstractButton::keyReleaseEvent(event);
}
