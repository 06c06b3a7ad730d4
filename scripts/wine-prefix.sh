#!/usr/bin/env bash
# Creates the project's Wine prefix once and prepares it for the gadget: a
# prefix that runs both the 64-bit and the 32-bit exe (it must be made after
# the 32-bit loader is installed, or it lacks the 32-bit system files);
# Wine draws window frames itself (no window manager runs under Xvfb), and the
# relay trace, when switched on with WINEDEBUG=+relay, shows only the calls the
# tests look at. Safe to call again and from several processes: a lock keeps
# two initialisations apart and a stamp file makes later calls return at once.
#
#   scripts/wine-prefix.sh [PREFIX]     (default: build/wine in the source tree)
#
# Prints the prefix's absolute path on stdout.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=${1:-$root/build/wine}
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)

wine=/usr/lib/wine/wine64
for loader in "$wine" /usr/lib/wine/wine; do
  [ -x "$loader" ] || { echo "wine-prefix: $loader is missing; run scripts/bootstrap.sh" >&2; exit 1; }
done

# Bump when the settings below change, so existing prefixes pick them up.
stamp_version=2
stamp=$prefix/.exitbutton-prefix
ready() { [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_version" ]; }
if ready; then echo "$prefix"; exit 0; fi

exec 9>"$prefix.lock"
flock 9
if ready; then echo "$prefix"; exit 0; fi


export WINEPREFIX=$prefix WINEDEBUG=-all
# No Mono or Gecko installer prompts: nothing here needs them, and they would
# try to download.
export WINEDLLOVERRIDES="mscoree=;mshtml="
# Never the user's display: prefix creation needs none.
unset DISPLAY WAYLAND_DISPLAY

# A prefix made while only the 64-bit loader was installed has no 32-bit
# system files, and wineboot does not add them later: make it anew.
if [ -f "$prefix/system.reg" ] && [ ! -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; then
  echo "wine-prefix: $prefix cannot run 32-bit programs; making it anew" >&2
  /usr/lib/wine/wineserver -k 9>&- >/dev/null 2>&1 || true
  find "$prefix" -mindepth 1 -delete
fi

echo "wine-prefix: creating $prefix (takes a few seconds, once)" >&2
"$wine" wineboot -i 9>&- >/dev/null 2>&1
regfile=$(mktemp --suffix=.reg)
trap 'rm -f "$regfile"' EXIT
cat >"$regfile" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"

[HKEY_CURRENT_USER\Software\Wine\Debug]
"RelayInclude"="user32.ExitWindowsEx"
EOF
"$wine" reg import "Z:${regfile//\//\\}" 9>&- >/dev/null 2>&1
# Let the server write the registry to disk before anyone else starts.
/usr/lib/wine/wineserver -w 9>&-
echo "$stamp_version" >"$stamp"
echo "$prefix"
