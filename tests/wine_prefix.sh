# Sourced by what gives a test its Wine prefix. Making one (wineboot) takes Wine half a
# minute or more; the Windows build's tests instead copy one that make_wine_prefix.sh made
# once per run (QUORVEL_WINE_PREFIX_TEMPLATE, a CTest fixture), which takes seconds.

# copy_wine_prefix TEMPLATE PREFIX: PREFIX becomes what wineboot would have made here.
# wineboot links the user's folders (Desktop, Documents, ...) to the home it ran under,
# which the template's file names: those links are pointed at this HOME instead. Debian's
# wineserver names the folder of its socket in the prefix's file wineserver: the copy
# goes without, and its server makes a folder of its own, as for a new prefix.
copy_wine_prefix() {
    local template=$1 prefix=$2 made_home link target
    made_home=$(cat "$template/.quorvel-made-home" 2>/dev/null) || {
        echo "no Wine prefix made at $template (make_wine_prefix.sh)" >&2
        return 1
    }
    rm -rf "$prefix" && cp -a "$template" "$prefix" &&
        rm -f "$prefix/.quorvel-made-home" "$prefix/wineserver" || return 1
    while IFS= read -r -d '' link; do
        target=$(readlink "$link")
        [ "$target" = "$made_home" ] || [[ $target == "$made_home"/* ]] || continue
        ln -sfn "$HOME${target#"$made_home"}" "$link" || return 1
    done < <(find "$prefix/drive_c/users" -type l -print0)
}
