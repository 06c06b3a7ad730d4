#!/usr/bin/env python3
"""Long runs of the real gadget under Wine: does it leak, hang, crash or
drift out of step with itself?

    python3 tests/e2e/soak.py [--build x64|x86] [--quick | --scale F] [--seed N] [--phases a,b,...]

--build chooses the exe: x64 (build/win64, the default) or x86 (build/win32,
run under the 32-bit Wine loader).

Four phases, each measured before and after (the gadget's process: VmRSS and
VmData from /proc, its kernel handles, its windows, and the GDI/USER counts
that Wine reports as 0) and watched throughout (the process is alive, no
window of it shows that should not, the gadget answers WM_NULL within a
second, the dialog's caption, scroll position and the gadget's alpha agree):

  animation  N posted WM_TIMER ticks (full 100,000); the face must show the
             frame the tick count calls for.
  hover      N pointer moves onto the round button and off it again, in turn
             onto the face and straight off the window (full 10,000); the
             button's picture and the animation follow: the hover ends
             whichever way the pointer leaves the button.
  dialog     N settings cycles (full 1,000): open by the lower knob, click the
             scroll bar's arrows, pick an option, close in turn with
             "Закрыть", Esc and the close box.
  storm      random input for a duration (full 60 s) from a seed printed in
             the log: moves, clicks and drags of all three buttons, the wheel,
             and keys sent to the dialog only. Afterwards, with the pointer
             moved straight off the window, the hover has ended.

Each phase is a module of its own (soak_animation, soak_hover, soak_dialog,
soak_storm); soak_driver drives and reads the gadget, soak_report holds the
goals and prints the table. The settings dialog's window may not exist until
its first opening: the phases open it when they need it.

Nothing here ever presses the round button: every press point keeps clear of
its circle (plus a margin) by geometry and by asking the system which window
is under it, and keys go only to the dialog while it holds the focus.

Ticks are posted by soak_helper.exe (tests/e2e/soak_helper.cpp, built with
the inspector; EXITBUTTON_SOAK_HELPER names it): one inspector run per
message, about 0.06 s, would take 1.5 h for the full phase. The helper also
reads the process's kernel handle count.

Exit status 0 when every phase meets its goals: kernel handles and windows
back within 2 of the start figure, VmRSS and VmData grown by less than
256 KB (measured after a warm-up of the same activity, so that first-use
costs are not counted), no crash, no hang, consistent state. --quick runs
1,000 ticks, 100 moves, 10 cycles and a 10 s storm.

Under Wine without a window manager, showing or hiding the dialog keeps the
gadget's thread in the X driver for about 2 s (it waits for a manager that
never answers). A WM_NULL sample that falls into such a wait is retried with
5 s and counted as a late answer, not a hang, when the dialog did show or
hide just before; the table's notes give the count.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import soak_animation  # noqa: E402
import soak_dialog  # noqa: E402
import soak_hover  # noqa: E402
import soak_storm  # noqa: E402
from soak_driver import DEFAULT_SEED, SoakDriver, log_line  # noqa: E402
from soak_report import PhaseResult, format_table  # noqa: E402

PHASE_RUNS = {"animation": soak_animation.run, "hover": soak_hover.run, "dialog": soak_dialog.run,
              "storm": soak_storm.run}
PHASES = tuple(PHASE_RUNS)
FULL = {"animation": 100_000, "hover": 10_000, "dialog": 1_000, "storm": 60.0}
QUICK = {"animation": 1_000, "hover": 100, "dialog": 10, "storm": 10.0}


# ---- Entry points ------------------------------------------------------------------

def sizes_for(quick=False, scale=1.0):
    if quick:
        return dict(QUICK)
    sizes = {k: (v * scale if k == "storm" else max(1, int(round(v * scale)))) for k, v in FULL.items()}
    sizes["storm"] = max(soak_storm.MIN_STORM_SECONDS, sizes["storm"])
    return sizes


def run(session, sizes, seed=DEFAULT_SEED, phases=PHASES, log=log_line, gadget=None):
    """Starts a gadget (unless given one) and runs the phases on it; returns
    their PhaseResults."""
    gadget = gadget or session.start_gadget()
    driver = SoakDriver(session, gadget, seed=seed, log=log)
    try:
        driver.prepare()
    except Exception as error:
        results = [PhaseResult(name, sizes[name]) for name in phases]
        for result in results:
            result.faults.append(f"not run: preparing the gadget failed with {type(error).__name__}: {error}")
        return results
    return [driver.run_phase(name, sizes[name], PHASE_RUNS[name]) for name in phases]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--quick", action="store_true", help="about 1/100 of the full size (the storm 10 s)")
    parser.add_argument("--scale", type=float, default=1.0, help="size factor for every phase (default 1)")
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED, help=f"random seed (default {DEFAULT_SEED})")
    parser.add_argument("--phases", default=",".join(PHASES), help="comma-separated phases to run")
    parser.add_argument("--build", choices=sorted(harness.BUILD_TREES), default=harness.BUILD,
                        help=f"which exe to soak (default {harness.BUILD})")
    args = parser.parse_args(argv)
    phases = [p for p in args.phases.split(",") if p]
    unknown = [p for p in phases if p not in PHASES]
    if unknown:
        parser.error(f"unknown phases {unknown}; choose from {', '.join(PHASES)}")
    sizes = sizes_for(args.quick, args.scale)
    exe = harness.exe_of(args.build)
    log_line(f"soak: {args.build} exe {exe}, seed {args.seed}, sizes "
             + ", ".join(f"{p} {sizes[p]:g}" for p in phases))
    session = harness.WineSession(exe=exe, build=args.build)
    try:
        session.start()
        results = run(session, sizes, seed=args.seed, phases=phases)
    finally:
        session.close()
    print(format_table(results, seed=args.seed + 3))
    return 0 if all(r.passed() for r in results) else 1


if __name__ == "__main__":
    sys.exit(main())
