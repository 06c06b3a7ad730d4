#!/usr/bin/env bash
# Makes a Wine prefix for the gadget, once: a prefix that runs both the
# 64-bit and the 32-bit exe (made after the 32-bit loader is installed, or it
# lacks the 32-bit system files); Wine draws window frames itself (no window
# manager runs under Xvfb), and the relay trace, when switched on with
# WINEDEBUG=+relay, shows only the calls the tests look at.
#
# Every prefix is a copy of one template, build/wine-template, which wineboot
# makes the first time (about 15 s) and nothing ever runs in: copying it
# takes about 3 s, so each parallel test slot can have a prefix of its own.
# Safe to call again and from several processes: locks keep two
# initialisations of one prefix apart, and a stamp file makes later calls
# return at once.
#
#   scripts/wine-prefix.sh [PREFIX]     (default: build/wine in the source tree)
#
# Prints the prefix's absolute path on stdout.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=${1:-$root/build/wine}
template=$root/build/wine-template
mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")

wine=/usr/lib/wine/wine64
for loader in "$wine" /usr/lib/wine/wine; do
  [ -x "$loader" ] || { echo "wine-prefix: $loader is missing; run scripts/bootstrap.sh" >&2; exit 1; }
done

# Bump when the settings below change, so existing prefixes pick them up.
stamp_version=3
# A prefix made while only the 64-bit loader was installed has no 32-bit
# system files, and wineboot does not add them later: such a one is not ready.
ready() {
  [ -f "$1/.exitbutton-prefix" ] && [ "$(cat "$1/.exitbutton-prefix")" = "$stamp_version" ] &&
    [ -f "$1/drive_c/windows/syswow64/kernel32.dll" ]
}
if ready "$prefix"; then echo "$prefix"; exit 0; fi

make_template() {
  exec 9>"$template.lock"
  flock 9
  if ready "$template"; then exec 9>&-; return; fi
  export WINEPREFIX=$template WINEDEBUG=-all
  # No Mono or Gecko installer prompts: nothing here needs them, and they would
  # try to download.
  export WINEDLLOVERRIDES="mscoree=;mshtml="
  # Never the user's display: prefix creation needs none.
  unset DISPLAY WAYLAND_DISPLAY
  rm -rf "$template"
  mkdir -p "$template"
  echo "wine-prefix: creating $template (takes a few seconds, once)" >&2
  "$wine" wineboot -i 9>&- >/dev/null 2>&1
  local regfile
  regfile=$(mktemp --suffix=.reg)
  cat >"$regfile" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"

[HKEY_CURRENT_USER\Software\Wine\Debug]
"RelayInclude"="user32.ExitWindowsEx"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"UserPreferencesMask"=hex:10,00,02,80,12,00,00,00
REG
  "$wine" reg import "Z:${regfile//\//\\}" 9>&- >/dev/null 2>&1
  rm -f "$regfile"
  # The server writes the registry to disk and exits: a copy taken from now on
  # is whole.
  /usr/lib/wine/wineserver -w 9>&-
  echo "$stamp_version" >"$template/.exitbutton-prefix"
  exec 9>&-
}

[ "$prefix" = "$template" ] || make_template

exec 8>"$prefix.lock"
flock 8
if ready "$prefix"; then echo "$prefix"; exit 0; fi
if [ "$prefix" = "$template" ]; then
  make_template
else
  # A prefix left half made, or made for other settings, is made anew; no
  # program of it may still run (the caller holds its session lock).
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 8>&- >/dev/null 2>&1 || true
  rm -rf "$prefix" "$prefix.copying"
  cp -a "$template" "$prefix.copying"
  mv "$prefix.copying" "$prefix"
fi
echo "$prefix"
