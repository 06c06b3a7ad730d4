#!/usr/bin/env bash
# Runs the 64-bit gadget under Wine in the project's prefix (build/wine).
#
# With $DISPLAY set it shows the gadget there and returns when the gadget
# ends. Without one it starts a private Xvfb, runs the gadget on it, writes a
# screenshot to build/screenshot.png and keeps the gadget running until Ctrl-C.
# Either way it stops what it started, and only that.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe=$root/build/win64/exitbutton.exe
shot=$root/build/screenshot.png
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

[ -f "$exe" ] || { echo "run: $exe is not built; run 'make build'" >&2; exit 1; }
prefix=$("$root/scripts/wine-prefix.sh")
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
unset WAYLAND_DISPLAY

# One session at a time in the prefix: the end-to-end tests take the same lock.
# Programs started below get `8>&-` so that they do not inherit it.
exec 8>"$prefix.session.lock"
flock -w 300 8 || { echo "run: $prefix is in use (by the tests?); try again later" >&2; exit 1; }

gadget=
xvfb=
tmp=
cleanup() {
  trap - EXIT INT TERM
  if [ -n "$gadget" ]; then kill "$gadget" 2>/dev/null || true; wait "$gadget" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then
    # Only the headless run owns the prefix's processes outright.
    "$wineserver" -k 8>&- 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  [ -z "$tmp" ] || rm -rf "$tmp"
}
trap cleanup EXIT
trap 'echo; echo "run: stopping"; exit 0' INT TERM

if [ -n "${DISPLAY:-}" ]; then
  echo "run: showing the gadget on display $DISPLAY; its upper knob closes it (or press Ctrl-C)"
  "$wine" "$exe" 8>&- &
  gadget=$!
  wait "$gadget" || true
  gadget=
  exit 0
fi

tmp=$(mktemp -d)
# Its own session: Ctrl-C reaches the gadget, and the display stays up until
# the clean-up has stopped Wine.
setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp 3>"$tmp/display" 8>&- >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 300); do
  grep -q . "$tmp/display" 2>/dev/null && break
  kill -0 "$xvfb" 2>/dev/null || { echo "run: Xvfb failed to start" >&2; exit 1; }
  sleep 0.1
done
grep -q . "$tmp/display" || { echo "run: Xvfb did not report its display" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$tmp/display")
xset s off
xsetroot -solid '#3a6ea5'
# Keep the pointer off the gadget so the picture shows it at rest.
xdotool mousemove 0 0

"$wine" "$exe" 8>&- &
gadget=$!
shown=
for _ in $(seq 300); do
  kill -0 "$gadget" 2>/dev/null || { echo "run: the gadget exited before it showed a window" >&2; gadget=; exit 1; }
  if xdotool search --onlyvisible --name '^Form1$' >/dev/null 2>&1; then shown=1; break; fi
  sleep 0.1
done
[ -n "$shown" ] || { echo "run: the gadget's window did not appear" >&2; exit 1; }
sleep 1  # let it paint
import -window root "$shot"
echo "run: screenshot written to $shot"
echo "run: the gadget runs on the private display $DISPLAY; press Ctrl-C to stop it"
wait "$gadget" || true
gadget=
