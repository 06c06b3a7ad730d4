#!/usr/bin/env python3
"""Pictures of the real gadget for the README, taken under Wine on Xvfb.

    tools/screenshots.py [OUTDIR]    (default: docs/)

Writes gadget.png (as started), gadget-hover.png (pointer on the button) and
hover.gif (one turn of the ring of lights), all at 96 DPI (100 %), then
gadget-200.png: the gadget as started at 192 DPI (200 %), beside gadget.png in
the README. Needs the built 64-bit exe and the inspector (make build, or make
test).
"""

import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

DESKTOP_COLOUR = "#3a6ea5"
MARGIN = 16
FRAMES_PER_TURN = 6
# The display scales besides 100 %: file name suffix and DPI.
SCALES = (("200", 192),)


def crop_gadget(session, gadget):
    left, top, right, bottom = gadget.window()["window_rect"]
    shot = session.screenshot()
    return shot.crop(left - MARGIN, top - MARGIN, right - left + 2 * MARGIN, bottom - top + 2 * MARGIN)


def settled(session, gadget):
    previous = [None]

    def same_twice():
        area = crop_gadget(session, gadget)
        done = previous[0] is not None and previous[0].rgb == area.rgb
        previous[0] = area
        return area if done else None

    return harness.wait_until(same_twice, timeout=15, interval=0.3, message="a settled gadget")


def main():
    out_dir = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                              os.path.join(harness.TREE_DIR, "docs"))
    os.makedirs(out_dir, exist_ok=True)
    session = harness.WineSession()
    try:
        session.start()
        session.desktop.run("xsetroot", "-solid", DESKTOP_COLOUR)
        session.set_log_pixels(harness.STANDARD_DPI)
        gadget = session.start_gadget()
        settled(session, gadget).save_png(os.path.join(out_dir, "gadget.png"))

        session.desktop.mouse_move(*gadget.to_screen(74, 57))  # the button's centre
        frames = []
        deadline = time.monotonic() + 20
        while len(frames) < 4 * FRAMES_PER_TURN and time.monotonic() < deadline:
            area = crop_gadget(session, gadget)
            if not frames or frames[-1].rgb != area.rgb:
                frames.append(area)
        if len(frames) < FRAMES_PER_TURN:
            raise harness.HarnessError("the face did not animate while hovered")
        frames[0].save_png(os.path.join(out_dir, "gadget-hover.png"))
        # Distinct pictures in the order seen: one turn of the ring.
        turn = []
        for frame in frames:
            if all(frame.rgb != kept.rgb for kept in turn):
                turn.append(frame)
        with tempfile.TemporaryDirectory() as tmp:
            names = []
            for i, frame in enumerate(turn[:FRAMES_PER_TURN]):
                names.append(os.path.join(tmp, f"frame{i}.png"))
                frame.save_png(names[-1])
            subprocess.run(["convert", "-delay", "5", "-loop", "0", *names,
                            os.path.join(out_dir, "hover.gif")], check=True)
        # Wine reads the DPI when a program starts: one gadget per scale.
        try:
            for suffix, dpi in SCALES:
                session.set_log_pixels(dpi)
                gadget = session.fresh_gadget()
                settled(session, gadget).save_png(os.path.join(out_dir, f"gadget-{suffix}.png"))
        finally:
            session.set_log_pixels(harness.STANDARD_DPI)
        print(f"wrote gadget.png, gadget-hover.png, hover.gif and gadget-200.png to {out_dir}")
    finally:
        session.close()


if __name__ == "__main__":
    main()
