# The Wayland display the wayland target runs on: a headless sway (wlroots) without input
# devices, keys from wtype's virtual keyboards, the clipboard through wl-clipboard, the
# window's place from swaymsg and its pixels from grim. The same functions as
# display_x11.sh; there is no pointer, so scenarios reach the controls by keyboard.

display_log=$work/sway.log
display_has_pointer=0
screen_w=1024 screen_h=768

# sway refuses to run as root: then it runs as this plain user, a system account with no
# home and no login shell, made on first use (one made as an ordinary account by an earlier
# version is made again). Its clients (the program, wtype, wl-clipboard, grim) stay with the
# caller, as the socket serves any local process.
sway_user=quorvel-wayland

# No Xwayland, no background program, and no borders, so that the container is exactly
# the client's surface. No key repeat: on a busy machine wtype may hold a key down longer
# than the repeat delay, and the program would see Tab twice (seen once in CI, at a load
# of 8: Command2 missed, as the focus had moved past it).
sway_config="xwayland disable
swaybg_command -
output * mode ${screen_w}x${screen_h}
input type:keyboard repeat_rate 0
default_border none
default_floating_border none"

start_display() {
    local runtime=$work/wayland
    mkdir -m 700 "$runtime" && printf '%s\n' "$sway_config" >"$runtime/config" || return 1
    if ((EUID == 0)); then
        (($(id -u "$sway_user" 2>/dev/null || echo 0) < 1000)) || userdel "$sway_user" 2>>"$display_log"
        id -u "$sway_user" >/dev/null 2>&1 ||
            useradd --system --no-create-home --home-dir /nonexistent \
                --shell /usr/sbin/nologin "$sway_user" 2>>"$display_log" ||
            id -u "$sway_user" >/dev/null 2>&1 || return 1 # made meanwhile by another run
        chown -R "$sway_user:" "$runtime" && chmod 711 "$work" || return 1
    fi
    as_sway_user env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS HOME="$runtime" \
        XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
        WLR_RENDERER=pixman sway --config "$runtime/config" >>"$display_log" 2>&1 &
    sway_pid=$!
    started+=("$sway_pid")
    wait_until 20 sway_ready_or_gone && sway_ready || return 1
    # Clients reach sway's sockets by path and keep their own runtime folder.
    export WAYLAND_DISPLAY=$sway_socket SWAYSOCK=$sway_ipc
    unset DISPLAY
    start_keyboard
}
as_sway_user() {
    ((EUID == 0)) || {
        "$@"
        return
    }
    local drop=(setpriv --reuid="$sway_user" --regid="$sway_user" --clear-groups --)
    if "${drop[@]}" test -w /dev/shm; then
        "${drop[@]}" "$@"
    else
        # wlroots shares buffers through files in /dev/shm, which a chroot's bare /dev may
        # not let a plain user write: then sway gets a /dev/shm of its own, in a mount
        # namespace of its own that passes no mounts on.
        unshare --mount --propagation unchanged sh -c 'mount --make-rprivate /dev &&
            mount -t tmpfs -o mode=1777 quorvel-shm /dev/shm && exec "$@"' sh "${drop[@]}" "$@"
    fi
}
sway_ready() {
    sway_socket=$(find "$work/wayland" -name 'wayland-[0-9]*' -type s -print -quit)
    sway_ipc=$(find "$work/wayland" -name 'sway-ipc.*.sock' -type s -print -quit)
    [ -n "$sway_socket" ] && [ -n "$sway_ipc" ] &&
        SWAYSOCK=$sway_ipc swaymsg -t get_outputs 2>/dev/null | grep -q '"active": true'
}
sway_ready_or_gone() { sway_ready || ! kill -0 "$sway_pid" 2>/dev/null; }

# With no input devices the seat has no keyboard, and a client asks for one only when the
# seat starts to offer it. Each wtype below brings a virtual keyboard and takes it away
# when it ends; alone, its first key would reach the seat before the program has asked
# for a keyboard again, and be lost (the program's new keyboard enters with it already
# down). This idle wtype gives the seat a keyboard from before the window maps to the
# end, so that the program keeps one throughout.
start_keyboard() {
    wtype -s 3600000 2>>"$display_log" &
    started+=("$!")
    wait_until 10 seat_has_keyboard
}
seat_has_keyboard() { swaymsg -t get_seats 2>/dev/null | grep -q '"capabilities": [2367]'; }

