# The desktop the gnome-wayland and gnome-xwayland targets run on: a headless gnome-shell
# (GNOME's compositor, mutter, with its shell), on its own session bus, inside the
# throw-away root of desktop_root.sh, where everything of the test runs as the root's plain
# user. The same functions as display_x11.sh and display_wayland.sh, and the compositor's
# own (display_is_desktop, see e2e_window.sh). The shell answers window lists, screenshots
# and synthetic input only to its own code: a small shell extension of the test's
# (gnome_shell_test/) reports the windows' frame and buffer rectangles, maximises, resizes
# and closes them as the shell's title bar, shortcuts or a tiling rule would, types and
# clicks through virtual devices that live as long as the shell, takes screenshots and
# holds the clipboard. The target file sets gnome_session (wayland or x11) first.

# An X window's client area and hints are read as on Xvfb: its functions first, the ones
# below take their place.
source "$e2e_dir/display_x11.sh"

display_log=$work/gnome-shell.log
display_has_pointer=1
display_is_desktop=1
screen_w=1024 screen_h=768

gnome_extension=quorvel-test@quorvel.invalid
gnome_extension_source=$e2e_dir/gnome_shell_test

# A shell that ended (it has crashed) fails the next start at once, saying so.
target_ready_to_start() {
    kill -0 "$shell_pid" 2>/dev/null && return 0
    echo "gnome-shell ended: $(tail -n 3 "$display_log" | tr '\n' ' ')"
    return 1
}

# The shell's log is kept beside the screenshots, for a failure's reader.
keep_shell_log() { cp "$display_log" "$out_dir/${target_screenshot%.png}-shell.log" 2>/dev/null || :; }
cleanup_hooks+=(keep_shell_log)

# not_started WHY: what kept the shell from starting, said in its log (shown on failure).
not_started() {
    echo "($*)" >>"$display_log"
    return 1
}

start_display() {
    [ -n "${QUORVEL_IN_DESKTOP_ROOT:-}" ] ||
        not_started "gnome-shell runs in the root of desktop_root.sh, which runs this script" ||
        return
    # Its own session bus, before the shell; start_session_bus then keeps it.
    start_session_bus || not_started "the session bus did not start" || return
    local version
    version=$(gnome-shell --version | sed -n 's/^GNOME Shell \([0-9]*\).*/\1/p')
    [ -n "$version" ] || not_started "gnome-shell --version: $(gnome-shell --version 2>&1)" || return
    install_extension "$version" || not_started "the test's extension could not be installed" ||
        return
    # Before the shell reads them: the extension on, no first-start tour, no animations, no
    # hot corner.
    local failed settings=(
        "org.gnome.shell enabled-extensions ['$gnome_extension']"
        "org.gnome.shell disable-extension-version-validation true"
        "org.gnome.shell welcome-dialog-last-shown-version '999'"
        "org.gnome.desktop.interface enable-animations false"
        "org.gnome.desktop.interface enable-hot-corners false"
    )
    failed=$(set_gsettings "$display_log" "${settings[@]}") || not_started "$failed" || return
    local session_options=(--no-x11)
    [ "$gnome_session" = wayland ] || session_options=()
    env -u DISPLAY XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME \
        gnome-shell --headless --wayland "${session_options[@]}" \
        --virtual-monitor "${screen_w}x${screen_h}" >>"$display_log" 2>&1 &
    shell_pid=$!
    started+=("$shell_pid")
    wait_until 60 shell_ready_or_gone && shell_ready ||
        not_started "no Wayland socket or no answer from the test's extension within 60 s" ||
        return
    export WAYLAND_DISPLAY=wayland-0 XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
    if [ "$gnome_session" = x11 ]; then
        wait_until 20 xwayland_ready || not_started "Xwayland did not answer within 20 s" || return
    fi
    # The shell ends its start in the overview, over every window: Escape leaves it, once
    # the start is over (before, the overview opens again).
    wait_until 30 shell_started || not_started "the shell's start did not end within 30 s" ||
        return
    local attempt
    for attempt in 1 2 3 4 5; do
        send_keys Escape
        wait_until 2 overview_hidden && sleep 1 && overview_hidden && return 0
    done
    not_started "the overview stayed open after Escape, five times"
}
shell_call() {
    local method=$1
    shift
    gdbus call --session --dest org.quorvel.TestShell --object-path /org/quorvel/TestShell \
        --method "org.quorvel.TestShell.$method" "$@"
}
shell_ready() { [ -S "$XDG_RUNTIME_DIR/wayland-0" ] && shell_call State >/dev/null 2>&1; }
shell_ready_or_gone() { shell_ready || ! kill -0 "$shell_pid" 2>/dev/null; }
overview_hidden() { shell_call State | python3 "$e2e_dir/gnome_window.py" state overview | grep -qx False; }
shell_started() { shell_call State | python3 "$e2e_dir/gnome_window.py" state startingUp | grep -qx False; }
# Xwayland's display and the key to it, from mutter.
xwayland_ready() {
    local socket auth
    socket=$(find /tmp/.X11-unix -name 'X[0-9]*' -type s -print -quit 2>/dev/null)
    auth=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -name '.mutter-Xwaylandauth.*' -print -quit)
    [ -n "$socket" ] && [ -n "$auth" ] || return 1
    export DISPLAY=:${socket##*/X} XAUTHORITY=$auth
    xdpyinfo >/dev/null 2>&1
}

