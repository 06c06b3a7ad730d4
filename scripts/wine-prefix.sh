#!/usr/bin/env bash
# Creates the project's 64-bit Wine prefix once and prepares it for the gadget:
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
[ -x "$wine" ] || { echo "wine-prefix: $wine is missing; run scripts/bootstrap.sh" >&2; exit 1; }

# Bump when the settings below change, so existing prefixes pick them up.
stamp_version=1
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
