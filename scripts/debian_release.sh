# Which Debian release a machine runs, for the scripts that install what it needs
# (setup.sh). Sourced.

# The Debian releases whose package names scripts/packages.txt knows, by codename.
# Testing and unstable both call themselves forky, the Debian 14 to come, and share its
# package names.
declare -A supported_releases=([bookworm]=12 [trixie]=13 [forky]=14)

# debian_release [OS_RELEASE]: prints the release number (12, 13, 14) of a supported Debian
# or of a derivative built on one (os-release ID_LIKE=debian with a Debian release's
# codename: Raspberry Pi OS, also its 32-bit edition, ID=raspbian), or says which
# releases the scripts know and fails. Reads /etc/os-release by default.
debian_release() {
    local file=${1:-/etc/os-release} id='' like='' codename='' version='' name=unknown
    if [ -r "$file" ]; then
        id=$(. "$file" && echo "${ID:-}")
        like=$(. "$file" && echo "${ID_LIKE:-}")
        codename=$(. "$file" && echo "${VERSION_CODENAME:-}")
        version=$(. "$file" && echo "${VERSION_ID:-}")
        name=$(. "$file" && echo "${PRETTY_NAME:-$ID $VERSION_ID}")
    fi
    if [ "$id" = debian ] || [[ " $like " == *" debian "* ]]; then
        if [ -n "${supported_releases[$codename]:-}" ]; then
            echo "${supported_releases[$codename]}"
            return
        fi
        # Debian itself may leave the codename out; its VERSION_ID is the number.
        if [ "$id" = debian ] && [ -z "$codename" ] &&
            [[ " ${supported_releases[*]} " == *" $version "* ]]; then
            echo "$version"
            return
        fi
    fi
    echo "Quorvel's scripts set up Debian 12 (bookworm), Debian 13 (trixie), testing and" \
        "unstable (forky, to be Debian 14), and systems" \
        "built on them (os-release ID_LIKE=debian with one of those codenames); this" \
        "machine runs $name. On another system, install what scripts/packages.txt lists" \
        "under its own names, then build with: cmake --preset default &&" \
        "cmake --build --preset default" >&2
    return 1
}
