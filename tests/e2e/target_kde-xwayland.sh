# The Qt build as an X11 client (Qt's xcb platform) of the Xwayland of a headless
# kwin_wayland, in the throw-away root of desktop_root.sh (display_kde.sh): KWin is its
# window manager and draws its frame.
kde_session=xwayland
source "$e2e_dir/display_kde.sh"

target_title='^Quorvel :-\)$'
target_start_timeout=20
target_exit_timeout=5
target_nothing_copied_after=2
target_screenshot=quorvel-e2e-kde-xwayland.png
# The input-method scenario's program reaches fcitx5 over D-Bus, through fcitx5's Qt 6
# module (fcitx5-frontend-qt6), as fcitx5 advises for Qt before 6.7 on KDE.
target_ime_env=(QT_IM_MODULE=fcitx)
target_ibus_options=()

target_setup() { export QT_QPA_PLATFORM=xcb; }
source "$e2e_dir/qt_scheme.sh"

target_run() { kde_run_program "$@"; }
