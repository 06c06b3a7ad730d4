#!/usr/bin/env bash
# Runs the end-to-end modules of both exes side by side, each module in a Wine
# prefix and on an X display of its own, and ends with one line saying how
# each build went.
#
#   scripts/e2e.sh [CTEST OPTIONS]      e.g. -R settings_dialog, or -L x86
#
# E2E_JOBS sets how many modules run at once (default 6: on a 2-core machine
# the modules mostly wait for Wine and X; 6 keeps both cores about half busy
# and ran the suite in 118 s, 4 in 170 s, each module passing as it does alone).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${E2E_JOBS:-6}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

cd "$root"
ctest --preset win64 -j "$jobs" "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}

# CTest lists the failed tests after "The following tests FAILED:", one a line:
# "<tab> 12 - e2e_x86_soak (Failed)". A module of the x86 exe is named e2e_x86_*;
# the rest run the x64 exe or read the files of both.
failed=$(sed -n '/The following tests FAILED:/,$p' "$log" | grep -oE ' - e2e_[A-Za-z0-9_]+' | sed 's/^ - //')
x64=passed
x86=passed
for name in $failed; do
  case $name in
    e2e_x86_*) x86=FAILED ;;
    *) x64=FAILED ;;
  esac
done
if [ "$status" -ne 0 ] && [ -z "$failed" ]; then x64=FAILED x86=FAILED; fi
echo "== end-to-end: x64 $x64, x86 $x86 =="
exit "$status"
