# The native Windows build, quorvel.exe, run under Wine on the same X server.
#
# Wine, as driven here: it reads only the lower X keycodes (bind_keysyms.py binds those)
# and rereads the keymap a moment after a change; its clipboard reaches X a little after
# the copy; its process is gone a few seconds after the program exits. Without a window
# manager, Wine's X window is the client area, and the frame it reckons around it (the
# caption above) is not drawn.
source "$e2e_dir/display_x11.sh"
source "$e2e_dir/../wine_path.sh"
source "$e2e_dir/../wine_prefix.sh"

target_title='^Quorvel :-\)$'
target_start_timeout=30
target_exit_timeout=15
target_nothing_copied_after=3
# Wine's clipboard manager (a thread of its own) now and then misses that the program took
# the clipboard from it: seen under Wine 8 with WINEDEBUG=+clipboard, the program's
# EmptyClipboard goes by without the WM_DESTROYCLIPBOARD that tells the manager (sent with
# SMTO_ABORTIFHUNG), so it still takes itself for the owner, ignores the program's copy and
# leaves X's clipboard as it was. Copying again after a new text on X's clipboard gets
# through.
target_copy_retries=1
# The window, caption included, is centred: the client lies lower by the caption bar's
# height (plus equal borders) than a centred client would. Wine's caption bar is 19 px at
# 96 dpi in Wine 8 and 26 px in Wine 10: target_setup asks the prefix.
target_frame_dy=''
target_screenshot=screenshot-windows.png
# ibus reaches Wine through XIM; commits arrive as whole phrases.
target_ime_env=(XMODIFIERS=@im=ibus)
target_ibus_options=(--xim)

# One fresh prefix per run, in the output directory, removed again on exit: it is large.
# Copied from QUORVEL_WINE_PREFIX_TEMPLATE where the run made one (tests/wine_prefix.sh).
export WINEPREFIX=$out_dir/wineprefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installers, no menu entries for the programs in the prefix.
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'

wine_end() {
    WINEPREFIX=$WINEPREFIX timeout 20 wineserver -k 2>/dev/null
    [ -n "${QUORVEL_E2E_KEEP_PREFIX:-}" ] || rm -rf "$WINEPREFIX"
}

# wine_settle: waits until every process of the prefix has ended and its server with them,
# so that the next program reads the registry anew.
wine_settle() { timeout 60 wineserver -w; }

target_setup() {
    rm -rf "$WINEPREFIX"
    cleanup_hooks+=(wine_end)
    local began=$SECONDS how=made
    if [ -n "${QUORVEL_WINE_PREFIX_TEMPLATE:-}" ]; then
        copy_wine_prefix "$QUORVEL_WINE_PREFIX_TEMPLATE" "$WINEPREFIX" 2>>"$work/wineboot.log" ||
            return 1
        how="copied from $QUORVEL_WINE_PREFIX_TEMPLATE"
    else
        wine wineboot -i >"$work/wineboot.log" 2>&1 || return 1
        wine_settle || return 1
    fi
    echo "Wine prefix $WINEPREFIX $how in $((SECONDS - began)) s"
    caption_bar_height
}

# target_link_cjk_faces: the faces Windows' dialogs and message boxes ask for, Latin and
# Chinese, drawn with WenQuanYi Micro Hei (fonts-wqy-microhei), as a Chinese Windows draws
# them with a real CJK face. Wine's own Tahoma has no ideographs, and the face it falls
# back to otherwise (WenQuanYi Zen Hei) is drawn from embedded bitmaps at dialog sizes, which
# break the glyphs (引 looks like 弓). For screenshots of Chinese dialogs.
target_link_cjk_faces() {
    local face='WenQuanYi Micro Hei' name reg=$work/cjk-faces.reg
    {
        printf '\ufeffWindows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
        for name in 'MS Shell Dlg' 'MS Shell Dlg 2' Tahoma SimSun 宋体 NSimSun 新宋体 \
            'Microsoft YaHei' 'Microsoft YaHei UI' 微软雅黑; do
            printf '"%s"="%s"\r\n' "$name" "$face"
        done
    } | iconv -f UTF-8 -t UTF-16LE >"$reg" || return 1
    wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >>"$work/wine-reg.log" 2>&1 && wine_settle
}

# caption_bar_height: sets target_frame_dy to the prefix's caption bar height at 96 dpi,
# Wine's CaptionHeight (pixels) and the line under it.
caption_bar_height() {
    local key='HKCU\Control Panel\Desktop\WindowMetrics' height
    height=$(wine reg query "$key" /v CaptionHeight 2>>"$work/wineboot.log" | tr -d '\r' |
        awk '$1 == "CaptionHeight" { print $3 }')
    wine_settle
    [[ $height =~ ^[0-9]+$ ]] || {
        echo "no CaptionHeight in pixels in $key: '$height'" >>"$work/wineboot.log"
        return 1
    }
    target_frame_dy=$((height + 1))
}

# Debian's wineserver leaves as soon as the last program has ended (-p0): it tells the
# prefix's own processes to end and, a little later, kills what is left. A program started
# in that moment joins a server on its way out; such a start has been seen to end at once,
# without a window or a word. So each program starts on a settled prefix.
target_ready_to_start() { wine_settle; }

# Wine 10 takes the input focus (and with it tells the input method) only once a window
# manager has marked the window as shown; Wine 8 did not wait for that.
target_window_mapped() { python3 "$e2e_dir/set_wm_state.py" "$window"; }

# target_run [VAR=VALUE...]: runs the program in the foreground; the pid is the program's.
target_run() { env "$@" wine "$program"; }

# target_set_dpi DPI: the system DPI Wine reports to the programs started from now on.
target_set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
        >>"$work/wine-reg.log" 2>&1 && wine_settle
}

# target_use_dark_scheme: the programs started from now on meet a light-on-dark colour
# scheme, as a high-contrast or dark theme sets Windows' system colours: white window text
# on black windows.
target_scheme_env=()
target_use_dark_scheme() { set_window_colours '255 255 255' '0 0 0'; }
# target_use_default_scheme: back to the colours a new prefix has.
target_use_default_scheme() { set_window_colours '0 0 0' '255 255 255'; }
set_window_colours() {
    local key='HKCU\Control Panel\Colors'
    wine reg add "$key" /v WindowText /t REG_SZ /d "$1" /f >>"$work/wine-reg.log" 2>&1 &&
        wine reg add "$key" /v Window /t REG_SZ /d "$2" /f >>"$work/wine-reg.log" 2>&1 &&
        wine_settle
}
