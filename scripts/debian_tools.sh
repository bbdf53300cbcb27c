# What the scripts that check Quorvel the Debian way share (check_debian.sh,
# check_reproducible.sh, test_release.sh): their tools, the mirror, and the unprivileged
# user the builds run as. Sourced; needs root.

# install_tools PACKAGE...: installs those missing, one script's apt at a time.
install_tools() {
    local package missing=()
    for package; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            missing+=("$package")
    done
    ((${#missing[@]})) || return 0
    local apt=(flock /run/lock/quorvel-host-apt env DEBIAN_FRONTEND=noninteractive apt-get
        -o DPkg::Lock::Timeout=600 -y -q)
    "${apt[@]}" update >/dev/null && "${apt[@]}" install --no-install-recommends "${missing[@]}" \
        >/dev/null || { echo "could not install ${missing[*]}" >&2 && return 1; }
}

# debian_mirror: the mirror this machine's own release comes from, which serves the others.
debian_mirror() {
    local codename
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    apt-cache policy 2>/dev/null | awk -v s="$codename/main" '$3 == s { print $2; exit }' | grep . ||
        { echo "no Debian mirror for '$codename' in this machine's apt sources" >&2 && return 1; }
}

# read_release MIRROR SUITE: sets release_arches to the architectures SUITE has, and
# index_expired to the date its index expired or to nothing. A mirror snapshot outlives
# the week a testing or unstable index is valid for: there, and only there, apt is to be
# told not to mind (Acquire::Check-Valid-Until false), which is said. Fails where the
# mirror lacks SUITE.
read_release() {
    local release
    release=$(python3 -c 'import sys, urllib.request
sys.stdout.write(urllib.request.urlopen(sys.argv[1], timeout=60).read().decode())' \
        "$1/dists/$2/Release") || { echo "the mirror $1 has no release $2" >&2 && return 1; }
    release_arches=" $(sed -n 's/^Architectures: //p' <<<"$release") "
    index_expired=$(sed -n 's/^Valid-Until: //p' <<<"$release")
    if [ -n "$index_expired" ] && (($(date -d "$index_expired" +%s) < $(date +%s))); then
        echo "The mirror's $2 index expired on $index_expired: apt there runs with" \
            "Acquire::Check-Valid-Until false."
    else
        index_expired=''
    fi
}

# mirror_serves MIRROR SUITE ARCH: whether the mirror has SUITE's package index for ARCH
# (main); fails with 1 where it has none, with 2 where the mirror did not answer.
mirror_serves() {
    python3 - "$1/dists/$2/main/binary-$3" <<'EOF'
import sys, urllib.error, urllib.request
status = 1
for name in ("Packages.xz", "Packages.gz", "Packages"):
    try:
        urllib.request.urlopen(urllib.request.Request(sys.argv[1] + "/" + name, method="HEAD"), timeout=60)
        sys.exit(0)
    except urllib.error.HTTPError as error:
        status = max(status, 1 if error.code == 404 else 2)
    except OSError:
        status = 2
sys.exit(status)
EOF
}

# The builds run as this user, in user namespaces made with its subordinate ids: a system
# account with no login shell, whose home holds sbuild's and autopkgtest's caches. One made
# by an earlier version of these scripts as an ordinary account is made again.
builder=quorvel-builder
# make_builder: the user, made where missing; fails, saying why, where it cannot build.
make_builder() {
    local uid
    uid=$(id -u "$builder" 2>/dev/null) || uid=''
    [ -z "$uid" ] || ((uid < 1000)) || userdel --remove "$builder" 2>/dev/null ||
        { echo "could not remove the ordinary account $builder" >&2 && return 1; }
    id "$builder" >/dev/null 2>&1 || useradd --system --create-home --home-dir "/var/lib/$builder" \
        --shell /usr/sbin/nologin --comment "Quorvel's package builds" "$builder" ||
        id "$builder" >/dev/null 2>&1 || return 1 # made meanwhile by another run
    # useradd gives a system account no subordinate ids: a range above every other one.
    grep -q "^$builder:" /etc/subuid || echo "$builder:$(free_subids /etc/subuid):65536" >>/etc/subuid
    grep -q "^$builder:" /etc/subgid || echo "$builder:$(free_subids /etc/subgid):65536" >>/etc/subgid
    as_builder unshare --map-auto --map-root-user true ||
        { echo "user namespaces are refused here: unshare as $builder failed" >&2 && return 1; }
}
# free_subids FILE: the first subordinate id above every range FILE gives out.
free_subids() { awk -F: '$2 + $3 > top { top = $2 + $3 } END { print (top > 100000 ? top : 100000) }' "$1"; }
# as_builder COMMAND...: runs COMMAND as the builder, with the caller's PATH (through which a
# test may put stand-ins for the tools first) and TMPDIR.
as_builder() {
    runuser -u "$builder" -- env -i HOME="$(getent passwd "$builder" | cut -d: -f6)" \
        PATH="$PATH" TMPDIR="${TMPDIR:-/tmp}" LC_ALL=C.UTF-8 "$@"
}
