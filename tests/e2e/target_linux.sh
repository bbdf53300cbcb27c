# The Qt build, run directly on the X server through Qt's xcb platform.

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

# target_use_dark_scheme: the next program meets a light-on-dark colour scheme, as a desktop
# hands it to Qt programs: through qt6ct's platform theme, with its darker.conf scheme.
target_scheme_env=()
target_use_dark_scheme() {
    mkdir -p "$XDG_CONFIG_HOME/qt6ct" &&
        printf '[Appearance]\ncolor_scheme_path=%s\ncustom_palette=true\n' \
            /usr/share/qt6ct/colors/darker.conf >"$XDG_CONFIG_HOME/qt6ct/qt6ct.conf" &&
        target_scheme_env=(QT_QPA_PLATFORMTHEME=qt6ct)
}
target_use_default_scheme() { target_scheme_env=(); }
