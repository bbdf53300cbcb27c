# The Qt build as an X11 client (Qt's xcb platform) of the Xwayland of a headless
# kwin_wayland, in the throw-away root of desktop_root.sh (display_kde.sh): KWin is its
# window manager and draws its frame.
kde_session=xwayland
source "$e2e_dir/display_kde.sh"
source "$e2e_dir/target_kde.sh"
target_screenshot=quorvel-e2e-kde-xwayland.png

target_setup() { export QT_QPA_PLATFORM=xcb; }
