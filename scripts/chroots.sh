# Debian chroots for the checks that build or run Quorvel on another release or CPU
# (.ci/run, scripts/check_architectures.sh): where the packages come from, and a chroot's
# mounts and removal. Sourced; needs root.

# debian_mirror CODENAME: the first URI of this machine's apt sources that serves the
# suite CODENAME, from one-line (.list) or deb822 (.sources) files.
debian_mirror() {
    local codename=$1 file
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -r "$file" ] || continue
        sed -e 's/#.*//' -e 's/\[[^]]*\]//' "$file" |
            awk -v suite="$codename" '$1 == "deb" && $3 == suite { print $2; exit }'
    done
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -r "$file" ] || continue
        awk -v suite="$codename" 'BEGIN { RS = "" }
            { deb = 0; has_suite = 0; uri = ""
              n = split($0, lines, "\n")
              for (i = 1; i <= n; i++) {
                  line = lines[i]; sub(/#.*/, "", line)
                  field = line; sub(/:.*/, "", field); value = line; sub(/^[^:]*:/, "", value)
                  split(value, words, " ")
                  if (field == "Types") for (w in words) if (words[w] == "deb") deb = 1
                  if (field == "Suites") for (w in words) if (words[w] == suite) has_suite = 1
                  if (field == "URIs" && uri == "") uri = words[1]
              }
              if (deb && has_suite && uri != "") { print uri; exit } }' "$file"
    done
}

chroot_mounts=() # every mount chroot_mount made, in order

# chroot_mount ROOT: /proc, /dev and /dev/pts inside ROOT, the host's resolver, and a
# machine id of its own (libdbus aborts without one).
chroot_mount() {
    local root=$1 mount
    for mount in proc dev dev/pts; do
        mkdir -p "$root/$mount"
        case $mount in
            proc) mount -t proc proc "$root/proc" ;;
            *) mount --bind "/$mount" "$root/$mount" ;;
        esac
        chroot_mounts+=("$root/$mount")
    done
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    [ -s "$root/etc/machine-id" ] || od -An -N16 -tx1 /dev/urandom | tr -d ' \n' >"$root/etc/machine-id"
}

# chroot_remove ROOT: ends what still runs inside ROOT (a Wine server, a bus, Xvfb holds it
# busy), unmounts what chroot_mount mounted there and deletes it.
chroot_remove() {
    local root=$1 pid i
    [ -d "$root" ] || return 0
    for pid in $(ls /proc | grep -x '[0-9]*'); do
        [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "$pid" 2>/dev/null
    done
    sleep 1
    for ((i = ${#chroot_mounts[@]} - 1; i >= 0; i--)); do
        case ${chroot_mounts[i]} in
            "$root"/*)
                umount "${chroot_mounts[i]}" 2>/dev/null || umount -l "${chroot_mounts[i]}"
                unset 'chroot_mounts[i]'
                ;;
        esac
    done
    chroot_mounts=("${chroot_mounts[@]}")
    # Never follow a mount that is somehow still there into the host's /dev.
    if grep -q " $root/" /proc/mounts; then
        echo "still mounted under $root: left in place" >&2
        return 1
    fi
    rm -rf --one-file-system "$root"
}
