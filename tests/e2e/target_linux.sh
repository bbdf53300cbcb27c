# The Qt build, run directly on the X server through Qt's xcb platform.
source "$e2e_dir/display_x11.sh"

target_title='^Quorvel :-\)$'
target_start_timeout=20
target_exit_timeout=5
# Qt puts a copy on the X clipboard at once: 2 s without a change means nothing was copied.
target_nothing_copied_after=2
# Without a window manager there is no frame: the client area itself is centred.
target_frame_dy=0
target_screenshot=quorvel-e2e.png
# Qt reaches ibus over D-Bus; no XIM.
target_ime_env=(QT_IM_MODULE=ibus)
target_ibus_options=()

target_setup() { export QT_QPA_PLATFORM=xcb; }

# target_run [VAR=VALUE...]: runs the program in the foreground.
target_run() { env "$@" "$program"; }

source "$e2e_dir/qt_scheme.sh"
