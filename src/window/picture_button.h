#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A push button drawn entirely from pictures, centred on its face colour (the palette's
// Button colour). A checkable one stays down, showing its down picture, while checked.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);

    void setPictures(const QPixmap& normal, const QPixmap& down, const QPixmap& disabled);
    // The picture the button shows in its current state.
    const QPixmap& currentPicture() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap normal_;
    QPixmap down_;
    QPixmap disabled_;
};
