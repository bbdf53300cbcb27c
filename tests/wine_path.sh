# Sourced by what drives Wine: puts wineserver on PATH. Debian 12's Wine links it into
# /usr/bin; Wine 10 (testing and unstable) keeps it in Wine's own folder only.
if ! command -v wineserver >/dev/null; then
    for wineserver in /usr/lib/*/wine/wineserver /usr/lib/wine/wineserver; do
        if [ -x "$wineserver" ]; then
            PATH=$PATH:${wineserver%/*}
            break
        fi
    done
    unset wineserver
fi
