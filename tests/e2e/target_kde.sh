# What the two KDE targets (target_kde-wayland.sh, target_kde-xwayland.sh) share.
target_title='^Quorvel :-\)$'
target_start_timeout=20
target_exit_timeout=5
# Qt hands its copy to the compositor at once: 2 s without a change means nothing was copied.
target_nothing_copied_after=2
# The input-method scenario's program reaches fcitx5 over D-Bus, through fcitx5's Qt 6
# module (fcitx5-frontend-qt6), as fcitx5 advises for Qt before 6.7 on KDE.
target_ime_env=(QT_IM_MODULE=fcitx)
target_ibus_options=()

source "$e2e_dir/qt_scheme.sh"

# target_run [VAR=VALUE...]: runs the program in the foreground.
target_run() { kde_run_program "$@"; }
