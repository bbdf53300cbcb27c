#pragma once

#include <QAbstractButton>
#include <QPixmap>

#include <array>

// A push button drawn entirely from pictures, centred on its face colour (the palette's
// Button colour). A checkable one stays down, showing its down picture, while checked.
// Each picture is read when first shown, so start-up decodes only what it draws.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);

    // Resource paths; an empty one means the state shows the normal picture.
    void setPictures(const QString& normal, const QString& down, const QString& disabled);
    // The picture the button shows in its current state.
    const QPixmap& currentPicture() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Enter is the window's (Form1 presses the default button with it), even under a
    // desktop theme that lets Enter press the focused button, as GNOME's does.
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    enum Picture { Normal, Down, Disabled };
    const QPixmap& picture(Picture which) const;

    std::array<QString, 3> paths_;
    mutable std::array<QPixmap, 3> pictures_;
};
