#pragma once

#include <QObject>

// Where ibus shows its candidate list on a Wayland desktop. No Wayland client knows where
// its window is on the screen, and Qt's ibus input context up to 6.4 still hands ibus the
// text cursor "on the screen" as the window places it, at the window's own origin: GNOME's
// shell then opens the list near the screen's top-left corner. ibus takes the cursor
// relative to the focused window too (SetCursorLocationRelative), which the shell places
// under the window's text cursor: this tells it that, after Qt's own word, on the
// connection Qt's input context speaks to ibus on. Does nothing but on Wayland with Qt's
// ibus input context.
class IbusCursorOnWayland : public QObject {
    Q_OBJECT
public:
    explicit IbusCursorOnWayland(QObject* parent = nullptr);

private:
    void tellRelativeCursor();
};
