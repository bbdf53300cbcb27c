#include "window_place.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QTimerEvent>
#include <QWidget>
#include <QWindow>

#include <optional>

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
                centre();
                if (programPlacesWindows()) {
                    // Exposure and moves tell when the window manager has framed the window;
                    // where they come before it has said how (X11), a look now and then.
                    if (QWindow* handle = window_->windowHandle())
                        handle->installEventFilter(this);
                    framePoll_.start(50, this);
                }
            }
            break;
        case QEvent::Move:
            if (watched == window_)
                notePlace();
            centreOnceFramed();
            break;
        case QEvent::Expose:
            centreOnceFramed();
            break;
        case QEvent::WindowStateChange:
            if (watched == window_) {
                undoRefusedState();
                keepPlaceThroughRequest();
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

protected:
    void timerEvent(QTimerEvent* event) override {
        if (event->timerId() != framePoll_.timerId())
            return;
        // A window manager that draws no frame (or none at all) leaves the window as it is.
        if (++framePolls_ > 40)
            framePoll_.stop();
        centreOnceFramed();
    }

private:
    // The first frame the window manager gives the window: centred again with it.
    void centreOnceFramed() {
        if (!centred_ || framed_ || !frameMargins())
            return;
        framed_ = true;
        framePoll_.stop();
        centre();
    }

    // The frame's margins as the platform has them, once the window manager has framed the
    // window: nothing before, and nothing while the platform reads them mid-way (X11 gives
    // negative ones then).
    std::optional<QMargins> frameMargins() const {
        const QMargins margins = window_->windowHandle()->frameMargins();
        if (margins.isNull() || margins.left() < 0 || margins.top() < 0 || margins.right() < 0 ||
            margins.bottom() < 0)
            return std::nullopt;
        return margins;
    }

    // The client area placed so that the frame around it (QWidget's own idea of the frame
    // lags behind the platform's) is centred on the screen.
    void centre() {
        if (!programPlacesWindows())
            return;
        const QMargins margins = frameMargins().value_or(QMargins());
        QRect frame = window_->geometry().marginsAdded(margins);
        frame.moveCenter(window_->screen()->availableGeometry().center());
        window_->setGeometry(frame.marginsRemoved(margins));
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

    // Where the client area stands, and where it last stood still (for kSettledMs), before
    // the moves that came since: the client area, as the frame's place lags behind (see
    // centre()).
    static constexpr qint64 kSettledMs = 250;
    void notePlace() {
        const QPoint now = window_->geometry().topLeft();
        if (now == current_)
            return;
        if (!movedAt_.isValid())
            settled_ = now;
        else if (movedAt_.elapsed() >= kSettledMs)
            settled_ = current_;
        current_ = now;
        movedAt_.start();
    }

    static constexpr Qt::WindowStates kRefused = Qt::WindowMaximized | Qt::WindowFullScreen;

    // A maximised or full-screen state, once Qt has taken it on, is undone as the window's own
    // change: the next turn of the event loop asks for the normal state again.
    void undoRefusedState() {
        if (!(window_->windowState() & kRefused))
            return;
        QTimer::singleShot(0, window_, [window = QPointer<QWidget>(window_)] {
            if (window && (window->windowState() & kRefused))
                window->setWindowState(window->windowState() & ~kRefused);
        });
    }

    // A maximise or full-screen request is undone (undoRefusedState), but a window
    // manager may have moved the window with it, before it said what it did: mutter puts
    // it in the work area's corner, and leaves it there once it is normal again (and Qt
    // itself may move it as it takes the state on). So the window goes back to where it
    // stood still before the request: before the moves that came with it (a person's drag
    // is not followed by a request within the moment).
    void keepPlaceThroughRequest() {
        if (!programPlacesWindows() || !centred_)
            return;
        if (window_->windowState() & kRefused) {
            if (!placeBeforeRequest_)
                placeBeforeRequest_ =
                    movedAt_.isValid() && movedAt_.elapsed() < kSettledMs ? settled_ : current_;
            return;
        }
        if (!placeBeforeRequest_)
            return;
        const QPoint place = *placeBeforeRequest_;
        placeBeforeRequest_.reset();
        // Now, and again once the window manager has finished with the state.
        for (const int delayMs : {0, 300})
            QTimer::singleShot(delayMs, window_, [window = QPointer<QWidget>(window_), place] {
                if (window && !(window->windowState() & kRefused) &&
                    window->geometry().topLeft() != place)
                    window->setGeometry(QRect(place, window->size()));
            });
    }

    QWidget* window_;
    QPoint current_, settled_;
    QElapsedTimer movedAt_;
    std::optional<QPoint> placeBeforeRequest_;
    bool centred_ = false;
    bool framed_ = false;
    QBasicTimer framePoll_;
    int framePolls_ = 0;
};

} // namespace

bool programPlacesWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void keepPlacedAndSized(QWidget* window) {
    new WindowKeeper(window);
}
