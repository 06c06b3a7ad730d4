"""The soak's driver: it drives one running gadget through the phases
(soak_animation, soak_hover, soak_dialog, soak_storm), reads it, and judges
what it sees into the phase's result (soak_report). See soak.py for the run.
"""

import math
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from soak_report import PhaseResult, UNITS  # noqa: E402

DEFAULT_SEED = 20040601

# ---- Messages ------------------------------------------------------------------

WM_NULL = harness.WM_NULL

# ---- Pressing the gadget ----------------------------------------------------------

PRESS_MARGIN = 12                        # no press comes closer to the round button's circle than this
KNOB_MARGIN = 4

# ---- The dialog ------------------------------------------------------------------

OPACITY_WORD = "Прозрачность"
SETTINGS_TITLE = harness.SETTINGS_CAPTION
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


class SoakDriver:
    """Drives one running gadget, reads it and judges what it sees into the
    result of the phase under way."""

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
        self.normal_button = None  # the round button's picture while not hovered
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
        """Passes over the face and rests away from everything."""
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

    def check_hover_ended(self, where):
        """Once the pointer has left the round button, by whatever route, the
        button shows its normal picture and the face stands still."""
        if not self.wait_picture(self.button_shot, self.normal_button):
            self.fault(f"{where} the button does not show its normal picture")
        if not self.still():
            self.fault(f"{where} the animation does not stop")

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

    def click_arrow(self, view, direction):
        """Clicks the scroll bar's left (direction < 0) or right arrow."""
        left, top, right, bottom = view.rect(OPACITY_BAR_ID)
        x = left + ARROW_INSET if direction < 0 else right - 1 - ARROW_INSET
        return self.click(x, (top + bottom) // 2)

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
        """Puts the gadget where the dialog never covers it, learns the
        settings and the button's normal picture. The dialog may not exist
        yet: the gadget makes it at the first opening."""
        self.result = None
        self.release_all()
        if self.dialog_visible():
            self.close_dialog("button")
        self.place_gadget(*harness.GADGET_BESIDE_DIALOG)
        self.desktop.mouse_move(*self.screen(*harness.FACE_SPOT))
        time.sleep(0.1)
        self.normal_button = self.steady_shot(self.button_shot)
        self.desktop.mouse_move(*harness.POINTER_PARK)
        self.read_model()
        self.log(f"prepared: gadget at {self.gadget_window()['window_rect']}, {self.model}, "
                 f"helper {'built' if self.helper else 'missing'}")

    def run_phase(self, name, size, body):
        """Runs body(self, size) as the phase `name` and returns its result."""
        result = PhaseResult(name, size)
        self.result = result
        if self.dead:
            result.faults.append("not run: the gadget is gone")
            return result
        started = time.monotonic()
        self.log(f"phase {name}: {size:g} {UNITS[name]}")
        try:
            body(self, size)
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

