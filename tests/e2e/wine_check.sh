# The start of a check script, other than the end-to-end test, that drives quorvel.exe
# under Wine with the end-to-end helpers. Sourced once the script has set summary_name,
# out_dir and, if it uses one, probe (msaa_probe.exe) and found its files: makes those
# paths absolute, loads the helpers for the Wine target and reports the script's own
# summary line.
[ -z "${probe:-}" ] || probe=$(realpath "$probe")
mkdir -p "$out_dir"
out_dir=$(realpath "$out_dir")
target=wine

e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$e2e_dir/session.sh"
source "$e2e_dir/drive.sh"
source "$e2e_dir/target_wine.sh"

finish() {
    echo "$summary_name: $passed passed, $failed failed in $SECONDS s"
    exit $((failed > 0))
}