describe_display() {
    local user
    ((EUID == 0)) && user=$sway_user || user=$(id -un)
    echo "$(swaymsg -p -t get_version | sed 's/ version//') on $WAYLAND_DISPLAY" \
        "(headless, ${screen_w}x${screen_h}, run as $user), a virtual keyboard, no pointer"
}

# wtype sends with each call a keymap of the keys it types: nothing to bind beforehand.
bind_characters() { :; }

# send_keys KEY...: xdotool's key names, modifiers joined with +, e.g. ctrl+a shift+Tab.
send_keys() {
    local chord mod parts args=()
    for chord; do
        ((${#args[@]} == 0)) || args+=(-s 80)
        IFS=+ read -ra parts <<<"$chord"
        for mod in "${parts[@]:0:${#parts[@]}-1}"; do args+=(-M "$mod"); done
        args+=(-k "${parts[-1]}")
        for mod in "${parts[@]:0:${#parts[@]}-1}"; do args+=(-m "$mod"); done
    done
    wtype "${args[@]}"
}
type_text() { wtype -d 80 -- "$1"; }

park_pointer() { :; } # there is none

# sway_window title PATTERN | id ID: the window's line of sway_window.py.
sway_window() { swaymsg -t get_tree 2>/dev/null | python3 "$e2e_dir/sway_window.py" "$@"; }
find_window() { sway_window title "$1" | cut -d ' ' -f 1; }
# sway focuses a window when it maps; this only makes sure.
focus_window() { swaymsg "[con_id=$window] focus" >/dev/null; }
# What a close box does on Wayland: the compositor asks the window to close.
close_window() { swaymsg "[con_id=$window] kill" >/dev/null; }

clipboard() { wl-paste --no-newline --type 'text/plain;charset=utf-8' 2>/dev/null; }
# offer_clipboard TEXT: owns the clipboard with TEXT until the next copy takes it.
offer_clipboard() { exec wl-copy --foreground -- "$1" 2>/dev/null; }

# client_geometry: sets x y w h of the window's client area on the screen, and what else
# sway tells of it: its container type, app id and the size of its view.
client_geometry() {
    local id
    read -r id sway_type app_id x y w h view_w view_h < <(sway_window id "$window")
}
view_size_is() {
    client_geometry
    [ "${view_w}x${view_h}" = "$1" ]
}
client_size_is_not() {
    client_geometry
    [ "${w}x${h}" != "$1" ]
}

# screenshot_window FILE: the client area once it has settled, as two grabs a moment
# apart agree: the program draws its answer to the last keys in a frame of its own.
screenshot_window() {
    local again=$work/grab-again.png
    client_geometry
    grim -g "$x,$y ${w}x${h}" "$1" || return 1
    wait_until 3 grab_again_agrees "$1" "$again"
}
grab_again_agrees() {
    sleep 0.2
    grim -g "$x,$y ${w}x${h}" "$2" || return 1
    cmp -s "$1" "$2" && return 0
    mv "$2" "$1"
    return 1
}

# check_client_area W H: client size, floating and fixed, and the app id.
fixed_window_traits='floating, fixed size, app id quorvel'
check_client_area() {
    local want="$1x$2" twice="$((2 * $1))x$((2 * $2))"
    client_geometry
    [ "${w}x${h}" = "$want" ] || problem "client area ${w}x${h}, want $want"
    # sway floats a window whose minimum and maximum sizes agree, and tiles the others.
    [ "$sway_type" = floating_con ] ||
        problem "sway tiles the window ($sway_type): it has no fixed size"
    # Desktops find the window's name and icon through the desktop entry of this name.
    [ "$app_id" = quorvel ] || problem "app id '$app_id', want quorvel"
    # A window of fixed size keeps it when the compositor offers another.
    swaymsg "[con_id=$window] resize set width ${twice%x*} px height ${twice#*x} px" >/dev/null
    wait_until 1 client_size_is_not "$want" && problem "resized by sway to ${w}x${h}"
    swaymsg "[con_id=$window] resize set width $1 px height $2 px" >/dev/null
    wait_until 5 view_size_is "$want" || problem "sway's view did not return to $want"
}
