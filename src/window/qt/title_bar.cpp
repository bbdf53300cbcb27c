#include "title_bar.h"

#include "window_place.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <wayland-client.h>

#include <cstring>

namespace {

// The Wayland compositor's globals, read on a short connection of our own (Qt 6.4 offers
// no public way to its own): a compositor that can draw title bars announces the
// xdg-decoration manager, and Qt then asks it to.
void onGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
    if (std::strcmp(interface, "zxdg_decoration_manager_v1") == 0)
        *static_cast<bool*>(data) = true;
}
void onGlobalRemoved(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {onGlobal, onGlobalRemoved};

bool waylandCompositorOffersDecorations() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return true; // Qt could not connect either; nothing to change
    bool offered = false;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &offered);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return offered;
}

// The bar itself: the icon and caption of the window, and its close box at the right.
class TitleBar : public QWidget {
public:
    explicit TitleBar(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const bool active = window()->isActiveWindow();
        const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
        p.fillRect(rect(), palette().color(group, QPalette::Window));
        p.setPen(palette().color(group, QPalette::Mid));
        p.drawLine(0, height() - 1, width(), height() - 1);

        const int iconSize = 16, margin = (height() - iconSize) / 2;
        window()->windowIcon().paint(&p, margin, margin, iconSize, iconSize);
        const QRect close = closeBox();
        if (hoverClose_)
            p.fillRect(close, palette().color(group, QPalette::Midlight));
        QFont font = p.font();
        font.setBold(true);
        p.setFont(font);
        p.setPen(palette().color(group, QPalette::WindowText));
        const QRect caption(iconSize + 2 * margin, 0, close.left() - iconSize - 3 * margin,
                            height());
        p.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, window()->windowTitle());

        // The close box's cross.
        QPen pen(palette().color(group, QPalette::WindowText), 1.5);
        p.setPen(pen);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF cross = QRectF(close).adjusted(8, 8, -8, -8);
        p.drawLine(cross.topLeft(), cross.bottomRight());
        p.drawLine(cross.bottomLeft(), cross.topRight());
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        if (closeBox().contains(event->position().toPoint()))
            pressedClose_ = true;
        else if (window()->windowHandle())
            window()->windowHandle()->startSystemMove();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (pressedClose_ && closeBox().contains(event->position().toPoint()))
            window()->close();
        pressedClose_ = false;
    }
    // No maximise on a double click: the window has one size.
    void mouseDoubleClickEvent(QMouseEvent*) override {}
    void mouseMoveEvent(QMouseEvent* event) override {
        setHoverClose(closeBox().contains(event->position().toPoint()));
    }
    void leaveEvent(QEvent*) override { setHoverClose(false); }

private:
    QRect closeBox() const {
        const int size = 24, margin = (height() - size) / 2;
        return QRect(width() - size - margin, margin, size, size);
    }
    void setHoverClose(bool hover) {
        if (hover != hoverClose_) {
            hoverClose_ = hover;
            update();
        }
    }

    bool hoverClose_ = false;
    bool pressedClose_ = false;
};

} // namespace

bool compositorDrawsTitleBars() {
    return QGuiApplication::platformName() != QLatin1String("wayland") ||
           waylandCompositorOffersDecorations();
}

TitledWindow::TitledWindow(QWidget* content)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), content_(content) {
    setWindowTitle(content->windowTitle());
    setWindowIcon(content->windowIcon());
    // The control that has the focus keeps it in its new window.
    QWidget* focused = content->focusWidget();
    auto* bar = new TitleBar(this);
    bar->setGeometry(0, 0, content->width(), kBarHeight);
    content->setParent(this, Qt::Widget);
    content->move(0, kBarHeight);
    setFixedSize(content->width(), content->height() + kBarHeight);
    if (focused)
        focused->setFocus();
    keepPlacedAndSized(this);
}

TitledWindow::~TitledWindow() {
    if (content_) {
        content_->hide();
        content_->setParent(nullptr);
    }
}

void TitledWindow::closeEvent(QCloseEvent* event) {
    // The content decides, as it would as a window of its own.
    QCloseEvent contentClose;
    QCoreApplication::sendEvent(content_, &contentClose);
    event->setAccepted(contentClose.isAccepted());
}

std::unique_ptr<TitledWindow> showMainWindow(QWidget* form) {
    if (compositorDrawsTitleBars()) {
        form->show();
        return nullptr;
    }
    auto titled = std::make_unique<TitledWindow>(form);
    titled->show();
    return titled;
}
