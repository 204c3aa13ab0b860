#!/usr/bin/env bash
# Checks an installed tree as a desktop and a user meet it:
#
#   installed-tree.sh CHECK PREFIX APP_ID VERSION
#
# CHECK is one of desktop, metainfo, icons, man, completion, data, version,
# window (needs xvfb-run and xdotool).
# PREFIX is where it is installed (/usr for the Debian package); APP_ID the
# window's desktop id; VERSION the project's major.minor.build. Prints what
# failed and exits 1 on the first failed check.
set -euo pipefail

check=$1
prefix=$2
app_id=$3
version=$4
share=$prefix/share
sync_bin=$prefix/bin/tarvo-sync

fail() {
  echo "FAIL ($check): $*" >&2
  exit 1
}

# The verbs and, per verb, the options of `tarvo-sync --help-all`.
help_verbs() {
  "$sync_bin" --help-all | awk '/^Subcommands:/ {on = 1; next} on && /^[a-z]/ {print $1}'
}
help_options() {
  "$sync_bin" --help-all | awk -v verb="$1" '
    /^[a-z]/ {current = $1}
    current == verb && /^    -/ {print $1}' | tr ',' '\n' | grep '^--' | sort -u
}

# What the completion offers for the words given, the last one being the
# word under the cursor.
complete_words() {
  bash -c '
    source "$1"; shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _tarvo_sync
    printf "%s\n" "${COMPREPLY[@]}"' _ "$share/bash-completion/completions/tarvo-sync" "$@" | sort
}

# A demo layout made from the installed demo data; prints its folder.
demo_layout() {
  local demo
  demo=$(mktemp -d)
  mkdir -p "$demo/work" "$demo/handheld/fs/Program Files/Tarvo"
  cp -r "$share/tarvo/demo/dialer" "$demo/dialer"
  cp "$share/tarvo/demo/work/synconfig.ini" "$share/tarvo/demo/work/cereg.ini" "$demo/work/"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect.exe]\r\n"Path"="%s"\r\n' \
    "$demo/dialer" > "$demo/registry.reg"
  echo "$demo"
}

