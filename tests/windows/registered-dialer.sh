#!/usr/bin/env bash
# tarvo-sync.exe finds a dialer the way it is installed on a real PC: in a
# fresh Wine prefix, the dialer's folder on drive C: under a name outside
# ASCII, its App Paths key written by Wine's own "reg add", no registry file
# named. Usage: registered-dialer.sh TARVO-SYNC.EXE SOURCE-DIR
set -euo pipefail
program="$1"
source_dir="$2"

wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
scratch=$(mktemp -d)
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
unset DISPLAY WAYLAND_DISPLAY TARVO_REGISTRY TARVO_COUNTRY_LIST
cleanup() {
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

"$wine" wineboot -i </dev/null >/dev/null 2>&1
dialer="$WINEPREFIX/drive_c/Program Files/Tarvo Café"
mkdir -p "$dialer" "$scratch/handheld/fs/Program Files/Tarvo" "$scratch/work"
cp -r "$source_dir/examples/demo/dialer/." "$dialer/"
cp "$source_dir/examples/demo/work/synconfig.ini" "$scratch/work/"
"$wine" reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\TarvoConnect.exe' \
    /v Path /d 'C:\Program Files\Tarvo Café' /f </dev/null >/dev/null 2>&1
"$wineserver" -w

cd "$scratch/work"
status=$(TARVO_DEVICE="Z:${scratch//\//\\}\\handheld" "$wine" "$program" status </dev/null)
printf '%s\n' "$status"
grep -qx 'dialer_home: C:\\Program Files\\Tarvo Café' <<<"$status"
grep -qx 'pops_master: 5632' <<<"$status"
