# The X display the Linux and Wine targets run on: a private Xvfb server without a window
# manager, driven with xdotool, read back with xclip, xwininfo, xprop and import. Sourced
# by their target files; display_wayland.sh offers the same functions on Wayland.

display_log=$work/xvfb.log
display_has_pointer=1
screen_w=1024 screen_h=768

# A display number well away from the ones people and other scripts use (:0, :1, :99):
# Xvfb refuses a number whose lock another server holds, and then the next one is tried.
start_display() {
    local attempt display
    for attempt in 1 2 3 4 5 6 7 8; do
        display=$((200 + RANDOM % 700))
        : >"$work/display"
        Xvfb ":$display" -displayfd 3 -screen 0 ${screen_w}x${screen_h}x24 -dpi 96 \
            -nolisten tcp -noreset 3>"$work/display" 2>"$display_log" &
        local pid=$!
        if wait_until 20 grep -qs '^[0-9]\+$' "$work/display"; then
            started+=("$pid")
            export DISPLAY=:$display
            return 0
        fi
        stop_process "$pid"
    done
    return 1
}
describe_display() { echo "Xvfb on $DISPLAY (${screen_w}x${screen_h}), no window manager"; }

# The characters xdotool types are bound to keycodes before the program starts.
bind_characters() { python3 "$e2e_dir/bind_keysyms.py" "$1"; }

# send_keys KEY...: xdotool's key names, modifiers joined with +, e.g. ctrl+a shift+Tab.
send_keys() { xdotool key --delay 80 "$@"; }
type_text() { xdotool type --delay 80 "$1"; }

# A pointer left resting on a control shows its tool tip, a window of its own that would
# cover part of a screenshot: keep it in the screen's corner, off the window.
park_pointer() { xdotool mousemove 0 0; }
# Positions are in pixels of the client area at 96 dpi; $scale doubles them at 192 dpi.
click_at() { xdotool mousemove --window "$window" $(($1 * scale)) $(($2 * scale)) click 1; }

# find_window TITLE: the id of a visible window whose title matches the regular expression.
find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
# There is no window manager: hand the window the input focus as one would.
focus_window() { timeout 10 xdotool windowfocus --sync "$window"; }
# Asks the window to close the way a window manager's close box does.
close_window() { python3 "$e2e_dir/close_window.py" "$window"; }

# A clipboard owner that never answers (Wine 10, now and then) must not hang the run.
clipboard() { timeout 5 xclip -o -selection clipboard 2>/dev/null; }
# offer_clipboard TEXT: owns the X clipboard with TEXT until the next copy takes it.
offer_clipboard() { exec xclip -quiet -selection clipboard -i < <(printf %s "$1") >/dev/null 2>&1; }

# client_geometry: sets x y w h of the window's client area on the screen.
client_geometry() { x11_client_geometry; }
# x11_client_geometry: the same for an X window, $x11_window if set (display_gnome.sh).
x11_client_geometry() {
    local info
    info=$(xwininfo -id "${x11_window:-$window}")
    x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    w=$(sed -n 's/^ *Width: *//p' <<<"$info")
    h=$(sed -n 's/^ *Height: *//p' <<<"$info")
}

# screenshot_window FILE: the client area once it has settled, as two grabs a moment apart
# agree: the program draws its answer to the last keys, or its first frame, a little later.
screenshot_window() {
    import -window "$window" "$1" || return 1
    wait_until 3 grab_again_agrees "$1" "$work/grab-again.png"
}
grab_again_agrees() {
    sleep 0.2
    import -window "$window" "$2" || return 1
    cmp -s <(convert "$1" rgb:-) <(convert "$2" rgb:-) && return 0
    mv "$2" "$1"
    return 1
}

# check_client_area W H: client size, centred (allowing for the target's frame), fixed.
fixed_window_traits='centred, fixed size, no minimise or maximise'
check_client_area() {
    local want="$1x$2" dx dy
    client_geometry
    [ "${w}x${h}" = "$want" ] || problem "client area ${w}x${h}, want $want"
    # Centred within 2 px: 2*x must be within 4 of screen - width.
    dx=$((2 * x - (screen_w - w)))
    dy=$((2 * y - (screen_h - h) - target_frame_dy * scale))
    ((dx >= -4 && dx <= 4 && dy >= -4 && dy <= 4)) ||
        problem "at ($x,$y) on ${screen_w}x${screen_h}, not centred"
    x11_check_hints "$1" "$2"
}
# x11_check_hints W H: what the window asks of a window manager: a fixed size, and a frame
# without minimise and maximise.
x11_check_hints() {
    local hints x11=${x11_window:-$window}
    hints=$(xprop -id "$x11" WM_NORMAL_HINTS)
    grep -q "program specified minimum size: $1 by $2\$" <<<"$hints" ||
        problem "no minimum size $1 by $2 in WM_NORMAL_HINTS: $hints"
    grep -q "program specified maximum size: $1 by $2\$" <<<"$hints" ||
        problem "no maximum size $1 by $2 in WM_NORMAL_HINTS: $hints"
    # What the frame offers, as a window manager reads it: flags, functions, decorations.
    local motif functions decorations hex='\(0x[0-9a-f]*\)'
    motif=$(xprop -id "$x11" _MOTIF_WM_HINTS)
    read -r functions decorations < <(sed -n "s/.* = $hex, $hex, $hex,.*/\\2 \\3/p" <<<"$motif")
    if [ -z "$functions" ]; then
        problem "no _MOTIF_WM_HINTS: $motif"
    elif ((functions & 0x18 || decorations & 0x60)); then # minimise and maximise
        problem "the frame offers minimising or maximising: $motif"
    fi
}
