# The Qt build as a native Wayland client, through Qt's wayland platform (qt6-wayland),
# on the headless sway session of display_wayland.sh.
source "$e2e_dir/display_wayland.sh"

target_title='^Quorvel :-\)$'
target_start_timeout=20
target_exit_timeout=5
# Qt hands its copy to the compositor at once: 2 s without a change means nothing was copied.
target_nothing_copied_after=2
target_screenshot=quorvel-e2e-wayland.png

target_setup() { export QT_QPA_PLATFORM=wayland; }
source "$e2e_dir/qt_scheme.sh"

# target_run [VAR=VALUE...]: runs the program in the foreground. In a build with
# AddressSanitizer, leaks go unreported here: Qt's Wayland platform (6.4) leaves its
# protocol objects, clipboard offers and activation tokens, and Mesa its EGL state,
# allocated at exit. The program's own code is checked for leaks on X (target_linux.sh).
target_run() { env "$@" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$program"; }
