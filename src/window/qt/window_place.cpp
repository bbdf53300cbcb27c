#include "window_place.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

class WindowKeeper : public QObject {
public:
    explicit WindowKeeper(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!window_->isWindow())
            return false; // within another window, which is kept instead
        switch (event->type()) {
        case QEvent::Show:
            if (watched == window_ && !centred_) {
                centred_ = true;
                // Exposure tells when the window manager has framed the window.
                if (QWindow* handle = window_->windowHandle())
                    handle->installEventFilter(this);
                centre();
            }
            break;
        case QEvent::Expose:
        case QEvent::Move:
            // The first frame the window manager gives it: centred again with it.
            if (centred_ && !framed_ && !window_->windowHandle()->frameMargins().isNull()) {
                framed_ = true;
                centre();
            }
            break;
        case QEvent::Resize:
            if (watched == window_)
                undoForcedSize();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void centre() {
        if (!programPlacesWindows())
            return;
        QRect frame = window_->frameGeometry();
        frame.moveCenter(window_->screen()->availableGeometry().center());
        window_->move(frame.topLeft());
    }

    void undoForcedSize() {
        const QSize fixed = window_->minimumSize();
        if (fixed != window_->maximumSize() || window_->size() == fixed)
            return;
        // Once the platform has finished with the size it was handed.
        QTimer::singleShot(0, window_, [window = QPointer<QWidget>(window_)] {
            if (window && window->size() != window->minimumSize())
                window->resize(window->minimumSize());
        });
    }

    QWidget* window_;
    bool centred_ = false;
    bool framed_ = false;
};

} // namespace

bool programPlacesWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void keepPlacedAndSized(QWidget* window) {
    new WindowKeeper(window);
}