case $check in
  desktop)
    entry=$share/applications/$app_id.desktop
    [ -f "$entry" ] || fail "no desktop entry $entry"
    desktop-file-validate "$entry" || fail "desktop-file-validate refused $entry"
    grep -qx 'Exec=tarvo-synchronizer' "$entry" || fail "the entry does not start tarvo-synchronizer"
    grep -qx "Icon=$app_id" "$entry" || fail "the entry names another icon"
    ;;

  metainfo)
    info=$share/metainfo/$app_id.metainfo.xml
    [ -f "$info" ] || fail "no metainfo $info"
    appstreamcli validate --no-net --explain "$info" || fail "appstreamcli refused $info"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$info" ||
      fail "the metainfo launches another desktop entry"
    grep -q "<release version=\"$version\"" "$info" || fail "the metainfo's release is not $version"
    ;;

  icons)
    svg=$share/icons/hicolor/scalable/apps/$app_id.svg
    [ -f "$svg" ] || fail "no scalable icon"
    grep -q '<svg' "$svg" || fail "the scalable icon is no SVG"
    for size in 16 24 32 48 64 128 256; do
      png=$share/icons/hicolor/${size}x${size}/apps/$app_id.png
      [ -f "$png" ] || fail "no ${size}x$size icon"
      # The PNG header's width and height (bytes 16-23, big-endian).
      read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8}')
      [ "$w $h" = "$size $size" ] || fail "the ${size}x$size icon is ${w}x$h"
      # A rendered drawing, not an empty canvas: more than one colour.
      [ "$(stat -c %s "$png")" -gt 100 ] || fail "the ${size}x$size icon is nearly empty"
    done
    ;;

  man)
    errors=$(mktemp)
    trap 'rm -f "$errors"' EXIT
    for page in tarvo-sync tarvo-synchronizer; do
      file=$share/man/man1/$page.1.gz
      [ -f "$file" ] || fail "no manual page $file"
      if [ "$prefix" = /usr ]; then
        text=$(MANWIDTH=100 man --warnings -P cat "$page" 2>"$errors") || fail "man $page failed"
      else
        text=$(MANWIDTH=100 man --warnings -P cat -l "$file" 2>"$errors") || fail "man -l $file failed"
      fi
      [ ! -s "$errors" ] || fail "$page: $(cat "$errors")"
      for section in NAME DESCRIPTION ENVIRONMENT FILES "EXIT STATUS"; do
        grep -q "^$section" <<<"$text" || fail "$page has no $section section"
      done
      for word in TARVO_REGISTRY TARVO_DEVICE TARVO_COUNTRY_LIST TARVO_ANSI_CODEPAGE synconfig.ini update.log; do
        grep -q "$word" <<<"$text" || fail "$page does not mention $word"
      done
    done
    # Every verb and every option tarvo-sync takes is in its VERBS section.
    text=$(MANWIDTH=200 man -P cat -l "$share/man/man1/tarvo-sync.1.gz")
    verbs_text=$(sed -n '/^VERBS/,/^ENVIRONMENT/p' <<<"$text")
    for verb in $(help_verbs); do
      grep -Eq "^ {7}$verb( |\$)" <<<"$verbs_text" || fail "tarvo-sync(1) does not document the verb $verb"
      for option in $(help_options "$verb"); do
        grep -q -- "$option\b" <<<"$verbs_text" || fail "tarvo-sync(1) does not document $verb $option"
      done
    done
    for option in -c -u --device-password-file --help --help-all --version; do
      grep -Eq -- "^ {7}(-h, )?$option( |,|\$)" <<<"$text" || fail "tarvo-sync(1) does not document $option"
    done
    grep -q "${version%.*} \[Build ${version##*.}\]" <<<"$text" || fail "tarvo-sync(1) names another version"
    # The handheld connection manager: its program, page, system service and
    # its user and group.
    [ -x "$prefix/bin/tarvo-cehub" ] || fail "no $prefix/bin/tarvo-cehub"
    hub_page=$share/man/man1/tarvo-cehub.1.gz
    [ -f "$hub_page" ] || fail "no manual page $hub_page"
    hub_text=$(MANWIDTH=100 man --warnings -P cat -l "$hub_page" 2>"$errors") || fail "man -l $hub_page failed"
    [ ! -s "$errors" ] || fail "tarvo-cehub: $(cat "$errors")"
    grep -q -- "--listen" <<<"$hub_text" || fail "tarvo-cehub(1) does not document --listen"
    unit=$prefix/lib/systemd/system/tarvo-cehub.service
    [ -f "$unit" ] || fail "no $unit"
    grep -q '^AmbientCapabilities=CAP_NET_BIND_SERVICE$' "$unit" || fail "$unit grants more or less than CAP_NET_BIND_SERVICE"
    [ -f "$prefix/lib/sysusers.d/tarvo-cehub.conf" ] || fail "no $prefix/lib/sysusers.d/tarvo-cehub.conf"
    ;;

  completion)
    file=$share/bash-completion/completions/tarvo-sync
    [ -f "$file" ] || fail "no completion $file"
    bash -c 'source "$1" && complete -p tarvo-sync' _ "$file" | grep -q -- '-F _tarvo_sync' ||
      fail "sourcing it registers no completion for tarvo-sync"
    [ "$(complete_words tarvo-sync '')" = "$(help_verbs | sort)" ] ||
      fail "the verbs offered are not tarvo-sync's: $(complete_words tarvo-sync '' | tr '\n' ' ')"
    [ "$(complete_words tarvo-sync s | tr '\n' ' ')" = "states status sync " ] || fail "no verbs for a prefix"
    [ "$(complete_words tarvo-sync -c synconfig.ini l)" = list ] || fail "the value of -c is taken for the verb"
    for verb in $(help_verbs); do
      offered=$(complete_words tarvo-sync "$verb" -- | grep -v -x -e --help -e -h || true)
      [ "$offered" = "$(help_options "$verb")" ] ||
        fail "$verb: completion offers [$(echo $offered)], the program takes [$(echo $(help_options "$verb"))]"
    done
    [ "$(complete_words tarvo-sync list --format '' | tr '\n' ' ')" = "json table tsv " ] || fail "list --format"
    [ "$(complete_words tarvo-sync status --format j)" = json ] || fail "status --format"
    ;;

  data)
    # No TARVO_COUNTRY_LIST: the list is the one installed beside the program.
    demo=$(demo_layout)
    trap 'rm -rf "$demo"' EXIT
    cd "$demo/work"
    export TARVO_REGISTRY=$demo/registry.reg TARVO_DEVICE=$demo/handheld
    unset TARVO_COUNTRY_LIST
    status=$("$sync_bin" status) || fail "tarvo-sync status failed on the installed demo"
    grep -q '^pops_master: [1-9]' <<<"$status" || fail "no POPs loaded: $status"
    grep -qx "dialer_home: $demo/dialer" <<<"$status" || fail "another dialer: $status"
    cp dr_country.txt "$demo/rules.found"
    TARVO_COUNTRY_LIST=$share/tarvo/telephony-countries.csv "$sync_bin" status >/dev/null
    cmp -s dr_country.txt "$demo/rules.found" || fail "the rules differ from those of the installed list"
    TARVO_COUNTRY_LIST=$demo/none.csv "$sync_bin" status >/dev/null
    ! cmp -s dr_country.txt "$demo/rules.found" ||
      fail "the rules are the same without a country list: the installed one was not read"
    ;;

  version)
    [ "$("$sync_bin" --version)" = "tarvo-sync ${version%.*} [Build ${version##*.}]" ] ||
      fail "tarvo-sync --version says $("$sync_bin" --version)"
    "$sync_bin" --help | grep -q '^Usage: tarvo-sync' || fail "tarvo-sync --help shows no usage"
    ;;

  window)
    # The window opens on the installed demo, under a virtual X server: the
    # display plugin and every library it needs are there.
    demo=$(demo_layout)
    trap 'rm -rf "$demo"' EXIT
    cd "$demo/work"
    export TARVO_REGISTRY=$demo/registry.reg TARVO_DEVICE=$demo/handheld GUI_BIN=$prefix/bin/tarvo-synchronizer
    unset TARVO_COUNTRY_LIST QT_QPA_PLATFORM
    xvfb-run -a -s "-screen 0 1024x768x24" bash -euo pipefail -c '
      "$GUI_BIN" 2>"$TARVO_DEVICE/../window.err" &
      app=$!
      trap "kill $app 2>/dev/null || true" EXIT
      timeout 60 xdotool search --sync --onlyvisible --name "Dialer Sync" >/dev/null' ||
      fail "the window did not open: $(cat "$demo/window.err")"
    ;;

  *)
    echo "unknown check: $check" >&2
    exit 2
    ;;
esac
echo "ok ($check)"