# install_extension SHELL_VERSION: the test's extension, with the imports and entry point of
# the shell's version: GNOME 45 and later load extensions as modules.
install_extension() {
    local dir=$XDG_DATA_HOME/gnome-shell/extensions/$gnome_extension
    mkdir -p "$dir" || return 1
    printf '{"uuid": "%s", "name": "Quorvel test", "description": "%s", "shell-version": ["%s"]}\n' \
        "$gnome_extension" "Reports and drives windows for Quorvel's end-to-end test" "$1" \
        >"$dir/metadata.json"
    if (($1 >= 45)); then
        cat "$gnome_extension_source/imports-module.js" "$gnome_extension_source/test_shell.js" \
            "$gnome_extension_source/entry-module.js" >"$dir/extension.js"
    else
        cat "$gnome_extension_source/imports-legacy.js" "$gnome_extension_source/test_shell.js" \
            "$gnome_extension_source/entry-legacy.js" >"$dir/extension.js"
    fi
}

describe_display() {
    local session='native Wayland clients, no Xwayland'
    [ "$gnome_session" = wayland ] || session="X clients on Xwayland ($DISPLAY)"
    echo "$(gnome-shell --version) (headless, ${screen_w}x${screen_h}, run as $(id -un)" \
        "in a throw-away Debian root), $session; keys and clicks from the shell's virtual devices"
}

