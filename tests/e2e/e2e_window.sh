#!/usr/bin/env bash
# Drives the real Quorvel window on a private display the way a person would: keys
# through xdotool or wtype, a real ibus + libpinyin input method, results read back
# through the clipboard. The same scenarios run against each target:
#   linux    the Qt program, on Xvfb
#   wine     quorvel.exe, the native Windows build, under Wine on Xvfb
#   wayland  the Qt program as a native client of a headless sway: the scenarios that
#            need neither a mouse nor the input method
#   gnome-wayland, gnome-xwayland, kde-wayland, kde-xwayland
#            the Qt program in a headless gnome-shell or kwin_wayland, natively and
#            through Xwayland, inside the throw-away root that desktop_root.sh makes and
#            runs this in; with the compositor's own scenarios (maximise, forced resize,
#            place, close)
# Prints PASS/FAIL per check; exits non-zero if any check failed or there is no PROGRAM.
#
# Usage: e2e_window.sh linux|wine|wayland|gnome-wayland|gnome-xwayland|kde-wayland|kde-xwayland
#            PROGRAM OUTPUT_DIR
#
# There is no window manager on X: the script hands the window the X input focus itself,
# as a window manager would when the window maps.
set -uo pipefail

usage='usage: e2e_window.sh linux|wine|wayland|gnome-wayland|gnome-xwayland|kde-wayland|kde-xwayland PROGRAM OUTPUT_DIR'
target=${1:?$usage}
program=${2:?$usage}
out_dir=${3:?$usage}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ -f "$here/target_$target.sh" ] || {
    echo "$usage"
    exit 2
}
[ -f "$program" ] || {
    echo "FAIL no program at $program"
    exit 1
}
program=$(realpath "$program")
mkdir -p "$out_dir"
out_dir=$(realpath "$out_dir")
assets=$here/../../assets

source "$here/session.sh"
source "$here/drive.sh"
source "$here/target_$target.sh"

start_display || fatal "the display did not start" "$display_log"
start_session_bus || fatal "dbus-daemon did not start"
echo "$(describe_display); private session bus"
# Every Chinese character this script types, bound before the program starts.
bind_characters 字中国 || fatal "could not bind the characters to type to keycodes"
target_setup || fatal "the $target target could not be set up" "$work/wineboot.log"

# --- Scenarios ----------------------------------------------------------------------

# check_pictures IMAGE SUFFIX: the buttons' normal pictures and the toggle's down picture
# (auto look-up is on at start), each centred on its control, at the scale's size.
check_pictures() {
    local image=$1 suffix=$2 s=$scale
    expect_picture_centred "$image" $((24 * s)) $((64 * s)) $((73 * s)) $((33 * s)) \
        "$assets/command1-normal$suffix.jpg"
    expect_picture_centred "$image" $((128 * s)) $((64 * s)) $((73 * s)) $((33 * s)) \
        "$assets/command2-normal$suffix.jpg"
    expect_picture_centred "$image" $((176 * s)) $((16 * s)) $((30 * s)) $((30 * s)) \
        "$assets/check1-down$suffix.jpg"
}

# check_window_pictures IMAGE SUFFIX: the window's pictures, in a screenshot saved as IMAGE.
check_window_pictures() {
    screenshot_window "$1"
    check_pictures "$@"
}

# Without a pointer (on Wayland) the controls are reached from Text1 with Tab and
# Shift+Tab and pressed with Space, as a keyboard user does.
# toggle_check1: auto look-up off, or on again; then the focus back in Text1.
toggle_check1() {
    if ((display_has_pointer)); then
        click_at 191 31 # Check1
        click_at 48 32  # back into Text1
    else
        send_keys shift+Tab space Tab
    fi
}
press_command2() {
    if ((display_has_pointer)); then
        click_at 164 80
    else
        send_keys Tab Tab Tab
        # Space only once the focus is seen on Command2: should a Tab go astray, the
        # check says where, rather than that the program went on running.
        if wait_until 5 command2_has_focus; then
            send_keys space
        else
            problem "three Tabs from Text1 did not bring the focus to Command2 (Tab order" \
                "Text1, Text2, Command1, Command2); focus frames seen: $(focus_frames_seen)"
            return 1
        fi
    fi
}

