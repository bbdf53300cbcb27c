# Sourced by test.sh: its stages, timed, and builds run in the background while the tests
# of the build before run. When the script exits, whatever the exit, it prints a table:
# per stage, when it began (minutes:seconds into the run), the time it took, the processor
# time of the programs it ran (of those it waited for: a daemon such as wineserver is not
# counted), which the other jobs on the machine change less, and the load average
# (1 minute) as it ended, which tells how busy the machine was.

stage_rows=()
stage_started='' stage_name='' stage_cpu=0

# Sets ticks to the processor time (user and system) of this shell's finished children.
children_cpu() {
    local fields
    read -ra fields <"/proc/$BASHPID/stat"
    # After "pid (comm) state": cutime and cstime are fields 16 and 17; comm is "bash".
    ticks=$((fields[15] + fields[16]))
}
minutes() { printf '%d:%02d' $(($1 / 60)) $(($1 % 60)); }

# stage_begin NAME ... stage_end [STATUS]: a stage of the table.
stage_begin() {
    local ticks
    children_cpu
    stage_name=$1 stage_started=$SECONDS stage_cpu=$ticks
}
stage_end() {
    local status=${1:-0} took=$((SECONDS - stage_started)) ticks cpu load outcome=''
    children_cpu
    cpu=$(((ticks - stage_cpu) / $(getconf CLK_TCK)))
    read -r load _ </proc/loadavg
    ((status == 0)) || outcome="  FAILED (exit status $status)"
    stage_rows+=("$(printf '  %-20s %6s %9s %7s %6s%s' "$stage_name" "$(minutes "$stage_started")" \
        "$(minutes "$took")" "$(minutes "$cpu")" "$load" "$outcome")")
    stage_name=''
}

# stage NAME COMMAND...: runs COMMAND as one stage and returns its status.
stage() {
    local status=0
    stage_begin "$1"
    shift
    "$@" || status=$?
    stage_end $status
    return $status
}

# build_in_background PRESET...: builds the presets one after another (build_preset) in a
# background job at the lowest priority, so that the tests running meanwhile, which mostly
# wait on displays, input methods and Wine, keep the processor when they need it. Each
# build's output goes to a log that await_build shows.
builder='' build_logs=''
build_in_background() {
    build_logs=$QUORVEL_BUILD/test-stages
    rm -rf "$build_logs" && mkdir -p "$build_logs"
    set -m # a process group of its own, stopped as a whole if the script ends first
    (
        trap - EXIT
        renice -n 19 -p "$BASHPID" >/dev/null
        for preset; do
            status=0
            stage_begin "$preset: build"
            build_preset "$preset" >"$build_logs/$preset.log" 2>&1 || status=$?
            stage_end $status
            # Written whole, then renamed: its presence says the build has ended.
            printf '%s\n%s\n' $status "${stage_rows[-1]}" >"$build_logs/$preset.result.new" &&
                mv "$build_logs/$preset.result.new" "$build_logs/$preset.result"
            ((status == 0)) || exit $status
        done
    ) </dev/null &
    builder=$!
    set +m
}
builder_running() {
    local state
    read -r _ _ state _ 2>/dev/null <"/proc/$builder/stat" && [ "$state" != Z ]
}

# await_build PRESET: waits for the background build of PRESET, shows its output and
# returns its status. A build that ended without a result (the job died) fails.
await_build() {
    local preset=$1 result=$build_logs/$1.result status row
    while [ ! -e "$result" ] && builder_running; do sleep 1; done
    cat "$build_logs/$preset.log" 2>/dev/null
    if [ ! -e "$result" ]; then
        status=0
        wait "$builder" || status=$?
        echo "The background build of $preset ended without a result (exit status $status)."
        stage_rows+=("$(printf '  %-20s FAILED: ended without a result' "$preset: build")")
        return 1
    fi
    { read -r status && IFS= read -r row; } <"$result"
    stage_rows+=("$row")
    return "$status"
}

stop_builder() {
    [ -n "$builder" ] || return 0
    if builder_running; then
        kill -TERM -- "-$builder" 2>/dev/null
    fi
    wait "$builder" 2>/dev/null || : # its status: await_build has told it
    builder=''
}

print_stage_times() {
    local status=$?
    [ -z "$stage_name" ] || stage_end $status # the stage that stopped the script
    stop_builder
    echo
    echo "Stage times (min:s): began, took, processor time of what it ran; load as it ended"
    printf '%s\n' "${stage_rows[@]}"
    printf '  %-20s %6s %9s\n' total '' "$(minutes $SECONDS)"
    return $status
}
trap print_stage_times EXIT
trap 'exit 130' INT TERM
