# Helpers sourced by the packaging checks.

failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

pass() {
    echo "ok: $*"
}

# Ends the check at once: later steps would only repeat the same cause. Counted, for
# the exit handlers that keep what a failed run leaves.
die() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
    exit 1
}

need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || die "$tool is missing (see scripts/packages.txt)"
    done
}

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
}

# Bytes of a file or of standard input as " xx xx ...", one line, so that a byte
# sequence can be looked for with grep without matching across a byte boundary.
hex_bytes() {
    od -An -tx1 -v "$@" | tr -s ' \n' '  ' | sed 's/ *$//'
}

utf16le_hex() {
    printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | hex_bytes
}

# Value of KEY in the [Desktop Entry] group of a desktop file.
desktop_value() {
    awk -v key="$2=" '/^\[/ { in_entry = ($0 == "[Desktop Entry]") }
        in_entry && index($0, key) == 1 { print substr($0, length(key) + 1); exit }' "$1"
}

# Width and height of a PNG, read from its IHDR chunk.
png_size() {
    local b
    read -r -a b <<<"$(od -An -tu1 -j16 -N8 "$1")"
    [ "${#b[@]}" -eq 8 ] || return 1
    echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}
