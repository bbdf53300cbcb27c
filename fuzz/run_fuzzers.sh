#!/usr/bin/env bash
# Configures a clang build with libFuzzer, ASan and UBSan in BUILD_DIR, builds the fuzzers
# and runs them side by side, each for a number of executions or seconds, then prints
# libFuzzer's closing statistics. Each fuzzer's corpus is kept in
# BUILD_DIR/fuzz-runs/<name>/corpus and grows from one run to the next; whatever a fuzzer
# finds goes to BUILD_DIR/fuzz-runs/<name>/artifacts/.
#
#   fuzz/run_fuzzers.sh [-r RUNS | -t SECONDS] BUILD_DIR [lookup|table ...]
#
# QUORVEL_FUZZ_CMAKE_ARGS adds arguments to the configure step.
set -euo pipefail

usage() {
    echo "usage: $0 [-r RUNS | -t SECONDS] BUILD_DIR [lookup|table ...]" >&2
    exit 2
}

limit=(-runs=10000000)
while getopts "r:t:" option; do
    case $option in
        r) limit=(-runs="$OPTARG") ;;
        t) limit=(-max_total_time="$OPTARG") ;;
        *) usage ;;
    esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || usage
build=$1
shift
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(lookup table)

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Instrumenting everything, not only the fuzzers, lets ASan see reads inside the libraries
# and libFuzzer follow their branches; recovery is off so that UBSan findings stop the run.
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
read -r -a extra <<<"${QUORVEL_FUZZ_CMAKE_ARGS:-}"
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_FUZZ=ON -DCMAKE_CXX_FLAGS="$flags" "${extra[@]}"
targets=()
for name in "${names[@]}"; do targets+=("fuzz_$name"); done
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}"

pids=()
for name in "${names[@]}"; do
    work="$build/fuzz-runs/$name"
    mkdir -p "$work/corpus" "$work/artifacts"
    for seed in "$root/fuzz/corpus/$name/"*; do
        [ -e "$work/corpus/${seed##*/}" ] || cp "$seed" "$work/corpus/"
    done
    echo "fuzz_$name: ${limit[*]}, log in $work/log"
    "$build/fuzz/fuzz_$name" "${limit[@]}" -print_final_stats=1 -dict="$root/fuzz/$name.dict" \
        -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log" 2>&1 &
    pids+=($!)
done

status=0
for i in "${!names[@]}"; do
    name=${names[$i]}
    work="$build/fuzz-runs/$name"
    if wait "${pids[$i]}"; then result=passed; else result="FAILED"; status=1; fi
    echo "== fuzz_$name: $result"
    # The last status line, the closing statistics and any report of a finding.
    grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE)' "$work/log" | tail -n 1 || true
    grep -E '^(stat::|Done [0-9]+ runs|==[0-9]+==|SUMMARY|.*runtime error|artifact_prefix|Test unit written|.*check failed)' \
        "$work/log" || true
    echo "corpus: $(find "$work/corpus" -type f | wc -l) files in $work/corpus"
    if [ "$(ls -A "$work/artifacts")" ]; then
        echo "findings in $work/artifacts:"
        ls -l "$work/artifacts"
    fi
done
exit $status
