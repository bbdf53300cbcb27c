#pragma once

#include <QLabel>

// A label that reports a click: a press and release of the left button over it.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // Reports a click as a click of the mouse would: a screen reader's Press.
    void click() { emit clicked(); }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
