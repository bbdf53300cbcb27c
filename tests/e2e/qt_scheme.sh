# The colour schemes of the Qt targets (target_linux.sh, target_wayland.sh).

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
