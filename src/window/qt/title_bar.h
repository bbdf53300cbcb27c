#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

// Whether the compositor draws the windows' title bars: X11's window managers do, and so do
// the Wayland compositors that offer server-side decorations (KWin, sway). GNOME's leaves
// them to the program: there Qt draws its own, with minimise and maximise boxes whatever
// the window's flags say (and in its Adwaita style, from 6.8, the buttons the desktop's
// settings portal names, cutting the caption or losing the close box).
bool compositorDrawsTitleBars();

// The program's own title bar over a fixed-size window: its icon, its whole caption and a
// close box, nothing else; dragging it moves the window. TitledWindow takes `content` (a
// window not yet shown) as its child below the bar, and closing it closes `content`. It
// does not own `content`: it gives it back, as a hidden window, when it goes.
class TitledWindow : public QWidget {
    Q_OBJECT
public:
    explicit TitledWindow(QWidget* content);
    ~TitledWindow() override;

    static constexpr int kBarHeight = 30;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QWidget> content_;
};

// Shows the main window: as it is where the compositor draws the title bar, and in a
// TitledWindow, which is returned, where it does not.
std::unique_ptr<TitledWindow> showMainWindow(QWidget* form);
