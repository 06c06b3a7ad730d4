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
  hover      N pointer moves, in turn over the round button and over the face
             (full 10,000); the button's picture and the animation follow.
  dialog     N settings cycles (full 1,000): open by the lower knob, click the
             scroll bar's arrows, pick an option, close in turn with
             "Закрыть", Esc and the close box.
  storm      random input for a duration (full 60 s) from a seed printed in
             the log: moves, clicks and drags of all three buttons, the wheel,
             and keys sent to the dialog only.

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
import math
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

# ---- Goals and sizes -----------------------------------------------------------

MEMORY_GROWTH_LIMIT_KB = 256
OBJECT_SLACK = 2
DEFAULT_SEED = 20040601
PHASES = ("animation", "hover", "dialog", "storm")
FULL = {"animation": 100_000, "hover": 10_000, "dialog": 1_000, "storm": 60.0}
QUICK = {"animation": 1_000, "hover": 100, "dialog": 10, "storm": 10.0}
MIN_STORM_SECONDS = 3.0
UNITS = {"animation": "ticks", "hover": "moves", "dialog": "cycles", "storm": "s"}

# ---- Messages ------------------------------------------------------------------

WM_NULL = harness.WM_NULL

# ---- Pressing the gadget ----------------------------------------------------------

PRESS_MARGIN = 12                        # no press comes closer to the round button's circle than this
KNOB_MARGIN = 4

# ---- The dialog ------------------------------------------------------------------

OPACITY_WORD = "Прозрачность"
SETTINGS_TITLE = "Настройки"
SCROLL_MIN, SCROLL_MAX = 50, 255
LINK_BUTTON_ID = 101
CLOSE_BUTTON_ID = 2          # "Закрыть", IDCANCEL
OPTION_IDS = tuple(range(110, 115))
OPACITY_FRAME_ID = 120
OPACITY_BAR_ID = 121
BST_CHECKED = 1
ARROW_INSET = 7          # from a scroll bar's end to the middle of its arrow

SETTLE = 0.15


def caption_for(position):
    return f"{OPACITY_WORD} {position}"


def log_line(text):
    sys.stderr.write(time.strftime("%H:%M:%S ") + text + "\n")
    sys.stderr.flush()


class PhaseAbort(Exception):
    """The gadget is gone or a phase cannot go on."""


def unix_memory(pid):
    """VmRSS and VmData of a Unix process (and VmRSS's anonymous and file parts), in kB."""
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in ("VmRSS", "VmData", "RssAnon", "RssFile"):
                values[key] = int(rest.split()[0])
    return {"rss": values.get("VmRSS"), "data": values.get("VmData"),
            "rss_anon": values.get("RssAnon"), "rss_file": values.get("RssFile")}


def gadget_unix_pid(gadget):
    """The Unix process that runs the gadget's exe (the wine loader execs into it)."""
    pid = gadget.process.pid
    with open(f"/proc/{pid}/cmdline", "rb") as f:
        name = f.read().split(b"\0")[0].decode(errors="replace")
    if not name.lower().endswith("exitbutton.exe"):
        raise harness.HarnessError(f"process {pid} runs {name!r}, not the gadget")
    return pid


def face_grips():
    """Face pixels that are safe to press with any button and drag by: on the
    face (non-black in face.bmp), clear of the circle and of both knobs."""
    face = harness.read_bmp(os.path.join(harness.ART_DIR, "face.bmp"))
    grips = []
    for (x, y) in sorted(face.points(lambda p: p != (0, 0, 0))):
        if x % 3 or y % 3:
            continue
        if clear_of_circle(x, y) and not near(harness.EXIT_KNOB_RECT, x, y, KNOB_MARGIN) \
                and not near(harness.SETTINGS_KNOB_RECT, x, y, KNOB_MARGIN):
            grips.append((x, y))
    return grips


def clear_of_circle(x, y):
    return math.hypot(x - harness.CIRCLE_CENTRE[0], y - harness.CIRCLE_CENTRE[1]) > harness.CIRCLE_RADIUS + PRESS_MARGIN


def near(rect, x, y, margin):
    left, top, right, bottom = rect
    return left - margin <= x < right + margin and top - margin <= y < bottom + margin


# ---- What a phase found -------------------------------------------------------------

class PhaseResult:
    def __init__(self, name, size):
        self.name = name
        self.size = size
        self.duration = 0.0
        self.objects_before = None
        self.objects_after = None
        self.memory_before = None
        self.memory_after = None
        self.faults = []
        self.notes = []
        self.samples = 0

    def misses(self):
        """Every goal this phase missed, as sentences."""
        found = list(self.faults)
        if self.memory_before is None or self.memory_after is None:
            if not self.faults:
                found.append("no memory figures were taken")
            return found
        for key, label in (("rss", "VmRSS"), ("data", "VmData")):
            growth = self.memory_after[key] - self.memory_before[key]
            if growth >= MEMORY_GROWTH_LIMIT_KB:
                found.append(f"{label} grew by {growth} kB (limit {MEMORY_GROWTH_LIMIT_KB} kB)")
        for key in ("windows", "handles", "gdi", "user"):
            before, after = self.objects_before.get(key), self.objects_after.get(key)
            if before is None or after is None or (key in ("gdi", "user") and before == 0 and after == 0):
                continue  # not measurable here
            if abs(after - before) > OBJECT_SLACK:
                found.append(f"{key} went from {before} to {after} (slack {OBJECT_SLACK})")
        return found

    def passed(self):
        return not self.misses()


def _objects_text(before, after, key):
    if before is None or after is None:
        return "-"
    b, a = before.get(key), after.get(key)
    if b is None or a is None:
        return "n/a"
    if key in ("gdi", "user") and b == 0 and a == 0:
        return "0→0 n/a"
    return f"{b}→{a}"


def _memory_text(before, after, key):
    if before is None or after is None:
        return "-"
    b, a = before[key], after[key]
    return f"{b}→{a} ({a - b:+d})"


