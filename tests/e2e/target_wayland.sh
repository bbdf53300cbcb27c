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

# target_run [VAR=VALUE...]: runs the program in the foreground.
target_run() { env "$@" "$program"; }