# The shell's virtual keyboard types only the characters its keyboard layout has a key for.
# The characters to type get keys of their own, unused otherwise, in a layout of the test's, which
# takes the place of the Chinese layout ("cn", a layout the shell knows by name) through the
# home's own XKB folder; the shell then takes it as its input source.
bind_characters() {
    local dir=$XDG_CONFIG_HOME/xkb/symbols keys='' i code free
    # Keys that neither the layout nor the multimedia keys (inet) use.
    read -ra free <<<"I120 I149 I154 I168 I178 I183 I184 I217 I219 I222"
    ((${#1} <= ${#free[@]})) || return 1
    mkdir -p "$dir" || return 1
    for ((i = 0; i < ${#1}; i++)); do
        printf -v code %04X "'${1:i:1}"
        keys+="    key <${free[i]}> { [ U$code ] };"$'\n'
    done
    printf 'default partial alphanumeric_keys\nxkb_symbols "basic" {\n    include "us(basic)"\n%s};\n' \
        "$keys" >"$dir/cn"
    gsettings set org.gnome.desktop.input-sources sources "[('xkb', 'cn')]" || return 1
    sleep 1 # the shell loads the layout
}

# keyval KEY: the keysym of one of xdotool's key names, or of a character.
declare -A gnome_keysyms=([Tab]=0xff09 [Return]=0xff0d [Escape]=0xff1b [space]=0x20
    [End]=0xff57 [Home]=0xff50 [BackSpace]=0xff08 [Delete]=0xffff [F4]=0xffc1 [Up]=0xff52
    [Down]=0xff54 [ctrl]=0xffe3 [shift]=0xffe1 [alt]=0xffe9 [super]=0xffeb)
keyval() {
    local code
    if [ -n "${gnome_keysyms[$1]:-}" ]; then
        echo $((gnome_keysyms[$1]))
    else
        printf -v code %d "'$1"
        ((code < 0x100)) && echo "$code" || echo $((0x1000000 + code))
    fi
}
# send_keys KEY...: xdotool's key names, modifiers joined with +, e.g. ctrl+a shift+Tab.
send_keys() {
    local chord parts part events i
    for chord; do
        IFS=+ read -ra parts <<<"$chord"
        events=()
        for part in "${parts[@]}"; do events+=("($(keyval "$part"), true)"); done
        for ((i = ${#parts[@]} - 1; i >= 0; i--)); do
            events+=("($(keyval "${parts[i]}"), false)")
        done
        shell_call Keys "[$(IFS=, && echo "${events[*]}")]" >/dev/null || return 1
        sleep 0.08
    done
}
type_text() {
    local i key
    for ((i = 0; i < ${#1}; i++)); do
        key=$(keyval "${1:i:1}")
        shell_call Keys "[($key, true), ($key, false)]" >/dev/null || return 1
        sleep 0.08
    done
}

# Not in the top-left corner, where the shell's hot corner would open the overview.
park_pointer() { shell_call MovePointer $((screen_w - 1)) $((screen_h - 1)) >/dev/null; }
# click_screen X Y: the pointer goes there, and the left button is pressed and released, a
# moment apart each, as a hand does.
click_screen() {
    shell_call MovePointer "$1" "$2" >/dev/null || return 1
    sleep 0.3 # GNOME 48 gives the window the pointer a moment after it moves
    shell_call Button true >/dev/null && sleep 0.05 && shell_call Button false >/dev/null
}
# Positions are in pixels of the client area.
click_at() {
    client_geometry
    click_screen $((x + $1 * scale)) $((y + $2 * scale))
}

# gnome_window title PATTERN | id ID: the window's line of gnome_window.py.
gnome_window() { shell_call Windows | python3 "$e2e_dir/gnome_window.py" "$@"; }
find_window() { gnome_window title "$1" | cut -d ' ' -f 1; }
# The shell focuses a window when it maps; this only makes sure.
focus_window() { shell_call Act "$window" focus >/dev/null; }
# The close box: on Wayland the one the window draws at the right end of its title bar
# (24 px, 3 px from the edges of a 30 px bar; Qt's own bar has its own there too), under X
# mutter's, which asks the window to close as the shell's own close does.
close_window() {
    window_frame
    if [ "$session" = wayland ]; then
        click_screen $((fx + fw - 15)) $((fy + 15))
    else
        compositor_close
    fi
}
# The shell's own close (its window menu, Alt+F4, the overview's close button).
compositor_close() { shell_call Act "$window" close >/dev/null; }

clipboard() { shell_call GetClipboard | python3 "$e2e_dir/gnome_window.py" string; }
# offer_clipboard TEXT: owns the clipboard with TEXT (through the shell) until the next copy
# takes it.
offer_clipboard() {
    shell_call SetClipboard "$(python3 "$e2e_dir/gnome_window.py" quote "$1")" >/dev/null || exit 1
    # One process, ended quietly when the copy has taken the clipboard, or by the test.
    exec bash -c 'changes() { gdbus call --session --dest org.quorvel.TestShell \
        --object-path /org/quorvel/TestShell --method org.quorvel.TestShell.ClipboardChanges; }
        before=$(changes)
        until sleep 0.1 && [ "$(changes)" != "$before" ]; do :; done'
}

# window_frame: sets session fx fy fw fh (the frame: the window with its title bar, whoever
# draws it), bx by bw bh (its buffer), maximized fullscreen focused can_maximize app_id, and
# x11_window, an X window's id.
window_frame() {
    read -r _ session fx fy fw fh bx by bw bh maximized fullscreen focused can_maximize \
        app_id x11_window < <(gnome_window id "$window")
}

# client_geometry: sets x y w h of the window's client area on the screen. An X window's
# is the X server's; on Wayland, Qt draws the title bar into the window: the client area
# is where the background picture starts, with borders as wide to the right and below as
# to the left (Qt's decorations draw them so).
client_geometry() {
    window_frame
    if [ "$session" = x11 ]; then
        x11_client_geometry
        return
    fi
    local shot=$work/frame.png found
    shell_call Screenshot "$fx" "$fy" "$fw" "$fh" "$shot" | grep -q true || {
        x=0 y=0 w=0 h=0
        return 1
    }
    found=$(compare -metric AE -subimage-search "$shot" "$work/corner.png" null: 2>&1 |
        sed -n 's/.* @ \([0-9]*\),\([0-9]*\)$/\1 \2/p')
    local left top
    read -r left top <<<"$found"
    x=$((fx + ${left:-0})) y=$((fy + ${top:-0}))
    w=$((fw - 2 * ${left:-0})) h=$((fh - ${top:-0} - ${left:-0}))
}

# screenshot_window FILE: the client area once it has settled, as two grabs a moment
# apart agree.
screenshot_window() {
    client_geometry
    shell_call Screenshot "$x" "$y" "$w" "$h" "$1" >/dev/null || return 1
    wait_until 3 grab_again_agrees "$1" "$work/grab-again.png"
}
grab_again_agrees() {
    sleep 0.2
    shell_call Screenshot "$x" "$y" "$w" "$h" "$2" >/dev/null || return 1
    cmp -s <(convert "$1" rgb:-) <(convert "$2" rgb:-) && return 0
    mv "$2" "$1"
    return 1
}
# screenshot_frame FILE: the whole window, title bar and all.
screenshot_frame() {
    window_frame
    shell_call Screenshot "$fx" "$fy" "$fw" "$fh" "$1" >/dev/null
}

# check_client_area W H: client size, fixed as the shell sees it, the app id.
fixed_window_traits='fixed size, no maximise, app id quorvel'
check_client_area() {
    local want="$1x$2"
    client_geometry
    [ "${w}x${h}" = "$want" ] || problem "client area ${w}x${h}, want $want"
    [ "$can_maximize" = false ] || problem "the shell offers to maximise the window"
    # An X window's class is Quorvel; the shell matches either to quorvel.desktop.
    [ "${app_id,,}" = quorvel ] || problem "app id (wm class) '$app_id', want quorvel"
    [ "$session" = wayland ] || x11_check_hints "$1" "$2"
}

# --- The compositor's own scenarios ---------------------------------------------------

# request_state maximize|fullscreen|normal: asked of the window as the shell's title bar,
# keyboard shortcuts or a script would.
request_state() { shell_call Act "$window" "$1" >/dev/null; }
# request_size W H: a resize forced on the window, as a tiling rule does.
request_size() { shell_call Act "$window" "resize $1 $2" >/dev/null; }
# click_maximise_box: a click where a title bar's maximise box sits, left of the close box:
# on Wayland Qt's bar (its boxes 18 px wide, 5 px apart, 8 px from the right edge), on X
# mutter's (its boxes about 24 px wide at the right end).
click_maximise_box() {
    window_frame
    local from_right=44 bar_y=15
    [ "$session" = wayland ] || {
        x11_client_geometry
        from_right=62 bar_y=$(((y - fy) / 2))
    }
    click_screen $((fx + fw - from_right)) $((fy + bar_y))
}
# check_window_place: where the program places the window (X), its frame is centred in the
# work area (the screen less the shell's top bar); on Wayland the shell places it, and all
# that matters is that it is whole on the screen.
window_place_rule='centred by its frame'
[ "$gnome_session" = x11 ] || window_place_rule='placed by the shell, whole on the screen'
check_window_place() {
    window_frame
    if ((fx < 0 || fy < 0 || fx + fw > screen_w || fy + fh > screen_h)); then
        problem "the window (${fw}x${fh} at $fx,$fy) is not whole on the ${screen_w}x${screen_h} screen"
    fi
    [ "$session" = x11 ] || return 0
    local ax ay aw ah
    read -r ax ay aw ah < <(shell_call State | python3 "$e2e_dir/gnome_window.py" state workArea)
    local dx=$((2 * (fx - ax) + fw - aw)) dy=$((2 * (fy - ay) + fh - ah))
    ((dx >= -4 && dx <= 4 && dy >= -4 && dy <= 4)) ||
        problem "its frame (${fw}x${fh} at $fx,$fy) is not centred in the work area" \
            "(${aw}x${ah} at $ax,$ay): $((dx / 2)),$((dy / 2)) px off"
}
# check_candidate_list_place X Y W H: the text cursor that ibus gave the shell, under which
# it shows the candidate list, lies in the box at X,Y (W x H) of the client area.
check_candidate_list_place() {
    local cursor cx cy
    cursor=$(shell_call CandidateCursor | python3 "$e2e_dir/gnome_window.py" state cursor)
    read -r cx cy _ <<<"$cursor"
    client_geometry
    ((cx >= x + $1 && cx <= x + $1 + $3 && cy >= y + $2 && cy <= y + $2 + $4)) ||
        problem "the candidate list's cursor is at ($cursor) on the screen, not in Text1 at" \
            "($((x + $1)),$((y + $2)) $3x$4)"
}
window_state() {
    window_frame
    echo "frame ${fw}x${fh} at $fx,$fy, maximised $maximized, full screen $fullscreen"
}

# The shell starts ibus itself, with the engine of the first input source: the input method
# scenario's own source then comes first.
ibus_started_by_desktop=1
desktop_input_method() {
    gsettings set org.gnome.desktop.input-sources sources "[('ibus', 'libpinyin'), ('xkb', 'cn')]"
}

# The top-left corner of the background picture, by which the client area is found.
convert "$assets/background.jpg" -crop 16x16+0+0 +repage "$work/corner.png"