# expect_exit_after_command2: Command2, pressed, must end the program with status 0.
# Without a pointer, three times in full CI runs under load (never in some sixty runs of
# this test alone, loaded or not) the program went on running 5 s after a Space typed on
# the focused Command2.
# Where it then waits is printed and Space is typed once more: the check passes if that
# ends the program, and says so.
expect_exit_after_command2() {
    if ((display_has_pointer)); then
        expect_exit_after "Command2 pressed" press_command2
        return
    fi
    local before=${#problems[@]}
    press_command2
    if ((${#problems[@]} > before)); then # the focus never reached Command2
        stop_process "$quorvel_pid"
        return
    fi
    program_ended "Space on Command2" && return
    print_stacks "$quorvel_pid" "Space on Command2"
    send_keys space
    if program_ended "a second Space on Command2"; then
        echo "NOTE $check_name: the program ended only after a second Space on Command2"
    else
        problem "still running $target_exit_timeout s after Space on the focused Command2," \
            "and again after a second Space"
        stop_process "$quorvel_pid"
    fi
}

# The controls that take the focus (Text2, the buttons), as: name left top width height.
focus_takers=("Text2 80 16 89 33" "Command1 24 64 73 33" "Command2 128 64 73 33"
    "Check1 176 16 30 30")
# focus_frame_changed IMAGE LEFT TOP WIDTH HEIGHT: how many pixels of the control's top
# edge, 4 pixels in, where a focused button draws its dotted frame, differ from the first
# screenshot (taken with the focus in Text1). A focused text box marks the same line with
# its highlighted border instead.
focus_frame_changed() {
    local image=$1 row="$(($4 - 8))x1+$(($2 + 4))+$(($3 + 4))" changed
    convert "$work/before.png" -crop "$row" +repage "$work/row-before.png" &&
        convert "$image" -crop "$row" +repage "$work/row-now.png" || return 1
    changed=$(compare -fuzz 10% -metric AE "$work/row-before.png" "$work/row-now.png" null: 2>&1)
    changed=${changed%% (*}
    echo "${changed%.*}"
}
command2_has_focus() {
    local changed
    screenshot_window "$work/focus.png" || return 1
    changed=$(focus_frame_changed "$work/focus.png" 128 64 73 33)
    [[ $changed =~ ^[0-9]+$ ]] && ((changed >= 16))
}
focus_frames_seen() {
    local taker name left top width height changed seen=()
    for taker in "${focus_takers[@]}"; do
        read -r name left top width height <<<"$taker"
        changed=$(focus_frame_changed "$work/focus.png" "$left" "$top" "$width" "$height")
        seen+=("$name ${changed:-?} px")
    done
    printf '%s, ' "${seen[@]::${#seen[@]}-1}"
    echo "${seen[-1]}"
}

scenario_main_window() {
    if ! start_quorvel "$work/quorvel.log"; then
        fatal "Quorvel's window did not appear:" "$work/quorvel.log"
    fi

    begin_check "window: 227x123 client area, $fixed_window_traits"
    check_client_area 227 123
    end_check

    begin_check "pictures: the buttons' and the toggle's own, unscaled and centred"
    expect_within 10 check_window_pictures "$work/before.png" ''
    end_check

    begin_check "typing 字 right after start: found"
    type_text 字
    expect_text1_selected 字
    expect_text2 字:6划
    end_check

    begin_check "screenshot shows the result"
    local screenshot=$out_dir/$target_screenshot size changed
    park_pointer
    screenshot_window "$screenshot"
    size=$(identify -format '%wx%h' "$screenshot" 2>&1)
    [ "$size" = 227x123 ] || problem "screenshot is $size, want 227x123"
    # Text2's area must have changed from the empty box at start.
    convert "$work/before.png" -crop 89x33+80+16 +repage "$work/text2-before.png"
    convert "$screenshot" -crop 89x33+80+16 +repage "$work/text2-after.png"
    changed=$(compare -metric AE "$work/text2-before.png" "$work/text2-after.png" null: 2>&1)
    changed=${changed%% (*} # ImageMagick 7 adds the share in brackets: "155 (0.0528)"
    changed=${changed%.*}   # and may count in fractions of a pixel
    if ! [[ $changed =~ ^[0-9]+$ ]] || ((changed <= 30)); then
        problem "Text2's area barely changed ($changed pixels)"
    fi
    end_check

    # No button is the cancel button; under Win32 a button with the identifier IDCANCEL
    # would take Escape and end the program.
    begin_check "Escape changes nothing"
    send_keys Escape
    expect_text1_selected 字
    expect_text2 字:6划
    quorvel_gone && problem "the program ended"
    end_check

    begin_check "a letter is not in the table: Text1 emptied"
    type_text a
    expect_text1 ''
    expect_text2 ''
    end_check

    begin_check "a digit is kept and selected, no result"
    type_text 5
    expect_text1_selected 5
    expect_text2 ''
    end_check

    begin_check "auto look-up off (Check1): nothing until Return, then 中:4划"
    toggle_check1
    park_pointer
    send_keys ctrl+a
    type_text 中国
    expect_text1 中国
    expect_text2 '' # auto look-up would have shown a result by now
    # Read back, the keys have been answered: Check1 shows its new state by now.
    screenshot_window "$work/check1-up.png"
    expect_picture_centred "$work/check1-up.png" 176 16 30 30 "$assets/check1-up.jpg"
    send_keys End # drop the selection: the look-up itself must select
    send_keys Return
    expect_text1_selected 中国
    expect_text2 中:4划
    end_check

    begin_check "auto look-up on again (Check1): 国 shows 国:8划 at once"
    toggle_check1
    park_pointer
    send_keys ctrl+a
    type_text 国
    expect_text1_selected 国
    expect_text2 国:8划
    screenshot_window "$work/check1-down.png"
    expect_picture_centred "$work/check1-down.png" 176 16 30 30 "$assets/check1-down.jpg"
    end_check

    begin_check "Command2 ends the program with status 0"
    expect_exit_after_command2
    end_check
}

# start_scenario LABEL LOG: starts the program for a scenario; a window that does not
# appear fails the check LABEL, and the scenario is skipped. Once the window is up, the
# scenario's own first check takes the place of LABEL.
start_scenario() {
    begin_check "$1"
    start_quorvel_or_fail "$2" && return 0
    end_check
    return 1
}

scenario_enter_key() {
    start_scenario "the window for the Enter key" "$work/quorvel-enter.log" || return
    # With auto look-up off, only Command1 (the default button) shows a result.
    begin_check "Enter on Text2 and on Check1 presses Command1, and leaves Check1 up"
    toggle_check1 # off
    type_text 中国
    send_keys Tab Return
    expect_text1_selected 中国 # the look-up put the focus back into Text1
    expect_text2 中:4划
    type_text 国
    send_keys shift+Tab Return # Text1 -> Check1, backwards
    expect_text1_selected 国
    expect_text2 国:8划
    type_text 字 # were Check1 flipped on, this would show 字:6划
    expect_text2 国:8划
    end_check

    begin_check "Enter on Command2 (reached with Tab) ends the program with status 0"
    send_keys Tab Tab Tab
    expect_exit_after "Enter on Command2" send_keys Return
    end_check
}

scenario_label_paste_close() {
    start_scenario "the window for the paste, the link and the close box" "$work/quorvel-paste.log" || return
    if ((display_has_pointer)) && [ -n "$emulation" ]; then
        skip_check "Label1: a click hands the author's address to the browser" \
            "$emulation_no_child_programs"
    elif ((display_has_pointer)); then
        begin_check "Label1: a click hands the author's address to the browser"
        click_at 40 113
        wait_until 15 grep -qxF "$author_address" "$browser_log" 2>/dev/null ||
            problem "xdg-open got '$(tr '\n' ' ' <"$browser_log" 2>/dev/null)', want '$author_address'"
        quorvel_gone && problem "the program ended after the click"
        end_check
    fi

    # A single-line edit box silently stops at 30,000 characters unless told otherwise.
    begin_check "no length limit: 40,000 characters pasted with auto look-up off stay"
    local long
    long=$(printf '%040000d' 0 | tr 0 a)
    focus_window
    toggle_check1 # off: a look-up would empty the box
    paste_and_copy "$long" ctrl+a
    ((${#copied} == 40000)) || problem "Text1 holds ${#copied} characters, want 40000"
    [ "$copied" = "$long" ] || problem "Text1 is not the 40,000 'a's pasted"
    end_check

    begin_check "the close box ends the program with status 0"
    expect_exit_after "the close box" close_window
    end_check
}

scenario_alt_f4() {
    begin_check "Alt+F4 (the system menu's Close) ends the program with status 0"
    if start_quorvel_or_fail "$work/quorvel-altf4.log"; then
        expect_exit_after Alt+F4 send_keys alt+F4
    fi
    end_check
}

# An input method may take seconds to hand a phrase over on a busy machine (ibus over XIM
# under Wine, at a load of 9: the commit landed 2 to 5 s after the space). Keys sent before
# it lands race it, and Ctrl+C is lost or typed as a plain c. So each commit is awaited
# where it shows: Text2 answers it with a look-up.
text2_picture() {
    screenshot_window "$work/text2.png" || return 1
    convert "$work/text2.png" -crop "$((81 * scale))x$((25 * scale))+$((84 * scale))+$((20 * scale))" \
        +repage rgb:- | md5sum
}
text2_changed_from() { [ "$(text2_picture)" != "$1" ]; }
# commit_pinyin LETTERS [CHECK ARGS...]: types LETTERS, runs CHECK while the candidates
# show, then a space, and waits for Text2 to change.
commit_pinyin() {
    local before letters=$1
    shift
    before=$(text2_picture)
    type_text "$letters"
    (($# == 0)) || "$@"
    send_keys space
    wait_until 30 text2_changed_from "$before" ||
        problem "$letters + space: Text2 unchanged 30 s later (no commit, or no look-up)"
}

scenario_input_method() {
    begin_check "${input_method_label:-ibus with the libpinyin engine} is ready"
    start_ibus "${target_ibus_options[@]}"
    end_check
    ((${#problems[@]} == 0)) || return

    local first="pinyin: zhongguo + space commits 中国, result 中:4划"
    local second="pinyin: second word typed over the selected result: nihao -> 你好, 你:7划"
    local last="Command2 ends the program under ${input_method_name:-ibus} with status 0"
    if [ -n "$emulation" ]; then
        local name
        for name in "$first" "$second" "$last"; do
            skip_check "$name" "$emulation_slow_input_method"
        done
        return
    fi

    remember_focused_context
    begin_check "$first"
    if ! start_quorvel_or_fail "$work/quorvel-ibus.log" "${target_ime_env[@]}"; then
        :
    elif ! wait_until 10 context_moved; then
        problem "the input method never saw Quorvel's input context take the focus"
    else
        # A desktop's shell shows the candidate list itself, where the text cursor is:
        # within Text1 (24,16 49x33), whose text it is. GNOME's shell tells where it is.
        if declare -F check_candidate_list_place >/dev/null; then
            commit_pinyin zhongguo expect_within 3 check_candidate_list_place 24 16 49 33
        else
            commit_pinyin zhongguo
        fi
        expect_text1_selected 中国
        expect_text2 中:4划
    fi
    end_check
    # A failure here must not leave the program running into the next scenario.
    ((${#problems[@]} == 0)) || {
        stop_process "$quorvel_pid"
        return
    }

    # The trap: the second composition begins while the look-up has just selected the
    # first result. The first key's preedit replaces that selection; if the look-up it
    # triggers disturbs the focus, selection or text, ibus resets and drops the letter
    # (nihao -> ihao). So nothing between the two words may move the focus; Ctrl+C alone
    # waits for the first.
    begin_check "$second"
    commit_pinyin women # not zhongguo again: Text2 would show the same 中:4划
    expect_text1_selected 我们
    commit_pinyin nihao
    expect_text1_selected 你好
    expect_text2 你:7划
    end_check

    begin_check "$last"
    expect_exit_after_command2
    end_check
}

scenario_high_dpi() {
    begin_check "192 dpi: 454x246 client area, centred, fixed size, doubled pictures"
    if ! target_set_dpi 192; then
        problem "the prefix's DPI could not be set: $(tail -n 3 "$work/wine-reg.log")"
    elif start_quorvel_or_fail "$work/quorvel-192dpi.log"; then
        scale=2
        check_client_area 454 246
        park_pointer
        expect_within 10 check_window_pictures "$out_dir/screenshot-windows-192dpi.png" @2x
        type_text 字
        expect_text2 字:6划
        expect_exit_after_command2
        scale=1
    fi
    end_check
}

# --- In a desktop's own compositor ------------------------------------------------------

# A display with display_is_desktop=1 (display_gnome.sh) is a whole desktop, whose title
# bars, shortcuts, scripts and tiling rules ask things of the window; it offers
# window_state, screenshot_frame, request_state maximize|fullscreen|normal, request_size W H,
# click_maximise_box, compositor_close, check_window_place, which checks
# $window_place_rule, and check_candidate_list_place.

# expect_client_area_kept WHAT NAME: after WHAT was asked, the window still shows its
# 227x123 client area, the pictures in place, in the same frame as before (no bare
# background). The window's screenshot, title bar and all, is kept as ...-after-NAME.png;
# the window is then asked back into its normal state, for the next check.
expect_client_area_kept() {
    local after
    sleep 1 # what the compositor asked has been answered by now, or never will be
    screenshot_frame "$out_dir/${target_screenshot%.png}-after-$2.png"
    after=$(window_state)
    [ "$after" = "$frame_before" ] || problem "after $1: $after, before: $frame_before"
    check_client_area 227 123
    expect_within 5 check_window_pictures "$work/kept.png" ''
    request_state normal
    sleep 0.5
}

scenario_compositor() {
    start_scenario "the window for the compositor's requests" "$work/quorvel-compositor.log" ||
        return
    local frame_before
    frame_before=$(window_state)
    begin_check "window's place: $window_place_rule"
    check_window_place
    end_check

    begin_check "maximise box: a click where it sits changes nothing"
    screenshot_frame "$out_dir/${target_screenshot%.png}-frame.png"
    click_maximise_box
    park_pointer
    expect_client_area_kept "the click" maximise-click
    end_check

    local state
    for state in maximize fullscreen; do
        begin_check "the compositor's $state request: refused or undone, client area kept"
        request_state "$state"
        expect_client_area_kept "$state" "$state"
        end_check
    done

    begin_check "a forced resize to 454x246 (a script, a tiling rule): the size is kept"
    request_size 454 246
    expect_client_area_kept "the resize" resize
    end_check

    begin_check "typing still reaches the window: 字 found"
    focus_window
    send_keys ctrl+a
    type_text 字
    expect_text1_selected 字
    expect_text2 字:6划
    end_check

    begin_check "the compositor's close ends the program with status 0"
    expect_exit_after "the compositor's close" compositor_close
    end_check
}

# --- Colour schemes and DPI ------------------------------------------------------------

# expect_legible IMAGE BOX X Y W H LINE GROUND: the text of BOX, whose inside (within its
# frame) is the area X,Y,W,H of IMAGE, stands on GROUND (RRGGBB, the area's commonest
# colour) and stands out from it by LINE:1 (WCAG's contrast ratio) over at least 40 pixels.
# A caret alone is too small to pass. GROUND "selected-on-RRGGBB": the text is selected in
# a box of face RRGGBB, and stands on the selection's colour.
expect_legible() {
    local image=$1 box=$2 line=$7 ground=$8 measured shown ratio count
    if [[ $ground == selected-on-* ]]; then
        measured=$(python3 "$here/pixel_measures.py" selected "$image" "$3" "$4" "$5" "$6" \
            "${ground#selected-on-}" 2>&1)
    else
        measured=$(python3 "$here/pixel_measures.py" ink "$image" "$3" "$4" "$5" "$6" 2>&1)
    fi
    read -r shown ratio count <<<"$measured"
    if ! [[ $count =~ ^[0-9]+$ ]]; then
        problem "$box could not be measured: $measured"
    elif [[ $ground != selected-on-* && $shown != "$ground" ]]; then
        problem "$box: the text stands on $shown, want $ground"
    elif ! awk -v r="$ratio" -v l="$line" -v n="$count" \
        'BEGIN { exit !(r >= l && n >= 40) }'; then
        problem "$box: text on $shown stands out by $ratio:1 at most ($count pixels by 3:1)," \
            "want $line:1"
    fi
}

# end_leftover_program: ends a program that an earlier scenario, failing, left running; a
# change to Wine's registry waits for every program of the prefix to end.
end_leftover_program() { quorvel_gone || stop_process "$quorvel_pid"; }

# A light-on-dark colour scheme: the desktop's window-text colour is white. The boxes keep
# their fixed light faces, so their text must turn dark. Text1's selection is drawn in the
# desktop's own highlight colours (on Windows always: Wine's are 3.1:1, WCAG's line for
# large text, which Text1's bold 21 px is), so it is held to 3:1.
scenario_dark_scheme() {
    begin_check "light-on-dark scheme: 字 pasted and 字:6划 shown, legible in both boxes"
    end_leftover_program
    if ! target_use_dark_scheme; then
        problem "the dark scheme could not be set: $(tail -n 3 "$work/wine-reg.log" 2>/dev/null)"
    elif start_quorvel_or_fail "$work/quorvel-dark.log" "${target_scheme_env[@]}"; then
        local shot=$out_dir/${target_screenshot%.png}-dark.png
        paste_and_copy 字 Tab ctrl+a # Text2
        [ "$copied" = 字:6划 ] || problem "Text2 after pasting 字: got '$copied', want '字:6划'"
        send_keys shift+Tab
        park_pointer
        screenshot_window "$shot"
        expect_legible "$shot" Text2 84 20 81 25 4.5 e0e0e0
        expect_legible "$shot" "Text1 (selected)" 28 20 41 25 3 selected-on-ffffff
        send_keys End
        screenshot_window "$work/dark-unselected.png"
        expect_legible "$work/dark-unselected.png" Text1 28 20 41 25 4.5 ffffff
        expect_exit_after_command2
    fi
    target_use_default_scheme
    end_check
}

# pixels_at TWIPS...: twips as pixels at $dpi, rounded as the program rounds them.
pixels_at() {
    local twips
    for twips; do
        echo $(((twips * dpi + 720) / 1440))
    done
}

# scenario_scaled_dpi DPI [SHOT]: the Windows build at DPI looks like the 96-dpi window
# enlarged: each picture at its 96-dpi size times dpi / 96, covering its control as much as
# at 96 dpi. Prints how much of each picture control is bare face colour. SHOT names the
# screenshot kept in the output folder, if any.
scenario_scaled_dpi() {
    local dpi=$1 shot=${2:-} image=$work/dpi-$1.png shares='' control
    begin_check "$dpi dpi: the 96-dpi window enlarged, each picture filling its control"
    end_leftover_program
    if ! target_set_dpi "$dpi"; then
        problem "the prefix's DPI could not be set: $(tail -n 3 "$work/wine-reg.log")"
    elif start_quorvel_or_fail "$work/quorvel-${dpi}dpi.log"; then
        client_geometry
        local want
        want=$(pixels_at 3405 1845 | paste -sd x)
        [ "${w}x${h}" = "$want" ] || problem "client area ${w}x${h}, want $want"
        type_text 字
        expect_text2 字:6划
        park_pointer
        screenshot_window "$image"
        [ -z "$shot" ] || cp "$image" "$out_dir/$shot"
        for control in "Command1 360 960 1095 495 ffffff command1-normal 69 33" \
            "Command2 1920 960 1095 495 00c000 command2-normal 69 33" \
            "Check1 2640 240 450 450 ffffff check1-down 29 29"; do
            local name left top width height face picture pw ph share
            read -r name left top width height face picture pw ph <<<"$control"
            read -r left top width height < <(pixels_at "$left" "$top" "$width" "$height" |
                paste -sd ' ')
            share=$(python3 "$here/pixel_measures.py" bare "$image" "$left" "$top" "$width" \
                "$height" "$face")
            shares+=" $name $share %"
            awk -v s="$share" 'BEGIN { exit !(s <= 12) }' ||
                problem "$name is $share % bare face colour, want at most 12 % (6 % at 96 dpi)"
            picture_at_dpi "$picture" "$pw" "$ph"
            expect_picture_centred "$image" "$left" "$top" "$width" "$height" "$reference" \
                "$largest_difference"
        done
        expect_sized_cursor_and_icons
        expect_exit_after "the close box" close_window
    fi
    end_check
    echo "       bare face colour at $dpi dpi:$shares"
}

# expect_sized_cursor_and_icons: at $dpi, the hand cursor over Label1 and the window's two
# icons (as the window hands them to X) are their 96-dpi sizes times dpi / 96.
expect_sized_cursor_and_icons() {
    local cursor small big icons
    cursor=$(at_dpi "$(identify -format '%w' "$assets/hand.cur")")
    xdotool mousemove --window "$window" $(pixels_at 600 1695) # over Label1
    wait_until 5 cursor_is "$cursor $cursor" ||
        problem "the cursor over Label1 is $(python3 "$here/cursor_size.py" | cut -d' ' -f1,2)," \
            "want $cursor $cursor"
    park_pointer
    small=$(at_dpi 16) big=$(at_dpi 32)
    icons=$(xprop -id "$window" _NET_WM_ICON |
        sed -n 's/.*Icon (\([0-9]*\) x \([0-9]*\)).*/\1x\2/p' | sort -n | paste -sd ' ')
    [ "$icons" = "${small}x$small ${big}x$big" ] ||
        problem "the window's icons are '$icons', want '${small}x$small ${big}x$big'"
}
cursor_is() { [ "$(python3 "$here/cursor_size.py" | cut -d' ' -f1,2)" = "$1" ]; }
# at_dpi PIXELS: a size in pixels at 96 dpi, at $dpi.
at_dpi() { echo $((($1 * dpi + 48) / 96)); }

# picture_at_dpi NAME WIDTH HEIGHT: sets $reference to the file of how picture NAME, WIDTH x
# HEIGHT at 96 dpi, should look at $dpi, and $largest_difference to how far (RMSE) the drawn
# one may be from it: its own file at 96 dpi and its "@2x" file at 192, drawn unaltered;
# elsewhere the "@2x" file resampled by ImageMagick, which filters a little differently
# from GDI (up to 0.04 against Wine's halftone, while a picture one pixel off is about 0.1
# away).
picture_at_dpi() {
    local name=$1 size
    largest_difference=0.04
    case $dpi in
    96) reference=$assets/$name.jpg ;;
    192) reference=$assets/$name@2x.jpg ;;
    *)
        size=$(at_dpi "$2")x$(at_dpi "$3")
        reference=$work/$name-$dpi.png
        convert "$assets/$name@2x.jpg" -filter Triangle -resize "$size!" "$reference"
        largest_difference=0.06
        ;;
    esac
}

scenario_main_window
scenario_enter_key
scenario_label_paste_close
[ "$target" != wine ] || scenario_alt_f4
[ "$target" = wayland ] || scenario_input_method
# A dark scheme is Qt's palette, whatever the compositor: tested on X and on sway.
((${display_is_desktop:-0})) || scenario_dark_scheme
((!${display_is_desktop:-0})) || scenario_compositor
# Last: these leave the Wine prefix at another DPI.
[ "$target" != wine ] || scenario_high_dpi
if [ "$target" = wine ]; then
    scenario_scaled_dpi 96 # for the figures to compare with
    scenario_scaled_dpi 120
    scenario_scaled_dpi 144 screenshot-windows-150.png
    scenario_scaled_dpi 168
fi

if ((failed)); then
    echo "--- ibus-daemon log (tail)"
    tail -n 20 "$work/ibus.log" 2>/dev/null
    echo "--- program logs"
    tail -n 20 "$work"/quorvel*.log 2>/dev/null
fi
finish