def format_table(results, seed=None):
    headers = ["phase", "size", "duration", "windows", "handles", "GDI", "USER",
               "VmRSS kB", "VmData kB", "verdict"]
    rows = []
    for r in results:
        size = f"{r.size:g} {UNITS.get(r.name, '')}".strip()
        rows.append([r.name, size, f"{r.duration:.1f} s",
                     _objects_text(r.objects_before, r.objects_after, "windows"),
                     _objects_text(r.objects_before, r.objects_after, "handles"),
                     _objects_text(r.objects_before, r.objects_after, "gdi"),
                     _objects_text(r.objects_before, r.objects_after, "user"),
                     _memory_text(r.memory_before, r.memory_after, "rss"),
                     _memory_text(r.memory_before, r.memory_after, "data"),
                     "PASS" if r.passed() else "FAIL"])
    widths = [max(len(str(row[i])) for row in rows + [headers]) for i in range(len(headers))]
    lines = ["  ".join(str(cell).ljust(widths[i]) for i, cell in enumerate(row)) for row in [headers] + rows]
    lines.insert(1, "  ".join("-" * w for w in widths))
    notes = []
    if seed is not None:
        notes.append(f"storm seed: {seed}")
    notes.append("GDI/USER: GetGuiResources reads 0 under Wine (not available); handles: kernel "
                 "handles of the process; windows: its top-level windows and their children.")
    for r in results:
        for n in r.notes:
            notes.append(f"{r.name}: {n}")
        for m in r.misses():
            notes.append(f"{r.name}: MISS: {m}")
    return "\n".join(lines + [""] + notes)


# ---- The soak ---------------------------------------------------------------------

class Model:
    """What our own inputs have made of the settings: the option and the opacity."""

    def __init__(self, action=None, opacity=None):
        self.action = action
        self.opacity = opacity

    def __repr__(self):
        return f"Model(action={self.action}, opacity={self.opacity})"


class DialogView:
    """One reading of the settings window."""

    def __init__(self, window, children):
        self.hwnd = window["hwnd"]
        self.window = window
        self.visible = window["visible"]
        self.foreground = window["foreground"]
        self.controls = {c["id"]: c for c in children if c["parent"] == self.hwnd}
        focused = [c["id"] for c in children if c["focused"]]
        self.focus = focused[0] if focused else None
        scroll = (self.controls.get(OPACITY_BAR_ID) or {}).get("scroll") or {}
        self.position = scroll.get("pos")
        self.caption = (self.controls.get(OPACITY_FRAME_ID) or {}).get("title")
        self.checks = [(self.controls.get(i) or {}).get("check") for i in OPTION_IDS]

    def checked(self):
        return [i for i, c in enumerate(self.checks) if c == BST_CHECKED]

    def rect(self, control_id):
        return self.controls[control_id]["screen_rect"]


