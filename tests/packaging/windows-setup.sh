#!/usr/bin/env bash
# The Windows setup program and zip under Wine, used as an administrator
# deploys them (BUILD_DIR is the build they were made from, its stage/ their
# tree), in a fresh prefix:
#
#   windows-setup.sh BUILD_DIR SETUP ZIP
#
# silent install into a folder given with /D= and uninstall; then into
# Program Files, with a later version over it (the same tree with a window
# program, a copy of tarvo-sync.exe where the build has none, and without
# README.txt), refused while a program file is in use; the zip unpacked.
set -euo pipefail

build=$(realpath "$1")
setup=$(realpath "$2")
zip=$(realpath "$3")
root=$(realpath "$(dirname "$0")/../..")
version=$(basename "$setup")
version=${version#tarvo-synchronizer-}
version=${version%-setup.exe}
started=$SECONDS

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# Shortcuts must not reach the desktop's menus, and no Mono or Gecko setup is
# offered; nothing here draws a window.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
unset DISPLAY WAYLAND_DISPLAY
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
trap '"$wineserver" -k 2>/dev/null; "$wineserver" -w 2>/dev/null; rm -rf "$work"' EXIT

passed=0
failed=0
check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "windows-setup: ok: $name"
  else
    failed=$((failed + 1))
    echo "windows-setup: FAILED: $name"
  fi
}
fail() {
  echo "  $*" >&2
  return 1
}

