#pragma once

class QWidget;

// Keeps a fixed-size top-level window where and as the program puts it, whatever a window
// manager, a script or a tiling rule asks:
//  - centred on its screen as a whole, frame included, where the program places its
//    windows (X11). The frame is known only once the window manager has framed the window,
//    which happens as it is shown: then the window is centred again, once. On Wayland the
//    compositor places windows; the program asks for no place, and so tells none.
//  - at its fixed size (minimum and maximum alike): a size forced on it is undone at once,
//    so that nothing but the window's own picture is ever shown;
//  - in its normal state: a maximise or full-screen request (a title bar's box or double
//    click, a keyboard shortcut, a script) is undone at once, and the window goes back to
//    its place.
// Call before the window is first shown.
void keepPlacedAndSized(QWidget* window);

// Whether the program places its own windows on this platform: not on Wayland.
bool programPlacesWindows();
