#!/usr/bin/env bash
# Qt's own texts in the desktop's language: for each locale below, the Qt program runs on
# a private Xvfb display with its AT-SPI bridge on, and qt_texts_check.py reads Text1's
# context menu, and then the run-time error message of a test build that runs out of
# memory while Text1 takes a paste, as a screen reader reads them. The window's own words
# stay Chinese in every locale. Keeps a screenshot of each in OUTPUT_DIR.
#
# Usage: qt_languages_linux.sh PROGRAM FAULTY_PROGRAM OUTPUT_DIR
set -uo pipefail

usage='usage: qt_languages_linux.sh PROGRAM FAULTY_PROGRAM OUTPUT_DIR'
program=${1:?$usage}
faulty=${2:?$usage}
out_dir=${3:?$usage}
for file in "$program" "$faulty"; do
    [ -f "$file" ] || {
        echo "FAIL no program at $file"
        exit 1
    }
done
program=$(realpath "$program")
faulty=$(realpath "$faulty")
normal=$program
mkdir -p "$out_dir"
out_dir=$(realpath "$out_dir")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
target=linux

source "$here/../e2e/session.sh"
source "$here/../e2e/drive.sh"
source "$here/../e2e/target_linux.sh"

message=$'运行时错误：\n内存不足（std::bad_alloc）'
# LANG, then Text1's context menu and the message's button as Qt's translation words
# them, or as Qt words them where it has none (C).
scenarios=(
    "zh_CN.UTF-8|撤消(U) 重做(R) 剪切(T) 复制(C) 粘贴(P) 删除 全选|确定"
    "zh_HK.UTF-8|復原(U) 重做(R) 剪下(T) 複製(C) 貼上(P) 刪除 全部選擇|確定"
    "ja_JP.UTF-8|元に戻す(U) やり直す(R) 切り取り(T) コピー(C) 貼り付け(P) 削除 すべてを選択|OK"
    "C.UTF-8|Undo Redo Cut Copy Paste Delete Select All|OK"
)

start_display || fatal "Xvfb did not start" "$display_log"
start_session_bus || fatal "dbus-daemon did not start"
gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.a11y.Bus.GetAddress >"$work/a11y-bus" 2>&1 ||
    fatal "no accessibility bus (at-spi2-core):" "$work/a11y-bus"
bind_characters 字 || fatal "could not bind 字 to a keycode"
target_setup

locales=()
for scenario in "${scenarios[@]}"; do
    [[ $scenario == C.UTF-8* ]] || locales+=("${scenario%%|*}")
done
build_locales "${locales[@]}" || fatal "localedef could not build ${locales[*]}:" "$work/localedef.log"

# Debian's own Python, for which python3-pyatspi is packaged.
check() { /usr/bin/python3 "$here/qt_texts_check.py" "$@" && passed=$((passed + 1)) || failed=$((failed + 1)); }
# no_warnings LOG LABEL: Qt says nothing on the terminal about the translation it took.
no_warnings() {
    if grep -qiE 'qm|transl|locale' "$1"; then
        echo "FAIL $2: the terminal shows: $(grep -iE 'qm|transl|locale' "$1" | head -n 3)"
        failed=$((failed + 1))
    fi
}

for scenario in "${scenarios[@]}"; do
    IFS='|' read -r locale items button <<<"$scenario"
    read -ra items <<<"${items/Select All/Select_All}"
    items=("${items[@]/Select_All/Select All}")
    name=${locale%.UTF-8}
    environment=(-u LC_ALL -u LANGUAGE LANG="$locale" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)

    if start_quorvel "$work/quorvel-$name.log" "${environment[@]}"; then
        check menu "$name: Text1's context menu" "$out_dir/context-menu-$name.png" "${items[@]}"
        close_window
        wait_until "$target_exit_timeout" quorvel_gone || stop_process "$quorvel_pid"
        no_warnings "$work/quorvel-$name.log" "$name: the program"
    else
        echo "FAIL $name: the window did not appear: $(tail -n 3 "$work/quorvel-$name.log")"
        failed=$((failed + 1))
    fi

    program=$faulty
    if start_quorvel "$work/faulty-$name.log" "${environment[@]}" QUORVEL_FAULT=paste \
        QUORVEL_MESSAGE_STAYS=1; then
        check message "$name: the run-time error message" "$out_dir/run-time-error-$name.png" \
            "$message" "$button"
        if wait_until "$target_exit_timeout" quorvel_gone; then
            reap "$quorvel_pid"
            status=$?
            ((status == 1)) || {
                echo "FAIL $name: exit status $status after the message, want 1"
                failed=$((failed + 1))
            }
        else
            echo "FAIL $name: still running after the message was closed"
            failed=$((failed + 1))
            stop_process "$quorvel_pid"
        fi
    else
        echo "FAIL $name: the faulty program's window did not appear"
        failed=$((failed + 1))
    fi
    program=$normal
done

echo "qt_languages_linux: $passed passed, $failed failed in $SECONDS s"
exit $((failed > 0))
