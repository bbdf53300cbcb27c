# The colour schemes of the Qt targets (target_linux.sh, target_wayland.sh).

# target_use_dark_scheme: the next program meets a light-on-dark colour scheme, as a desktop
# hands it to Qt programs: through qt6ct's platform theme, with its darker.conf scheme.
target_scheme_env=()
target_use_dark_scheme() {
    mkdir -p "$XDG_CONFIG_HOME/qt6ct" &&
        printf '[Appearance]\ncolor_scheme_path=%s\ncustom_palette=true\n' \
            /usr/share/qt6ct/colors/darker.conf >"$XDG_CONFIG_HOME/qt6ct/qt6ct.conf" &&
        target_scheme_env=(QT_QPA_PLATFORMTHEME=qt6ct) || return 1
    # In the sanitizer build, the full unwinder for every allocation: LeakSanitizer's one
    # suppression (tests/leak-suppressions.txt) names a frame of fontconfig that the fast
    # unwinder, which stops at fontconfig's first frame, never sees.
    [ -z "${ASAN_OPTIONS:-}" ] ||
        target_scheme_env+=(ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0")
}
target_use_default_scheme() { target_scheme_env=(); }
