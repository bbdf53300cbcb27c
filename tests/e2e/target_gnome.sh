# What the two GNOME targets (target_gnome-wayland.sh, target_gnome-xwayland.sh) share.
target_title='^Quorvel :-\)$'
target_start_timeout=20
target_exit_timeout=5
target_nothing_copied_after=2
# Qt 6.4 reaches ibus over D-Bus on Wayland too: it speaks no text-input protocol mutter has.
target_ime_env=(QT_IM_MODULE=ibus)
target_ibus_options=()

source "$e2e_dir/qt_scheme.sh"

# target_run [VAR=VALUE...]: runs the program in the foreground. Leaks go unreported, as on
# sway (target_wayland.sh).
target_run() { env "$@" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$program"; }
