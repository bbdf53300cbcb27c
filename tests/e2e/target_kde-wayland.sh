# The Qt build as a native Wayland client (qt6-wayland) of a headless kwin_wayland, in the
# throw-away root of desktop_root.sh (display_kde.sh).
kde_session=wayland
source "$e2e_dir/display_kde.sh"
source "$e2e_dir/target_kde.sh"
target_screenshot=quorvel-e2e-kde-wayland.png

target_setup() { export QT_QPA_PLATFORM=wayland; }
