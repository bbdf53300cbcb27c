# KDE's compositor as the display: a headless kwin_wayland (--virtual, 1024x768) with its
# own title bars (Breeze), on a session bus of its own, run inside the throw-away root of
# desktop_root.sh with the rest of the test. The same functions as display_x11.sh and
# display_wayland.sh, with those of a whole desktop (display_is_desktop): keys and clicks
# through KWin's fake input protocol (kwin_fake_keys), the window's place, size, state and
# pixels through KWin's scripting and screenshot services (kwin_session.py), the clipboard
# through wl-clipboard (KWin offers data control). Sourced by target_kde-wayland.sh and
# target_kde-xwayland.sh, which set kde_session to wayland or xwayland first.

# Under Xwayland the window is an X window: its client area and hints are read as there.
source "$e2e_dir/display_x11.sh"

display_log=$work/kwin.log
display_has_pointer=0 # the scenarios reach the controls by keyboard, as on sway
display_is_desktop=1
screen_w=1024 screen_h=768

# The keys the fake keyboard presses for xdotool's names: Linux's evdev codes.
declare -A kde_key_codes=(
    [Escape]=1 [BackSpace]=14 [Tab]=15 [Return]=28 [ctrl]=29 [Control_L]=29 [shift]=42
    [Shift_L]=42 [alt]=56 [Alt_L]=56 [space]=57 [super]=125 [Home]=102 [Up]=103 [Prior]=104
    [Left]=105 [Right]=106 [End]=107 [Down]=108 [Next]=109 [Insert]=110 [Delete]=111
    [minus]=12 [equal]=13 [bracketleft]=26 [bracketright]=27 [semicolon]=39 [apostrophe]=40
    [grave]=41 [backslash]=43 [comma]=51 [period]=52 [slash]=53
)
kde_letters=qwertyuiop:asdfghjkl:zxcvbnm
for ((i = 0; i < ${#kde_letters}; i++)); do
    # The letter rows start at Q (16), A (30) and Z (44).
    letter=${kde_letters:i:1}
    [ "$letter" = : ] || kde_key_codes[$letter]=$((i < 10 ? 16 + i : i < 20 ? 30 + i - 11 : 44 + i - 21))
done
for i in 1 2 3 4 5 6 7 8 9; do kde_key_codes[$i]=$((i + 1)); done
kde_key_codes[0]=11
for i in 1 2 3 4 5 6 7 8 9 10; do kde_key_codes[F$i]=$((58 + i)); done
kde_key_codes[F11]=87 kde_key_codes[F12]=88
# What Shift makes of the keys on a US keyboard, for type_text.
declare -A kde_shifted=(
    ['!']=1 ['@']=2 ['#']=3 ['$']=4 ['%']=5 ['^']=6 ['&']=7 ['*']=8 ['(']=9 [')']=0
    ['_']=minus ['+']=equal ['{']=bracketleft ['}']=bracketright [':']=semicolon
    ['"']=apostrophe ['~']=grave ['|']=backslash ['<']=comma ['>']=period ['?']=slash
)
declare -A kde_unshifted=(
    [' ']=space ['-']=minus ['=']=equal ['[']=bracketleft [']']=bracketright [';']=semicolon
    ["'"]=apostrophe ['`']=grave ['\']=backslash [',']=comma ['.']=period ['/']=slash
)
# Keys that neither the US layout nor KWin's own additions (inet) use, evdev code and xkb
# name: bind_characters puts the characters to type on them, two a key (the second with
# Shift).
kde_spare_keys=(89:AB11 95:JPCM 121:I129 86:LSGT 240:I248)
declare -A kde_bound=() # character -> "code" or "shift code"

kde_socket=quorvel-kwin
kde_scripts=$work/kwin-scripts
kde_keys_fifo=$work/kwin-keys
kde_keys_log=$work/kwin-keys.log

start_display() {
    local runtime=$XDG_RUNTIME_DIR args=() kwin_fake_keys=${QUORVEL_KWIN_FAKE_KEYS:-}
    if [ -z "$kwin_fake_keys" ] || [ ! -x "$kwin_fake_keys" ]; then
        echo "kwin_fake_keys was not built (libwayland-dev and plasma-wayland-protocols" \
            "are needed): no keys could reach KWin" >>"$display_log"
        return 1
    fi
    mkdir -p "$kde_scripts" "$XDG_CONFIG_HOME/xkb/symbols" || return 1
    # The keyboard layout: US, and (bind_characters) the characters typed on spare keys.
    printf '[Layout]\nLayoutList=quorvel\nUse=true\n' >"$XDG_CONFIG_HOME/kxkbrc"
    kde_write_layout
    kde_configure_fcitx5
    # KWin's scripting and screenshot services answer on its session bus, which the
    # program shares.
    start_session_bus || return 1
    start_session_bus() { :; } # asked for again after the display: this one serves
    [ "$kde_session" = xwayland ] && args+=(--xwayland)
    env -u DISPLAY -u WAYLAND_DISPLAY KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 \
        KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 QT_LOGGING_RULES='kwin_*.debug=false' \
        kwin_wayland --virtual --width $screen_w --height $screen_h --socket "$kde_socket" \
        --no-lockscreen --inputmethod fcitx5 "${args[@]}" >"$display_log" 2>&1 &
    kwin_pid=$!
    started+=("$kwin_pid")
    wait_until 30 kwin_ready_or_gone && kwin_ready || return 1
    export WAYLAND_DISPLAY=$kde_socket
    if [ "$kde_session" = xwayland ]; then
        # KWin makes the X display's socket and cookie when it starts and Xwayland with the
        # first X client.
        wait_until 10 kwin_x_display_ready || {
            echo "no X display from KWin: /tmp/.X11-unix: $(ls -a /tmp/.X11-unix 2>&1);" \
                "$XDG_RUNTIME_DIR: $(ls -a "$XDG_RUNTIME_DIR")" >>"$display_log"
            return 1
        }
    else
        unset DISPLAY
    fi
    start_keyboard "$kwin_fake_keys"
}
kwin_ready() {
    [ -S "$XDG_RUNTIME_DIR/$kde_socket" ] &&
        gdbus call --session --dest org.kde.KWin --object-path /Scripting \
            --method org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1
}
kwin_ready_or_gone() { kwin_ready || ! kill -0 "$kwin_pid" 2>/dev/null; }
kwin_x_display_ready() {
    local socket cookie
    socket=$(find /tmp/.X11-unix -name 'X[0-9]*' -type s -print -quit 2>/dev/null)
    [ -n "$socket" ] || return 1
    export DISPLAY=:${socket##*/X}
    # A cookie where KWin makes one (its own runtime folder's xauth_*).
    cookie=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -name 'xauth_*' -type f -print -quit)
    [ -z "$cookie" ] || export XAUTHORITY=$cookie
}

# The fake keyboard stays for the whole run (the seat keeps its keyboard); it reads its
# commands from a pipe that this script holds open.
start_keyboard() {
    mkfifo -m 600 "$kde_keys_fifo" || return 1
    "$1" <"$kde_keys_fifo" >"$kde_keys_log" 2>&1 &
    started+=("$!")
    exec {kde_keys}>"$kde_keys_fifo"
    wait_until 10 grep -qx ready "$kde_keys_log"
}
kde_sync_count=0
# kde_input LINE...: hands the fake keyboard its commands and waits until KWin has them.
kde_input() {
    kde_sync_count=$((kde_sync_count + 1))
    printf '%s\n' "$@" "sync $kde_sync_count" >&"$kde_keys"
    wait_until 20 grep -qx "synced $kde_sync_count" "$kde_keys_log"
}

describe_display() {
    local version
    version=$(kwin_wayland --version 2>/dev/null | head -n 1)
    echo "${version:-kwin_wayland} ($kde_session session, headless, ${screen_w}x${screen_h}," \
        "run as $(id -un)), fcitx5 as its input method, keys through KWin's fake input"
}

# kde_write_layout: the layout file: US, and the bound characters on the spare keys.
kde_write_layout() {
    local char i lines=() spare code name level
    declare -A on_key=()
    i=0
    for char in "${kde_bound_order[@]}"; do
        spare=${kde_spare_keys[i / 2]} level=$((i % 2))
        name=${spare#*:}
        on_key[$name]+="${on_key[$name]:+, }$(printf 'U%04X' "'$char")"
        i=$((i + 1))
    done
    for name in "${!on_key[@]}"; do lines+=("    key <$name> { [ ${on_key[$name]} ] };"); done
    printf '%s\n' 'default partial alphanumeric_keys' 'xkb_symbols "basic" {' \
        '    include "us(basic)"' "${lines[@]}" '};' >"$XDG_CONFIG_HOME/xkb/symbols/quorvel"
}
kde_bound_order=()
# bind_characters CHARS: puts each character on a spare key and has KWin load the layout.
bind_characters() {
    local text=$1 char i spare
    for ((i = 0; i < ${#text}; i++)); do
        char=${text:i:1}
        [ -z "${kde_bound[$char]:-}" ] || continue
        ((${#kde_bound_order[@]} < 2 * ${#kde_spare_keys[@]})) || return 1
        spare=${kde_spare_keys[${#kde_bound_order[@]} / 2]}
        ((${#kde_bound_order[@]} % 2 == 0)) && kde_bound[$char]=${spare%%:*} ||
            kde_bound[$char]="shift ${spare%%:*}"
        kde_bound_order+=("$char")
    done
    kde_write_layout
    kde_reload_layout
}
# KWin reads the layout as it handles the signal. Under Xwayland the characters once (1 run
# in 10) did not reach the window after one signal: a second one a moment later.
kde_reload_layout() {
    dbus-send --session --type=signal /Layouts org.kde.keyboard.reloadConfig || return 1
    sleep 1
    dbus-send --session --type=signal /Layouts org.kde.keyboard.reloadConfig || return 1
    sleep 1
}

# kde_press CODE... (modifiers first): press all, release in reverse.
kde_chord_lines() {
    local code i codes=("$@")
    for code in "${codes[@]}"; do echo "key $code 1"; done
    for ((i = ${#codes[@]} - 1; i >= 0; i--)); do echo "key ${codes[i]} 0"; done
}

# send_keys KEY...: xdotool's key names, modifiers joined with +, e.g. ctrl+a shift+Tab.
send_keys() {
    local chord part parts codes lines=()
    for chord; do
        IFS=+ read -ra parts <<<"$chord"
        codes=()
        for part in "${parts[@]}"; do
            [ -n "${kde_key_codes[$part]:-}" ] || {
                echo "send_keys: no key $part here" >&2
                return 1
            }
            codes+=("${kde_key_codes[$part]}")
        done
        ((${#lines[@]} == 0)) || lines+=("wait 80")
        mapfile -t -O "${#lines[@]}" lines < <(kde_chord_lines "${codes[@]}")
    done
    kde_input "${lines[@]}"
}
# type_text TEXT: each character on its key, Shift where the layout needs it.
type_text() {
    local text=$1 char i lines=() codes
    for ((i = 0; i < ${#text}; i++)); do
        char=${text:i:1}
        if [ -n "${kde_bound[$char]:-}" ]; then
            read -ra codes <<<"${kde_bound[$char]/shift/42}"
        elif [[ $char == [a-z0-9] ]]; then
            codes=("${kde_key_codes[$char]}")
        elif [[ $char == [A-Z] ]]; then
            codes=(42 "${kde_key_codes[${char,}]}")
        elif [ -n "${kde_unshifted[$char]:-}" ]; then
            codes=("${kde_key_codes[${kde_unshifted[$char]}]}")
        elif [ -n "${kde_shifted[$char]:-}" ]; then
            codes=(42 "${kde_key_codes[${kde_shifted[$char]}]}")
        else
            echo "type_text: '$char' is on no key (bind_characters)" >&2
            return 1
        fi
        ((i == 0)) || lines+=("wait 80")
        mapfile -t -O "${#lines[@]}" lines < <(kde_chord_lines "${codes[@]}")
    done
    kde_input "${lines[@]}"
}

park_pointer() { :; } # the scenarios use none; clicks move it themselves

# kwin_session COMMAND...: kwin_session.py, whose scripts KWin reads from $kde_scripts.
kwin_session() {
    timeout 30 /usr/bin/python3 "$e2e_dir/kwin_session.py" --scripts "$kde_scripts:$kde_scripts" "$@"
}
find_window() { kwin_session window "$1" 2>/dev/null | cut -d ' ' -f 1; }
# A new window is not always handed the focus (KWin's focus stealing prevention): as a
# user's click would.
focus_window() { kwin_session activate "$window" >/dev/null; }
# What the title bar's close box does.
close_window() { kwin_session close "$window" >/dev/null; }
# The compositor's own close (a KWin script): the same as the close box's request.
compositor_close() { close_window; }

# The clipboard as the program sees it: Wayland's, or under Xwayland X's (display_x11.sh),
# which KWin brings over to Wayland's only a moment later.
if [ "$kde_session" = wayland ]; then
    clipboard() { timeout 5 wl-paste --no-newline --type 'text/plain;charset=utf-8' 2>/dev/null; }
    # offer_clipboard TEXT: owns the clipboard with TEXT until the next copy takes it.
    offer_clipboard() { exec wl-copy --foreground -- "$1" 2>/dev/null; }
fi

# kde_window_state: sets what KWin tells of the window: its kind (x11 or wayland), frame
# (fx fy fw fh) and client area (x y w h), the sizes it allows, and whether the user may
# resize, maximise and minimise it, and its app id.
kde_window_state() {
    local id
    read -r id kind x11_window fx fy fw fh x y w h min_w min_h max_w max_h resizable \
        maximisable minimisable app_id < <(kwin_session window "$target_title" \
        2>>"$work/kwin-session.log")
    [ -n "$id" ] || return 1
    # An X window's buffer is its frame: its client area is X's to tell.
    [ "$kind" = wayland ] || x11_client_geometry
}
client_geometry() { kde_window_state; }
client_size_is_not() {
    client_geometry
    [ "${w}x${h}" != "$1" ]
}

# screenshot_window FILE: the client area once it has settled, as two grabs a moment
# apart agree.
screenshot_window() {
    kwin_session screenshot "$window" "$1" 2>>"$work/kwin-session.log" || return 1
    wait_until 3 grab_again_agrees "$1" "$work/grab-again.png"
}
grab_again_agrees() {
    sleep 0.2
    kwin_session screenshot "$window" "$2" 2>>"$work/kwin-session.log" || return 1
    cmp -s <(convert "$1" rgb:-) <(convert "$2" rgb:-) && return 0
    mv "$2" "$1"
    return 1
}
# screenshot_frame FILE: the window with KWin's title bar and border.
screenshot_frame() { kwin_session screenshot-frame "$window" "$1" 2>>"$work/kwin-session.log"; }

# check_client_area W H: the client area, its frame centred on the screen, a fixed size
# as KWin sees it (no resizing, maximising or minimising), and the app id.
fixed_window_traits='its frame centred, fixed size, no minimise or maximise, app id quorvel'
check_client_area() {
    local want="$1x$2"
    kde_window_state || {
        problem "KWin tells nothing of the window: $(tail -n 1 "$work/kwin-session.log")"
        return
    }
    [ "${w}x${h}" = "$want" ] || problem "client area ${w}x${h}, want $want"
    check_window_place
    [ "${min_w}x${min_h} ${max_w}x${max_h}" = "$want $want" ] ||
        problem "KWin reads sizes ${min_w}x${min_h} to ${max_w}x${max_h}, want $want to $want"
    ((resizable == 0)) || problem "KWin lets the user resize it"
    ((maximisable == 0)) || problem "KWin offers to maximise it"
    # Neither Wayland nor KWin's reading of X's hints has a word for "not minimisable":
    # KWin's minimise box stays. What the program asks of X is checked as under Xvfb.
    [ "$kind" = wayland ] || x11_check_hints "$1" "$2"
    [ "$app_id" = quorvel ] || problem "app id '$app_id', want quorvel"
}

# On X11 the program centres its window, frame and all; on Wayland KWin places it, in the
# middle of the screen (its placement policy for a first window).
window_place_rule='its frame centred on the screen, within 2 px'
check_window_place() {
    kde_window_state || return
    local dx=$((2 * fx - (screen_w - fw))) dy=$((2 * fy - (screen_h - fh)))
    ((dx >= -4 && dx <= 4 && dy >= -4 && dy <= 4)) ||
        problem "frame ${fw}x${fh} at ($fx,$fy) on ${screen_w}x${screen_h}, not centred"
}

# window_state: one line of what may change: frame and client rectangles.
window_state() {
    kde_window_state || {
        echo "no window"
        return
    }
    echo "frame ${fw}x${fh}+$fx+$fy, client area ${w}x${h}+$x+$y"
}
# request_state maximize|fullscreen|normal: what the title bar's button, a double click
# on it or a shortcut asks; normal takes back either.
request_state() { kwin_session "${1/maximize/maximise}" "$window" >/dev/null; }
# request_size W H: a script (or a tiling rule) sizing the client area.
request_size() {
    kde_window_state && kwin_session resize "$window" "$w" "$h" "$1" "$2" >/dev/null
}
# click_maximise_box: Breeze draws no maximise box on a window that cannot be maximised
# (its boxes are minimise and close): what stands for it is a double click on the caption,
# which KWin takes as "maximise".
click_maximise_box() {
    kde_window_state || return
    local cx=$((fx + fw / 2)) cy=$((fy + (y - fy) / 2))
    kde_input "move $cx $cy" "button 272 1" "button 272 0" "wait 50" "button 272 1" \
        "button 272 0" "wait 50" "move 2 2"
}

# --- fcitx5, the input method KWin starts ----------------------------------------------

# Pinyin as the second input method, off until the input-method scenario turns it on (as a
# user does with Ctrl+Space), with the settings that decide the first candidate pinned (no
# cloud, no prediction), so zhongguo and nihao commit 中国 and 你好.
kde_configure_fcitx5() {
    local config=$XDG_CONFIG_HOME/fcitx5
    mkdir -p "$config/conf" || return 1
    printf '%s\n' '[Groups/0]' 'Name=Default' 'Default Layout=us' 'DefaultIM=pinyin' '' \
        '[Groups/0/Items/0]' 'Name=keyboard-us' 'Layout=' '' \
        '[Groups/0/Items/1]' 'Name=pinyin' 'Layout=' '' '[GroupOrder]' '0=Default' \
        >"$config/profile"
    printf '%s\n' '[Behavior]' 'ActiveByDefault=False' 'ShareInputState=All' >"$config/config"
    printf '%s\n' 'CloudPinyinEnabled=False' 'Prediction=False' 'EmojiEnabled=False' \
        'ChaiziEnabled=False' 'ExtBEnabled=False' >"$config/conf/pinyin.conf"
    printf '%s\n' 'Enabled=False' >"$config/conf/cloudpinyin.conf"
}

# kde_run_program [VAR=VALUE...]: runs the program, with KWin's input method (fcitx5) on
# only for a start that asks for one (QT_IM_MODULE=fcitx, the input-method scenario). With
# it on, the keys of the other scenarios went astray now and then: through KWin's text
# input Qt 6.4 lost Shift and Ctrl, and through fcitx5's Qt module the 40,000-character
# paste came out short in 3 of 9 runs on Wayland.
# Once fcitx5 has been on, X's keymap under Xwayland is fcitx5's plain layout again, without
# the characters put on spare keys: they are loaded again.
kde_input_method_was_on=false
kde_run_program() {
    local want=false
    [[ " $* " != *" QT_IM_MODULE=fcitx "* ]] || want=true
    gdbus call --session --dest org.kde.KWin --object-path /VirtualKeyboard \
        --method org.freedesktop.DBus.Properties.Set org.kde.kwin.VirtualKeyboard enabled \
        "<$want>" >>"$work/fcitx5.log" 2>&1
    if [ "$want" = false ] && [ "$kde_input_method_was_on" = true ]; then
        kde_reload_layout
        kde_input_method_was_on=false
    fi
    env "$@" "$program"
}

# What the input-method scenario asks of ibus elsewhere, of fcitx5 here.
input_method_label='fcitx5 (started by KWin) with its pinyin engine' input_method_name=fcitx5
start_ibus() {
    kde_input_method_was_on=true
    gdbus call --session --dest org.kde.KWin --object-path /VirtualKeyboard \
        --method org.freedesktop.DBus.Properties.Set org.kde.kwin.VirtualKeyboard enabled \
        '<true>' >>"$work/fcitx5.log" 2>&1 || {
        problem "KWin did not turn its input method on: $(tail -n 1 "$work/fcitx5.log")"
        return 1
    }
    if ! wait_until 30 fcitx5_has_pinyin; then
        problem "fcitx5 did not offer its pinyin engine within 30 s"
        problem "KWin's log: $(grep -a -i fcitx "$display_log" | tail -n 3 | tr '\n' ' ')"
        return 1
    fi
}
fcitx5_has_pinyin() {
    # Asked only once KWin's fcitx5 has the name: asking first would have the bus start
    # one of its own.
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner org.fcitx.Fcitx5 2>/dev/null |
        grep -q true &&
        gdbus call --session --dest org.fcitx.Fcitx5 --object-path /controller \
            --method org.fcitx.Fcitx.Controller1.AvailableInputMethods 2>/dev/null |
        grep -q "'pinyin'"
}
# fcitx5-remote tells 0 while no input context has the focus, 1 while the focused one has
# the input method off, 2 while on; -o turns it on.
remember_focused_context() { :; }
context_moved() {
    case $(fcitx5-remote 2>/dev/null) in
    1) fcitx5-remote -o && false ;;
    2) true ;;
    *) false ;;
    esac
}