class Soak:
    """Drives one running gadget through the phases and judges each one."""

    def __init__(self, session, gadget, seed=DEFAULT_SEED, log=log_line):
        self.session = session
        self.desktop = session.desktop
        self.gadget = gadget
        self.seed = seed
        self.log = log
        self.unix_pid = gadget_unix_pid(gadget)
        exe = harness.build_helper()
        self.helper = harness.Helper(session, exe) if exe else None
        self.grips = face_grips()
        self.model = Model()
        self.result = None
        self.pressed = set()
        self.dead = False
        self.tool_retries = 0
        self.slowest_after_close = 0.0
        self.answer_state = None
        self.excused = 0
        self.last_excused = 0.0
        self.slowest_excused = 0.0

    # -- bookkeeping

    def fault(self, text):
        if self.result is not None:
            self.result.faults.append(text)
        self.log("FAULT: " + text)

    def note(self, text):
        if self.result is not None:
            self.result.notes.append(text)
        self.log("note: " + text)

    # -- reading the gadget

    def inspect(self, *args, check=False):
        """The harness's inspector run, with each repeat of a run that Wine
        failed to start written to the log and counted for the table's notes."""
        def retried(args, status, problem):
            self.tool_retries += 1
            self.log(f"  the inspector {args[:1]!r} printed nothing (status {status}; stderr "
                     f"{problem[-300:]!r}); trying again")

        return self.session.inspector(*args, check=check, on_retry=retried)

    def windows(self):
        return self.inspect("windows", self.gadget.pid, check=True)

    def gadget_window(self):
        w = next((w for w in self.windows() if w["hwnd"] == self.gadget.hwnd), None)
        if w is None:
            self.check_alive()
            raise PhaseAbort("the gadget's window is gone")
        return w

    def settings_window(self, windows=None):
        found = [w for w in (windows if windows is not None else self.windows())
                 if w["class"] == harness.SETTINGS_CLASS]
        if len(found) > 1:
            self.fault(f"{len(found)} settings windows exist at once")
        return found[0] if found else None

    def dialog(self, windows=None):
        """The settings window as it is now, or None when it is not loaded."""
        for _ in range(3):
            window = self.settings_window(windows)
            if window is None:
                return None
            children = self.inspect("children", window["hwnd"], check=False)
            if isinstance(children, list):
                return DialogView(window, children)
            windows = None  # destroyed while we looked: look again
        return None

    def screen(self, x, y, window=None):
        left, top = (window or self.gadget_window())["window_rect"][:2]
        return left + x, top + y

    def memory(self):
        return unix_memory(self.unix_pid)

    def objects(self):
        windows = self.windows()
        count = len(windows)
        for w in windows:
            children = self.inspect("children", w["hwnd"], check=False)
            if isinstance(children, list):
                count += len(children)
        process = self.inspect("process", self.gadget.pid, check=False)
        handles = self.helper("handles", self.gadget.pid).get("handles") if self.helper else None
        return {"windows": count, "handles": handles,
                "gdi": process.get("gdi_objects"), "user": process.get("user_objects")}

    def measure(self):
        time.sleep(0.5)
        return self.objects(), self.memory()

    # -- checks

    def check_alive(self):
        if not self.gadget.running():
            self.dead = True
            self.fault(f"the gadget's process ended (exit status {self.gadget.process.returncode})")
            raise PhaseAbort("the gadget is gone")

    def dialog_key(self):
        window = self.settings_window()
        return (window["hwnd"], window["visible"]) if window else None

    def check_answers(self):
        """The gadget answers WM_NULL within 1 s. Under Wine without a window
        manager, showing or hiding the dialog keeps the gadget's thread in the
        X driver for about 2 s (it waits for a manager to confirm): a late
        answer is excused only when the dialog did show or hide since the last
        sample (or the previous sample was excused less than 3 s ago), and only
        if it comes within 5 s."""
        if self.result is not None:
            self.result.samples += 1
        answer = self.inspect("send-timeout", self.gadget.hwnd, WM_NULL, 0, 0, 1000, check=False)
        if answer.get("answered"):
            self.answer_state = self.dialog_key()
            return
        self.check_alive()
        started = time.monotonic()
        second = self.inspect("send-timeout", self.gadget.hwnd, WM_NULL, 0, 0, 5000, check=False)
        now = time.monotonic()
        latency = 1.0 + now - started
        state = self.dialog_key()
        changed = state != self.answer_state or now - self.last_excused < 3.0
        self.answer_state = state
        if second.get("answered") and changed:
            self.excused += 1
            self.last_excused = now
            self.slowest_excused = max(self.slowest_excused, latency)
            self.log(f"  late answer ({latency:.1f} s) right after the dialog showed or hid: Wine's wait")
        elif second.get("answered"):
            self.fault(f"the gadget answered WM_NULL only after {latency:.1f} s, with no dialog change to explain it")
        else:
            self.check_alive()
            self.fault(f"the gadget did not answer WM_NULL within 6 s: {second}")

    def check_windows(self, dialog_expected):
        """Only the gadget, the dialog when it should show, and tool tips are visible.
        dialog_expected: True, False or None (either)."""
        windows = self.windows()
        if not any(w["hwnd"] == self.gadget.hwnd and w["visible"] for w in windows):
            self.check_alive()
            self.fault("the gadget's window is not visible")
        dialog_shown = False
        for w in windows:
            if not w["visible"] or w["hwnd"] == self.gadget.hwnd or w["class"].lower() == harness.TOOL_TIPS_CLASS:
                continue
            if w["class"] == harness.SETTINGS_CLASS:
                dialog_shown = True
                if dialog_expected is False:
                    self.fault("the settings dialog shows when it should be closed")
                continue
            self.fault(f"an unexpected window shows: class {w['class']!r}, title {w['title']!r}")
        if dialog_expected and not dialog_shown:
            self.fault("the settings dialog does not show when it should")
        return windows

    def check_all(self, dialog_expected):
        self.check_alive()
        self.check_answers()
        self.check_windows(dialog_expected)

    def problems(self, compare_model=True):
        """Where the visible state disagrees with itself or with the model."""
        windows = self.windows()
        gadget = next((w for w in windows if w["hwnd"] == self.gadget.hwnd), None)
        if gadget is None:
            self.check_alive()
            return ["the gadget's window is gone"], None
        layered = bool(gadget["exstyle"] & harness.WS_EX_LAYERED)
        alpha = gadget["layered"]["alpha"] if gadget["layered"] else None
        view = self.dialog(windows)
        found = []
        if view is not None:
            position, caption = view.position, view.caption
            if position is None or not SCROLL_MIN <= position <= SCROLL_MAX:
                found.append(f"scroll position {position} is outside {SCROLL_MIN}..{SCROLL_MAX}")
            if caption != caption_for(position):
                found.append(f"the opacity frame reads {caption!r} while the scroll bar stands at {position}")
            if layered and alpha != position:
                found.append(f"the gadget's alpha is {alpha} while the scroll bar stands at {position}")
            if position is not None and position < SCROLL_MAX and not layered:
                found.append(f"the scroll bar stands at {position} but the gadget is not layered")
            checked = view.checked()
            if len(checked) != 1:
                found.append(f"options checked: {checked} (expected exactly one)")
            if compare_model and self.model.action is not None and checked != [self.model.action]:
                found.append(f"option {checked} is checked, our inputs chose {self.model.action}")
            if compare_model and self.model.opacity is not None and position != self.model.opacity:
                found.append(f"the scroll bar stands at {position}, our inputs set {self.model.opacity}")
        elif compare_model and self.model.opacity is not None:
            if layered and alpha != self.model.opacity:
                found.append(f"the gadget's alpha is {alpha}, our inputs set {self.model.opacity}")
            if self.model.opacity < SCROLL_MAX and not layered:
                found.append(f"our inputs set opacity {self.model.opacity} but the gadget is not layered")
        return found, view

    def check_consistent(self, compare_model=True, timeout=10.0):
        """Waits until the state agrees; records a fault if it never does. Returns the last view."""
        last = [[], None]

        def agrees():
            last[0], last[1] = self.problems(compare_model)
            return not last[0]

        try:
            harness.wait_until(agrees, timeout=timeout, interval=0.1, message="a consistent state")
        except AssertionError:
            self.fault("inconsistent state: " + "; ".join(last[0]))
        return last[1]

    def adopt(self, view):
        """Takes what the dialog shows as what our inputs did (for inputs whose
        effect we do not predict), after checking it agrees with itself."""
        if view is None:
            return
        checked = view.checked()
        if len(checked) == 1:
            self.model.action = checked[0]
        if view.position is not None:
            self.model.opacity = view.position

    # -- the pointer

    def safe_press_point(self, x, y, button):
        """True when a press of `button` at screen (x, y) cannot reach the round
        button (or, for the left button, the exit knob)."""
        gadget = self.gadget_window()
        left, top = gadget["window_rect"][:2]
        gx, gy = x - left, y - top
        if not clear_of_circle(gx, gy):
            return False
        if button == 1 and near(harness.EXIT_KNOB_RECT, gx, gy, KNOB_MARGIN):
            return False
        under = self.inspect("at", x, y, check=False)
        return under.get("class") != harness.ROUND_BUTTON_CLASS

    def press(self, x, y, button):
        if not self.safe_press_point(x, y, button):
            return False
        self.desktop.mouse_move(x, y)
        self.desktop.mouse_down(button)
        self.pressed.add(button)
        return True

    def release(self, button):
        self.desktop.mouse_up(button)
        self.pressed.discard(button)

    def release_all(self):
        for button in sorted(self.pressed):
            self.release(button)

    def click(self, x, y, button=1):
        if not self.press(x, y, button):
            return False
        self.release(button)
        return True

    def park_pointer(self):
        """Passes over the face (which stops the animation) and rests away from everything."""
        self.desktop.mouse_move(*self.screen(*harness.FACE_SPOT))
        time.sleep(0.1)
        self.desktop.mouse_move(*harness.POINTER_PARK)

    def settle_gadget(self, timeout=10.0):
        return harness.wait_until_steady(lambda: self.gadget_window()["window_rect"], timeout=timeout,
                                         interval=SETTLE, message="the gadget to stand still")

    def drag_gadget(self, grip, target_left, target_top, button=1, steps=4):
        """Drags the gadget by a face point so that its top-left goes to the target."""
        left, top = self.gadget_window()["window_rect"][:2]
        x, y = left + grip[0], top + grip[1]
        if not self.press(x, y, button):
            return False
        time.sleep(0.1)  # the gadget reads the pointer's start when it handles the press
        dx, dy = target_left - left, target_top - top
        for i in range(1, steps + 1):
            self.desktop.mouse_move(x + dx * i // steps, y + dy * i // steps)
            time.sleep(0.02)
        self.release(button)
        self.settle_gadget()
        return True

    def place_gadget(self, left, top):
        for _ in range(6):
            rect = self.settle_gadget()
            if abs(rect[0] - left) <= 3 and abs(rect[1] - top) <= 3:
                return
            self.drag_gadget(harness.FACE_SPOT, left, top)
        raise PhaseAbort(f"could not move the gadget to ({left}, {top}); it is at {self.gadget_window()['window_rect']}")

    # -- pictures

    def shot(self, rect):
        left, top, right, bottom = rect
        data = self.desktop.run("import", "-window", "root", "-crop",
                                f"{right - left}x{bottom - top}+{left}+{top}", "-depth", "8", "ppm:-")
        return harness.parse_ppm(data).rgb

    def gadget_shot(self):
        return self.shot(self.gadget_window()["window_rect"])

    def button_shot(self):
        left, top = self.gadget_window()["window_rect"][:2]
        l, t, r, b = harness.BUTTON_INNER
        return self.shot((left + l, top + t, left + r, top + b))

    def steady_shot(self, take, timeout=5.0):
        return harness.wait_until_steady(take, timeout=timeout, interval=0.1, message="a steady picture")

    def wait_picture(self, take, expected, timeout=3.0):
        try:
            harness.wait_until(lambda: take() == expected, timeout=timeout, interval=0.05)
            return True
        except AssertionError:
            return False

    def animating(self, timeout=3.0):
        first = self.gadget_shot()
        try:
            harness.wait_until(lambda: self.gadget_shot() != first, timeout=timeout, interval=0.05,
                               message="the face to change")
            return True
        except AssertionError:
            return False

    def still(self, timeout=3.0):
        """True once three pictures over 0.37 s (more than one whole animation
        cycle of 6 x 50 ms, and not a multiple of it) are the same."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            a = self.gadget_shot()
            time.sleep(0.13)
            b = self.gadget_shot()
            time.sleep(0.24)
            c = self.gadget_shot()
            if a == b == c:
                return True
        return False

    # -- the dialog

    def x_dialog(self):
        """The mapped X window of the dialog, or None."""
        ids = self.desktop.x_windows_named(SETTINGS_TITLE, mapped_only=True)
        return ids[0] if len(ids) == 1 else None

    def ready_dialog(self):
        """The dialog when it shows, holds the foreground and the focus, and the
        gadget is disabled under it; otherwise None."""
        windows = self.windows()
        gadget = next((w for w in windows if w["hwnd"] == self.gadget.hwnd), None)
        view = self.dialog(windows)
        if view is None or not view.visible or not view.foreground or view.focus is None:
            return None
        if gadget is None or gadget["enabled"]:
            return None
        return view

    def open_dialog(self, timeout=15.0):
        """Clicks the lower knob and waits for the dialog, ready for input."""
        if not self.click(*self.screen(*harness.SETTINGS_KNOB), 1):
            raise PhaseAbort("the lower knob is not a safe place to click")
        try:
            view = harness.wait_until(self.ready_dialog, timeout=timeout, interval=0.1,
                                      message="the dialog to show with the focus")
            harness.wait_until(self.x_dialog, timeout=timeout, interval=0.1, message="the dialog's X window")
        except AssertionError as error:
            self.fault(f"the lower knob did not open the dialog: {error}")
            return None
        return view

    def key(self, name):
        """Types one key into the dialog, only while it is ready for it. Returns
        False (and sends nothing) otherwise."""
        if self.ready_dialog() is None:
            return False
        xid = self.x_dialog()
        if xid is None:
            return False
        self.desktop.key("--window", str(xid), name)
        if name in ("Escape", "space", "Return"):
            # May hide the dialog: give it time, so that the next key never
            # reaches the gadget (whose round button takes the focus).
            try:
                harness.wait_until(lambda: not self.dialog_visible(), timeout=0.8, interval=0.1)
            except AssertionError:
                pass
        else:
            time.sleep(0.1)
        return True

    def dialog_visible(self):
        window = self.settings_window()
        return bool(window and window["visible"])

    def wait_dialog_closed(self, destroyed, timeout=20.0):
        def gone():
            window = self.settings_window()
            return window is None if destroyed else (window is not None and not window["visible"])

        try:
            harness.wait_until(gone, timeout=timeout, interval=0.1,
                               message="the dialog to be destroyed" if destroyed else "the dialog to hide")
        except AssertionError as error:
            self.fault(str(error))
            return False
        # Under Wine without a window manager, hiding a top-level window keeps
        # its thread waiting about 2 s for a manager to confirm it: wait for the
        # gadget to answer again (a hang is still a fault) before the next sample.
        started = time.monotonic()
        answer = self.inspect("send-timeout", self.gadget.hwnd, WM_NULL, 0, 0, 5000, check=False)
        latency = time.monotonic() - started
        self.slowest_after_close = max(self.slowest_after_close, latency)
        if not answer.get("answered"):
            self.check_alive()
            self.fault(f"the gadget did not answer WM_NULL within 5 s after the dialog closed: {answer}")
        try:
            harness.wait_until(lambda: self.gadget_window()["enabled"], timeout=5, interval=0.1,
                               message="the gadget to take input again")
        except AssertionError as error:
            self.fault(str(error))
        return True

    def close_dialog(self, how, view=None):
        """Closes the shown dialog with "button" (Закрыть), "escape" or "closebox"."""
        view = view or self.dialog()
        if how == "button":
            sent = self.click(*harness.centre_of(view.rect(CLOSE_BUTTON_ID)))
        elif how == "escape":
            sent = self.key("Escape")
        else:
            sent = self.click(*harness.close_box_centre(view.window))
        if not sent:
            self.fault(f"could not close the dialog with {how}")
            return False
        return self.wait_dialog_closed(destroyed=how == "closebox")

    def normalise(self):
        """Leaves the gadget idle: no button held, the dialog loaded and hidden,
        the pointer at rest (the animation stopped)."""
        self.release_all()
        view = self.dialog()
        if view is not None and view.visible:
            harness.wait_until(self.x_dialog, timeout=10, message="the dialog's X window")
            self.close_dialog("button", view)
        elif view is None:
            if self.open_dialog() is not None:
                self.close_dialog("button")
        self.park_pointer()

    def read_model(self):
        view = self.dialog()
        if view is not None:
            self.adopt(view)
        else:
            gadget = self.gadget_window()
            self.model.opacity = gadget["layered"]["alpha"] if gadget["layered"] else SCROLL_MAX

    # -- running a phase

    def prepare(self):
        """Puts the gadget where the dialog never covers it and learns the settings."""
        self.result = None
        self.release_all()
        if self.dialog_visible():
            self.close_dialog("button")
        self.place_gadget(*harness.GADGET_BESIDE_DIALOG)
        self.park_pointer()
        self.read_model()
        self.log(f"prepared: gadget at {self.gadget_window()['window_rect']}, {self.model}, "
                 f"helper {'built' if self.helper else 'missing'}")

    def run_phase(self, name, size):
        result = PhaseResult(name, size)
        self.result = result
        if self.dead:
            result.faults.append("not run: the gadget is gone")
            return result
        started = time.monotonic()
        self.log(f"phase {name}: {size:g} {UNITS[name]}")
        try:
            getattr(self, "phase_" + name)(size)
        except PhaseAbort as error:
            self.fault(f"phase stopped: {error}")
        except Exception as error:  # a time-out or a tool failing: the phase fails, the run goes on
            if not self.gadget.running():
                self.dead = True
                self.fault(f"the gadget's process ended (exit status {self.gadget.process.returncode})")
            self.fault(f"phase stopped by {type(error).__name__}: {error}")
        finally:
            try:
                self.release_all()
            except Exception:
                pass
            result.duration = time.monotonic() - started
            self.log(f"phase {name} done in {result.duration:.1f} s: "
                     f"{'PASS' if result.passed() else 'FAIL'}")
            self.result = None
        return result

    def begin(self):
        self.excused = 0
        self.slowest_excused = 0.0
        self.slowest_after_close = 0.0
        self.result.objects_before, self.result.memory_before = self.measure()
        self.log(f"  before: {self.result.objects_before} {self.result.memory_before}")

    def end(self):
        self.check_all(dialog_expected=False)
        self.check_consistent()
        if self.tool_retries:
            self.note(f"the inspector failed to start {self.tool_retries} times and was run again")
            self.tool_retries = 0
        if self.excused:
            self.note(f"{self.excused} WM_NULL samples answered late (up to {self.slowest_excused:.1f} s) "
                      f"right after the dialog showed or hid (Wine without a window manager waits for one)")
        self.result.objects_after, self.result.memory_after = self.measure()
        self.log(f"  after: {self.result.objects_after} {self.result.memory_after}")

    # -- animation: posted timer ticks

    def post_ticks(self, count):
        """Posts `count` WM_TIMER ticks and returns once the gadget handled them all."""
        if self.helper is None:
            for _ in range(count):
                self.inspect("post", self.gadget.hwnd, harness.WM_TIMER, harness.ANIMATION_TIMER_ID, 0)
            return
        answer = self.helper("post", self.gadget.hwnd, harness.WM_TIMER, harness.ANIMATION_TIMER_ID, 0, count,
                             min(count, 500))
        if self.result is not None:
            self.result.samples += answer.get("samples", 0)
        if answer.get("posted") != count or answer.get("failed") or answer.get("unanswered") \
                or answer.get("undrained") or not answer.get("window"):
            self.check_alive()
            self.fault(f"posting {count} ticks: {answer}")

    def face_ring(self):
        """The face after each of six single ticks: the animation's frames in turn."""
        ring = []
        previous = self.steady_shot(self.gadget_shot)
        for _ in range(6):
            self.post_ticks(1)
            try:
                harness.wait_until(lambda: self.gadget_shot() != previous, timeout=1.5, interval=0.05)
            except AssertionError:
                pass  # two frames alike
            previous = self.steady_shot(self.gadget_shot)
            ring.append(previous)
        return ring

    def check_frame(self, ring, ticks):
        """After `ticks` ticks since the ring began, the face shows ring[(ticks - 1) % 6]."""
        expected = ring[(ticks - 1) % 6]
        if not self.wait_picture(self.gadget_shot, expected, timeout=5):
            now = self.gadget_shot()
            shown = [i for i, frame in enumerate(ring) if frame == now]
            self.fault(f"after {ticks} ticks the face shows frame {shown or 'none of the six'}, "
                       f"expected frame {(ticks - 1) % 6}")

    def phase_animation(self, n):
        n = int(n)
        if self.helper is None:
            self.note("the soak helper is not built: ticks posted one inspector run each (slow)")
        self.normalise()
        self.check_all(dialog_expected=False)
        ring = self.face_ring()
        distinct = len(set(ring))
        self.note(f"the six animation frames give {distinct} distinct pictures")
        if distinct < 2:
            self.fault("the face did not change with the ticks")
        ticks = 6
        warm = max(100, n // 100)
        self.post_ticks(warm)
        ticks += warm
        self.check_frame(ring, ticks)
        self.begin()
        every = max(100, n // 100)
        done = 0
        while done < n:
            count = min(every, n - done)
            self.post_ticks(count)
            done += count
            ticks += count
            self.check_all(dialog_expected=False)
            self.check_frame(ring, ticks)
        self.note(f"{n} ticks posted in chunks of {min(every, 500)}, each chunk followed by WM_NULL "
                  f"(1 s) and a wait until the gadget had handled it")
        self.end()

    # -- hover: the pointer in turn over the button and over the face

    def move_batch(self, points, pause=0.02):
        args = []
        for x, y in points:
            args += ["mousemove", str(x), str(y), "sleep", str(pause)]
        for i in range(0, len(args), 200):
            self.desktop.run("xdotool", *args[i:i + 200])

    def phase_hover(self, n):
        n = int(n)
        n += n % 2  # even: the last move lands on the face
        self.normalise()
        self.check_all(dialog_expected=False)
        gadget = self.gadget_window()
        on_button = self.screen(*harness.BUTTON_CENTRE, gadget)
        on_face = self.screen(*harness.FACE_SPOT, gadget)
        self.desktop.mouse_move(*on_face)
        normal = self.steady_shot(self.button_shot)
        self.desktop.mouse_move(*on_button)
        try:
            harness.wait_until(lambda: self.button_shot() != normal, timeout=3, interval=0.05)
        except AssertionError:
            self.fault("hovering the round button does not change its picture")
        hover = self.steady_shot(self.button_shot)
        if not self.animating():
            self.fault("hovering the round button does not start the animation")
        warm = max(20, n // 100)
        self.move_batch([on_face if i % 2 == 0 else on_button for i in range(warm)])  # ends on the button
        self.desktop.mouse_move(*on_face)
        self.begin()
        every = max(10, n // 100)
        done = 0
        while done < n:
            count = min(every, n - done)
            # The 1st, 3rd, 5th ... move goes to the button, every other one to the face.
            points = [on_button if (done + i) % 2 == 0 else on_face for i in range(count)]
            self.move_batch(points)
            done += count
            last_on_button = (done - 1) % 2 == 0
            self.check_all(dialog_expected=False)
            if last_on_button:
                if not self.wait_picture(self.button_shot, hover):
                    self.fault(f"after {done} moves (pointer on the button) the button does not show its hover picture")
                if not self.animating():
                    self.fault(f"after {done} moves (pointer on the button) the face does not animate")
            else:
                if not self.wait_picture(self.button_shot, normal):
                    self.fault(f"after {done} moves (pointer on the face) the button does not show its normal picture")
                if not self.still():
                    self.fault(f"after {done} moves (pointer on the face) the animation does not stop")
        self.desktop.mouse_move(*harness.POINTER_PARK)
        self.end()

    # -- dialog cycles

    def click_arrow(self, view, direction):
        left, top, right, bottom = view.rect(OPACITY_BAR_ID)
        x = left + ARROW_INSET if direction < 0 else right - 1 - ARROW_INSET
        return self.click(x, (top + bottom) // 2)

    def dialog_cycle(self, index, rng, closers):
        view = self.open_dialog()
        if view is None:
            return
        self.check_consistent()
        # The scroll bar: one to three clicks on an arrow, turning at the ends.
        for _ in range(rng.randint(1, 3)):
            if self.model.opacity <= SCROLL_MIN:
                self.direction = 1
            elif self.model.opacity >= SCROLL_MAX:
                self.direction = -1
            if self.click_arrow(view, self.direction):
                self.model.opacity = min(SCROLL_MAX, max(SCROLL_MIN, self.model.opacity + self.direction))
        # An option other than the checked one.
        choice = rng.choice([i for i in range(len(OPTION_IDS)) if i != self.model.action])
        if self.click(*harness.centre_of(view.rect(OPTION_IDS[choice]))):
            self.model.action = choice
        self.check_consistent()
        self.close_dialog(closers[index % len(closers)])
        self.check_consistent()

    def phase_dialog(self, n):
        n = int(n)
        rng = random.Random(self.seed + 1)
        closers = ("button", "escape", "closebox")
        self.direction = -1
        self.normalise()
        self.check_all(dialog_expected=False)
        for i in range(3):  # warm-up: one closing of each kind
            self.dialog_cycle(i, rng, closers)
        self.normalise()
        self.begin()
        for i in range(n):
            self.dialog_cycle(i, rng, closers)
            self.check_all(dialog_expected=False)
            if (i + 1) % 50 == 0:
                self.log(f"  {i + 1} cycles, {self.model}")
        self.normalise()
        self.note(f"hiding the dialog kept the gadget's thread busy for up to {self.slowest_after_close:.1f} s "
                  f"(Wine without a window manager waits for one)")
        self.end()

    # -- storm: random input

    def phase_storm(self, seconds):
        seconds = max(MIN_STORM_SECONDS, float(seconds))
        storm_seed = self.seed + 3
        self.log(f"storm seed {storm_seed} (replay: --seed {self.seed})")
        self.note(f"seed {storm_seed}")
        self.normalise()
        self.check_all(dialog_expected=False)
        warm = Storm(self, random.Random(storm_seed + 1000), "warm-up")
        warm.warm_up()
        self.storm_finish(warm)
        self.normalise()
        self.begin()
        storm = Storm(self, random.Random(storm_seed), "storm")
        storm.run(seconds)
        self.note(f"{storm.steps} inputs in {seconds:g} s: " +
                  ", ".join(f"{k} {v}" for k, v in sorted(storm.counts.items())))
        self.storm_finish(storm)
        self.normalise()
        self.end()

    def storm_finish(self, storm):
        """After the storm the dialog (opened if need be) shows what our inputs set last."""
        self.release_all()
        self.settle_gadget()
        self.check_all(dialog_expected=None)
        view = self.ready_dialog()
        if view is None and self.dialog_visible():
            # Shown but not (yet) ready, for instance still taking the focus.
            try:
                view = harness.wait_until(self.ready_dialog, timeout=5, interval=0.1)
            except AssertionError:
                view = None
        elif view is None:
            self.desktop.mouse_move(*harness.POINTER_PARK)
            view = self.open_dialog()
        if view is None:
            self.fault("after the storm the dialog could not be shown ready for input")
            return
        self.check_consistent()
        self.log(f"  {storm.name} ended; the dialog shows what the inputs set: {self.model}")


class Storm:
    """Random input from a seed. Every press keeps clear of the round button,
    the gadget and the dialog stay apart, keys go to the dialog only."""

    KEYS = ("Tab", "space", "Return", "Escape", "Left", "Right", "Up", "Down")
    MAY_OPEN = ("click_gadget", "open_dialog", "press_apart")

    def __init__(self, soak, rng, name):
        self.soak = soak
        self.rng = rng
        self.name = name
        self.steps = 0
        self.counts = {}
        self.last_hide_risk = 0.0

    def run(self, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            self.step()
        self.soak.release_all()

    # Every kind of input once, so that first-use costs (code paged in, caches
    # filled; the first press on the disabled gadget loads Wine's sound code
    # for the warning beep, 2 handles) fall before the measurement.
    WARM_UP = ("open_dialog", "drag_gadget", "click_gadget", "click_option", "click_arrow", "click_trough", "drag_thumb", "click_dialog",
               "click_link", "wheel", "key", "key", "drag_dialog", "press_apart", "click_close",
               "open_dialog", "key", "close_box", "move", "hover_gadget", "click_gadget", "drag_gadget",
               "wheel", "press_apart", "open_dialog", "click_close")

    def warm_up(self):
        for action in self.WARM_UP:
            self.step(action)
        self.soak.release_all()

    def step(self, chosen=None):
        soak = self.soak
        shown = soak.dialog_visible()
        actions = {
            "move": 3, "hover_gadget": 2, "click_gadget": 3, "drag_gadget": 2, "wheel": 2,
            "press_apart": 1,
        }
        if shown:
            actions.update({"click_option": 3, "click_arrow": 3, "click_trough": 1, "drag_thumb": 1,
                            "click_dialog": 2, "click_link": 1, "click_close": 1, "close_box": 1,
                            "drag_dialog": 1, "key": 5})
        else:
            actions.update({"open_dialog": 2})
        names = sorted(actions)
        action = chosen or self.rng.choices(names, [actions[a] for a in names])[0]
        self.steps += 1
        done = getattr(self, "do_" + action)()
        if done is not False:
            self.counts[action] = self.counts.get(action, 0) + 1
        soak.log(f"  {self.name} #{self.steps} {action}{'' if done is not False else ' (skipped)'}")
        soak.release_all()
        if self.steps % 5 == 0:
            soak.check_all(dialog_expected=None)
        if shown or action in self.MAY_OPEN:
            self.observe()

    # -- reading back

    def observe(self):
        """Checks the state agrees with itself and takes it as what the input did."""
        found, view = self.soak.problems(compare_model=False)
        if found:
            time.sleep(0.3)
            view = self.soak.check_consistent(compare_model=False)
        if view is not None:
            self.soak.adopt(view)

    def predict(self, action=None, opacity=None):
        """The input's effect is known: the dialog must show it."""
        if action is not None:
            self.soak.model.action = action
        if opacity is not None:
            self.soak.model.opacity = opacity
        self.soak.check_consistent()

    # -- where to press

    def gadget_rect(self):
        return self.soak.gadget_window()["window_rect"]

    def safe_point_in(self, rect, button, tries=30):
        left, top, right, bottom = rect
        gleft, gtop = self.gadget_rect()[:2]
        for _ in range(tries):
            x = self.rng.randrange(left, right)
            y = self.rng.randrange(top, bottom)
            if not clear_of_circle(x - gleft, y - gtop):
                continue
            if button == 1 and near(harness.EXIT_KNOB_RECT, x - gleft, y - gtop, KNOB_MARGIN):
                continue
            return x, y
        return None

    def dialog_client(self):
        view = self.soak.dialog()
        if view is None or not view.visible:
            return None, None
        return view, view.window["client_rect"]

    # -- the actions

    def do_move(self):
        width, height = self.soak.desktop.size
        self.soak.desktop.mouse_move(self.rng.randrange(width), self.rng.randrange(height))

    def do_hover_gadget(self):
        left, top, right, bottom = self.gadget_rect()
        self.soak.desktop.mouse_move(self.rng.randrange(left, right), self.rng.randrange(top, bottom))

    def do_click_gadget(self):
        button = self.rng.choice((1, 2, 3))
        point = self.safe_point_in(self.gadget_rect(), button)
        if point is None or not self.soak.click(*point, button):
            return False
        self.soak.settle_gadget()
        self.wait_if_opening()

    def wait_if_opening(self):
        """A left click on the lower knob opens the dialog: wait until it is ready."""
        try:
            harness.wait_until(lambda: not self.soak.dialog_visible() or self.soak.ready_dialog(),
                               timeout=5, interval=0.1)
        except AssertionError:
            pass

    def do_open_dialog(self):
        self.soak.desktop.mouse_move(*harness.POINTER_PARK)
        if self.soak.open_dialog() is None:
            return False

    def do_drag_gadget(self):
        button = self.rng.choice((1, 2, 3))
        grip = self.rng.choice(self.soak.grips)
        target = (self.rng.randint(harness.GADGET_AREA[0], harness.GADGET_AREA[2]), self.rng.randint(harness.GADGET_AREA[1], harness.GADGET_AREA[3]))
        if not self.soak.drag_gadget(grip, *target, button=button, steps=self.rng.randint(1, 6)):
            return False
        left, top = self.gadget_rect()[:2]
        if not (harness.GADGET_AREA[0] - 40 <= left <= harness.GADGET_AREA[2] + 40 and harness.GADGET_AREA[1] - 40 <= top <= harness.GADGET_AREA[3] + 40):
            # A drag that fell short or overshot: bring it back where it belongs.
            self.soak.place_gadget(*harness.GADGET_BESIDE_DIALOG)

    def do_wheel(self):
        view, client = self.dialog_client()
        rect = client if client and self.rng.random() < 0.5 else self.gadget_rect()
        point = self.safe_point_in(rect, 4)
        if point is None or not self.soak.safe_press_point(*point, 4):
            return False
        self.soak.desktop.mouse_move(*point)
        self.soak.desktop.click(self.rng.choice((4, 5)))

    def do_press_apart(self):
        """A press, a few moves, and a release somewhere else. On the gadget's
        face this drags it, so the moves keep it in its area."""
        button = self.rng.choice((1, 2, 3))
        view, client = self.dialog_client()
        on_dialog = client is not None and self.rng.random() < 0.5
        if on_dialog:
            point = self.safe_point_in(client, button)
            if point is None or not self.soak.press(*point, button):
                return False
            for _ in range(self.rng.randint(1, 3)):
                self.soak.desktop.mouse_move(self.rng.randrange(client[0], client[2]),
                                             self.rng.randrange(client[1], client[3]))
                time.sleep(0.02)
            self.soak.release(button)
            time.sleep(SETTLE)
            return
        grip = self.rng.choice(self.soak.grips)
        left, top = self.gadget_rect()[:2]
        if not self.soak.press(left + grip[0], top + grip[1], button):
            return False
        time.sleep(0.1)
        for _ in range(self.rng.randint(1, 3)):
            new_left = self.rng.randint(harness.GADGET_AREA[0], harness.GADGET_AREA[2])
            new_top = self.rng.randint(harness.GADGET_AREA[1], harness.GADGET_AREA[3])
            self.soak.desktop.mouse_move(new_left + grip[0], new_top + grip[1])
            time.sleep(0.02)
        self.soak.release(button)
        self.soak.settle_gadget()

    def do_click_option(self):
        view = self.soak.dialog()
        if view is None or not view.visible:
            return False
        index = self.rng.randrange(len(OPTION_IDS))
        if not self.soak.click(*harness.centre_of(view.rect(OPTION_IDS[index]))):
            return False
        self.predict(action=index)

    def do_click_arrow(self):
        view = self.soak.dialog()
        if view is None or not view.visible:
            return False
        direction = self.rng.choice((-1, 1))
        before = view.position
        if not self.soak.click_arrow(view, direction):
            return False
        self.predict(opacity=min(SCROLL_MAX, max(SCROLL_MIN, before + direction)))

    def do_click_trough(self):
        view = self.soak.dialog()
        if view is None or not view.visible:
            return False
        left, top, right, bottom = view.rect(OPACITY_BAR_ID)
        x = self.rng.randrange(left + 2 * ARROW_INSET + 3, right - 2 * ARROW_INSET - 3)
        if not self.soak.click(x, (top + bottom) // 2):
            return False
        time.sleep(SETTLE)

    def do_drag_thumb(self):
        view = self.soak.dialog()
        if view is None or not view.visible:
            return False
        left, top, right, bottom = view.rect(OPACITY_BAR_ID)
        inner_left, inner_right = left + 2 * ARROW_INSET + 3, right - 2 * ARROW_INSET - 3
        span = SCROLL_MAX - SCROLL_MIN
        thumb = inner_left + (inner_right - inner_left) * (view.position - SCROLL_MIN) // span
        y = (top + bottom) // 2
        if not self.soak.press(thumb, y, 1):
            return False
        for _ in range(self.rng.randint(1, 4)):
            self.soak.desktop.mouse_move(self.rng.randrange(left - 20, right + 20), y + self.rng.randint(-10, 10))
            time.sleep(0.03)
        self.soak.release(1)
        time.sleep(SETTLE)

    def do_click_dialog(self):
        button = self.rng.choice((1, 2, 3))
        view, client = self.dialog_client()
        if client is None:
            return False
        point = self.safe_point_in(client, button)
        if point is None or not self.soak.click(*point, button):
            return False
        time.sleep(SETTLE)

    def do_click_link(self):
        view = self.soak.dialog()
        if view is None or not view.visible:
            return False
        if not self.soak.click(*harness.centre_of(view.rect(LINK_BUTTON_ID))):
            return False
        time.sleep(SETTLE)

    def do_click_close(self):
        view = self.soak.dialog()
        if view is None or not view.visible:
            return False
        self.observe()
        if not self.soak.close_dialog("button", view):
            return False

    def do_close_box(self):
        view = self.soak.dialog()
        if view is None or not view.visible:
            return False
        self.observe()
        if not self.soak.close_dialog("closebox", view):
            return False

    def do_drag_dialog(self):
        view = self.soak.dialog()
        if view is None or not view.visible:
            return False
        left, top = view.window["window_rect"][:2]
        target = (self.rng.randint(harness.DIALOG_AREA[0], harness.DIALOG_AREA[2]), self.rng.randint(harness.DIALOG_AREA[1], harness.DIALOG_AREA[3]))
        x, y = left + 60, top + 8
        if not self.soak.press(x, y, 1):
            return False
        steps = self.rng.randint(1, 5)
        for i in range(1, steps + 1):
            self.soak.desktop.mouse_move(x + (target[0] - left) * i // steps, y + (target[1] - top) * i // steps)
            time.sleep(0.02)
        self.soak.release(1)
        time.sleep(SETTLE)

    def do_key(self):
        name = self.rng.choice(self.KEYS)
        if name == "space" and time.monotonic() - self.last_hide_risk < 1.0:
            return False
        if not self.soak.key(name):
            return False
        if name in ("Escape", "space", "Return"):
            self.last_hide_risk = time.monotonic()


# ---- Entry points ------------------------------------------------------------------

def sizes_for(quick=False, scale=1.0):
    if quick:
        return dict(QUICK)
    sizes = {k: (v * scale if k == "storm" else max(1, int(round(v * scale)))) for k, v in FULL.items()}
    sizes["storm"] = max(MIN_STORM_SECONDS, sizes["storm"])
    return sizes


def run(session, sizes, seed=DEFAULT_SEED, phases=PHASES, log=log_line, gadget=None):
    """Starts a gadget (unless given one) and runs the phases on it; returns
    their PhaseResults."""
    gadget = gadget or session.start_gadget()
    soak = Soak(session, gadget, seed=seed, log=log)
    try:
        soak.prepare()
    except Exception as error:
        results = [PhaseResult(name, sizes[name]) for name in phases]
        for result in results:
            result.faults.append(f"not run: preparing the gadget failed with {type(error).__name__}: {error}")
        return results
    return [soak.run_phase(name, sizes[name]) for name in phases]


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