# Runs a setup or uninstall program and waits until every process of the
# prefix has ended (the uninstaller returns at once, its copy in the
# temporary folder does the work); then restarts Windows, so that a file left
# to be deleted at the next restart is gone before the checks.
run() {
  "$wine" "$@"
  local status=$?
  "$wineserver" -w
  "$wine" wineboot -r >/dev/null 2>&1
  "$wineserver" -w
  return $status
}
unix_path() {
  "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r'
}
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TarvoSynchronizer'
reg_value() {
  "$wine" reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v name="$1" '$1 == name { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}
entry_present() {
  "$wine" reg query "$uninstall_key" >/dev/null 2>&1
}
files_under() {
  (cd "$1" && find . -type f -printf '%P\n' | LC_ALL=C sort)
}

"$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
profile=$(unix_path "$("$wine" cmd /c 'echo %USERPROFILE%' 2>/dev/null | tr -d '\r')")
start_menu=$(unix_path 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')
shortcut="$start_menu/Tarvo Windows CE Synchronizer.lnk"
[ -d "$profile" ] && [ -d "$start_menu" ] || { echo "windows-setup: the prefix has no user or Start-menu folder" >&2; exit 1; }
expected_version="tarvo-sync ${version%.*} [Build ${version##*.}]"
unzip -Z1 "$zip" | grep -v '/$' | sed "s|^tarvo-synchronizer-$version/||" | LC_ALL=C sort >"$work/zip-files"
[ -s "$work/zip-files" ] || { echo "windows-setup: the zip holds no files" >&2; exit 1; }

installed_tree_is() { # TREE_FILES DIR
  files_under "$2" >"$work/installed"
  (cat "$1" && echo uninstall.exe) | LC_ALL=C sort >"$work/expected"
  grep -qx 'bin/tarvo-sync.exe' "$1" && grep -qx 'share/tarvo/telephony-countries.csv' "$1" ||
    fail "the tree lacks tarvo-sync.exe or the country list"
  diff "$work/expected" "$work/installed" >&2 || fail "installed files differ (< expected, > installed)"
}

entry_is() { # WINDOWS_DIR UNIX_DIR
  local size kb
  [ "$(reg_value DisplayName)" = "Tarvo Windows CE Synchronizer" ] || fail "DisplayName: $(reg_value DisplayName)"
  [ "$(reg_value DisplayVersion)" = "$version" ] || fail "DisplayVersion: $(reg_value DisplayVersion)"
  [ -n "$(reg_value Publisher)" ] || fail "no Publisher"
  [ "$(reg_value UninstallString)" = "\"$1\\uninstall.exe\"" ] || fail "UninstallString: $(reg_value UninstallString)"
  [ "$(reg_value QuietUninstallString)" = "\"$1\\uninstall.exe\" /S" ] || fail "QuietUninstallString: $(reg_value QuietUninstallString)"
  [ "$(reg_value InstallLocation)" = "$1" ] || fail "InstallLocation: $(reg_value InstallLocation)"
  size=$(($(reg_value EstimatedSize)))
  kb=$((($(find "$2" -type f -printf '%s+' 2>/dev/null) 0) / 1024))
  [ "$size" -ge $((kb - 1)) ] && [ "$size" -le $((kb + 8)) ] || fail "EstimatedSize $size KB, the files are $kb KB"
}

runs_version() { # UNIX_PROGRAM
  local said
  said=$(cd "$work" && "$wine" "$1" --version 2>&1 | tr -d '\r')
  [ "$said" = "$expected_version" ] || fail "$1 --version said: $said"
}

# The entry exists exactly when the tree has the window, and then starts it
# in the user's own folder.
shortcut_as_tree() { # TREE_FILES WINDOWS_DIR
  if grep -qx 'bin/tarvo-synchronizer.exe' "$1"; then
    [ -f "$shortcut" ] || fail "no Start-menu entry"
    strings -el "$shortcut" >"$work/link-strings"
    grep -qiF "$2\\bin\\tarvo-synchronizer.exe" "$work/link-strings" || fail "the entry starts another program"
    grep -qxF '%USERPROFILE%' "$work/link-strings" || fail "the entry starts it in another folder"
    [ "$(reg_value DisplayIcon)" = "\"$2\\bin\\tarvo-synchronizer.exe\",0" ] || fail "DisplayIcon: $(reg_value DisplayIcon)"
  else
    [ ! -e "$shortcut" ] || fail "a Start-menu entry without a window program"
  fi
}

# After an uninstall: no file of the tree, no uninstaller, no Start-menu
# entry, no uninstall entry; the settings file in the user's folder is
# there, and so is the folder installed into only when the user put a file
# in it (KEPT), which stays.
nothing_left() { # TREE_FILES UNIX_DIR [KEPT]
  local file
  while IFS= read -r file; do
    [ ! -e "$2/$file" ] || fail "left: $file"
  done < <(cat "$1" && echo uninstall.exe)
  [ ! -e "$shortcut" ] || fail "left: the Start-menu entry"
  ! entry_present || fail "left: the uninstall entry"
  [ -f "$profile/synuser.ini" ] || fail "the settings file in the user's folder was removed"
  if [ $# -eq 3 ]; then
    [ "$(find "$2" -type f)" = "$3" ] || fail "in $2: $(find "$2" -type f | tr '\n' ' '), not $3 alone"
  else
    [ ! -e "$2" ] || fail "left: the folder $2 ($(find "$2" | tr '\n' ' '))"
  fi
}

# A folder of its own, blanks and all, given with /D= as the last argument
# and unquoted, as NSIS wants it: passed as words, which Wine joins with
# blanks and no quotes.
custom='C:\Tarvo Test\Sync Folder'
custom_unix=$(unix_path "$custom")
read -r -a folder_words <<<"/D=$custom"
run "$setup" /S "${folder_words[@]}" >/dev/null 2>&1 && install_status=0 || install_status=$?
check "silent install into $custom (/D=) ends with 0" test "$install_status" -eq 0
check "installed the zip's files and the uninstaller" installed_tree_is "$work/zip-files" "$custom_unix"
check "uninstall entry names, version, uninstaller, folder and size" entry_is "$custom" "$custom_unix"
check "installed tarvo-sync.exe --version" runs_version "$custom\\bin\\tarvo-sync.exe"
check "a Start-menu entry exactly when there is a window program" shortcut_as_tree "$work/zip-files" "$custom"
echo '[Main]' >"$profile/synuser.ini"
echo '[Main]' >"$custom_unix/bin/synuser.ini"
run "$custom_unix/uninstall.exe" /S >/dev/null 2>&1 && status=0 || status=$?
check "silent uninstall ends with 0" test "$status" -eq 0
check "uninstall leaves nothing it installed; the user's settings files stay" \
  nothing_left "$work/zip-files" "$custom_unix" "$custom_unix/bin/synuser.ini"

# Keeps a file open, without leave to delete it, for about ten seconds, as a
# running program keeps its own; returns once it is open.
hold_file() { # WINDOWS_FILE
  local drive=$work/prefix/drive_c
  rm -f "$drive/held"
  printf 'echo held> C:\\held & ping -n 10 127.0.0.1 < "%s" > nul\r\n' "$1" >"$drive/hold.bat"
  "$wine" cmd /c 'C:\hold.bat' >/dev/null 2>&1 &
  local waited=0
  until [ -f "$drive/held" ] || [ $waited -ge 300 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  sleep 1
}
earlier_installation_kept() { # STATUS EARLIER_UNINSTALLER_COPY
  [ "$1" -eq 2 ] || fail "the setup ended with $1"
  cmp -s "$2" "$program_files_unix/uninstall.exe" || fail "the earlier installation's uninstaller is gone"
  entry_present || fail "the earlier installation's entry is gone"
}

# The same tree as a later version with a window program and without one of
# the earlier files, installed over an installation in Program Files.
cp -r "$build/stage" "$work/tree"
if [ ! -f "$work/tree/bin/tarvo-synchronizer.exe" ]; then
  cp "$work/tree/bin/tarvo-sync.exe" "$work/tree/bin/tarvo-synchronizer.exe"
fi
rm "$work/tree/README.txt"
second=$("$root/packaging/windows/make-setup" "$build" "$work/tree" "$work/second" | sed -n 1p)
files_under "$work/tree" >"$work/tree-files"
program_files='C:\Program Files\Tarvo Synchronizer'
program_files_unix=$(unix_path "$program_files")
run "$setup" /S >/dev/null 2>&1 && status=0 || status=$?
check "silent install into Program Files ends with 0" test "$status" -eq 0
cp "$program_files_unix/uninstall.exe" "$work/earlier-uninstall.exe"
hold_file "$program_files\bin\tarvo-sync.exe"
run "$second" /S >/dev/null 2>&1 && status=0 || status=$?
check "a later setup while a program file is in use stops with 2, the earlier entry kept" \
  earlier_installation_kept "$status" "$work/earlier-uninstall.exe"
run "$second" /S >/dev/null 2>&1 && status=0 || status=$?
check "once it is closed, the later setup ends with 0" test "$status" -eq 0
check "the later setup took the earlier installation's files away and put its own" \
  installed_tree_is "$work/tree-files" "$program_files_unix"
check "uninstall entry of the installation in Program Files" entry_is "$program_files" "$program_files_unix"
check "the Start-menu entry starts the window in the user's folder" \
  shortcut_as_tree "$work/tree-files" "$program_files"
run "$program_files_unix/uninstall.exe" /S >/dev/null 2>&1 && status=0 || status=$?
check "uninstall from Program Files leaves nothing, not even the folder" \
  nothing_left "$work/tree-files" "$program_files_unix"

portable=$work/prefix/drive_c/portable
mkdir -p "$portable"
unzip -q "$zip" -d "$portable"
check "the zip unpacked elsewhere: tarvo-sync.exe --version" \
  runs_version "C:\\portable\\tarvo-synchronizer-$version\\bin\\tarvo-sync.exe"

echo "windows-setup: $passed passed, $failed failed in $((SECONDS - started)) s"
[ "$failed" -eq 0 ]
