"""The soak's storm phase: random input for a duration from a seed printed
in the log: moves, clicks and drags of all three buttons, the wheel, and keys
sent to the dialog only. Afterwards the dialog (opened if need be) shows what
the inputs set last, and with the pointer off the window the hover has ended.
"""

import random
import time

import harness
from soak_driver import (ARROW_INSET, LINK_BUTTON_ID, OPACITY_BAR_ID, KNOB_MARGIN, OPTION_IDS, SCROLL_MAX, SCROLL_MIN,
                         SETTLE, clear_of_circle, near)

MIN_STORM_SECONDS = 3.0


def run(driver, seconds):
    seconds = max(MIN_STORM_SECONDS, float(seconds))
    storm_seed = driver.seed + 3
    driver.log(f"storm seed {storm_seed} (replay: --seed {driver.seed})")
    driver.note(f"seed {storm_seed}")
    driver.normalise()
    driver.check_all(dialog_expected=False)
    warm = Storm(driver, random.Random(storm_seed + 1000), "warm-up")
    warm.warm_up()
    warm.finish()
    driver.normalise()
    driver.begin()
    storm = Storm(driver, random.Random(storm_seed), "storm")
    storm.run(seconds)
    driver.note(f"{storm.steps} inputs in {seconds:g} s: " +
                ", ".join(f"{k} {v}" for k, v in sorted(storm.counts.items())))
    storm.finish()
    driver.normalise()
    driver.end()


class Storm:
    """Random input from a seed. Every press keeps clear of the round button,
    the gadget and the dialog stay apart, keys go to the dialog only."""

    KEYS = ("Tab", "space", "Return", "Escape", "Left", "Right", "Up", "Down")
    MAY_OPEN = ("click_gadget", "open_dialog", "press_apart")

    def __init__(self, driver, rng, name):
        self.driver = driver
        self.rng = rng
        self.name = name
        self.steps = 0
        self.counts = {}
        self.last_hide_risk = 0.0

    def run(self, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            self.step()
        self.driver.release_all()

    def finish(self):
        """With the pointer moved straight off the window the hover has ended,
        and the dialog (opened if need be) shows what the inputs set last."""
        driver = self.driver
        driver.release_all()
        driver.settle_gadget()
        driver.desktop.mouse_move(*harness.POINTER_PARK)
        shown = self.shown_dialog()
        if shown is not None and harness.overlaps(shown.window["window_rect"], driver.gadget_window()["window_rect"]):
            driver.note(f"after the {self.name} the dialog covers part of the gadget: the face was not watched")
        else:
            driver.check_hover_ended(f"after the {self.name}, with the pointer moved straight off the window,")
        driver.check_all(dialog_expected=None)
        view = driver.ready_dialog()
        if view is None and driver.dialog_visible():
            # Shown but not (yet) ready, for instance still taking the focus.
            try:
                view = harness.wait_until(driver.ready_dialog, timeout=5, interval=0.1)
            except AssertionError:
                view = None
        elif view is None:
            view = driver.open_dialog()
        if view is None:
            driver.fault(f"after the {self.name} the dialog could not be shown ready for input")
            return
        driver.check_consistent()
        driver.log(f"  {self.name} ended; the dialog shows what the inputs set: {driver.model}")

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
        self.driver.release_all()

    def step(self, chosen=None):
        driver = self.driver
        shown = driver.dialog_visible()
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
        driver.log(f"  {self.name} #{self.steps} {action}{'' if done is not False else ' (skipped)'}")
        driver.release_all()
        if self.steps % 5 == 0:
            driver.check_all(dialog_expected=None)
        if shown or action in self.MAY_OPEN:
            self.observe()

    # -- reading back

    def observe(self):
        """Checks the state agrees with itself and takes it as what the input did."""
        found, view = self.driver.problems(compare_model=False)
        if found:
            time.sleep(0.3)
            view = self.driver.check_consistent(compare_model=False)
        if view is not None:
            self.driver.adopt(view)

    def predict(self, action=None, opacity=None):
        """The input's effect is known: the dialog must show it."""
        if action is not None:
            self.driver.model.action = action
        if opacity is not None:
            self.driver.model.opacity = opacity
        self.driver.check_consistent()

    # -- where to press

    def gadget_rect(self):
        return self.driver.gadget_window()["window_rect"]

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

    def shown_dialog(self):
        """The dialog as it is now when it shows, else None."""
        view = self.driver.dialog()
        return view if view is not None and view.visible else None

    def dialog_client(self):
        view = self.shown_dialog()
        return (view, view.window["client_rect"]) if view else (None, None)

    # -- the actions

    def click_and_settle(self, x, y, button=1):
        """Clicks where it is safe to, and gives the click time to take effect."""
        if not self.driver.click(x, y, button):
            return False
        time.sleep(SETTLE)

    def do_move(self):
        width, height = self.driver.desktop.size
        self.driver.desktop.mouse_move(self.rng.randrange(width), self.rng.randrange(height))

    def do_hover_gadget(self):
        left, top, right, bottom = self.gadget_rect()
        self.driver.desktop.mouse_move(self.rng.randrange(left, right), self.rng.randrange(top, bottom))

    def do_click_gadget(self):
        button = self.rng.choice((1, 2, 3))
        point = self.safe_point_in(self.gadget_rect(), button)
        if point is None or not self.driver.click(*point, button):
            return False
        self.driver.settle_gadget()
        self.wait_if_opening()

    def wait_if_opening(self):
        """A left click on the lower knob opens the dialog: wait until it is ready."""
        try:
            harness.wait_until(lambda: not self.driver.dialog_visible() or self.driver.ready_dialog(),
                               timeout=5, interval=0.1)
        except AssertionError:
            pass

    def do_open_dialog(self):
        self.driver.desktop.mouse_move(*harness.POINTER_PARK)
        if self.driver.open_dialog() is None:
            return False

    def do_drag_gadget(self):
        button = self.rng.choice((1, 2, 3))
        grip = self.rng.choice(self.driver.grips)
        area = harness.GADGET_AREA
        target = (self.rng.randint(area[0], area[2]), self.rng.randint(area[1], area[3]))
        if not self.driver.drag_gadget(grip, *target, button=button, steps=self.rng.randint(1, 6)):
            return False
        left, top = self.gadget_rect()[:2]
        if not (area[0] - 40 <= left <= area[2] + 40 and area[1] - 40 <= top <= area[3] + 40):
            # A drag that fell short or overshot: bring it back where it belongs.
            self.driver.place_gadget(*harness.GADGET_BESIDE_DIALOG)

    def do_wheel(self):
        view, client = self.dialog_client()
        rect = client if client and self.rng.random() < 0.5 else self.gadget_rect()
        point = self.safe_point_in(rect, 4)
        if point is None or not self.driver.safe_press_point(*point, 4):
            return False
        self.driver.desktop.mouse_move(*point)
        self.driver.desktop.click(self.rng.choice((4, 5)))

    def do_press_apart(self):
        """A press, a few moves, and a release somewhere else. On the gadget's
        face this drags it, so the moves keep it in its area."""
        button = self.rng.choice((1, 2, 3))
        view, client = self.dialog_client()
        on_dialog = client is not None and self.rng.random() < 0.5
        if on_dialog:
            point = self.safe_point_in(client, button)
            if point is None or not self.driver.press(*point, button):
                return False
            for _ in range(self.rng.randint(1, 3)):
                self.driver.desktop.mouse_move(self.rng.randrange(client[0], client[2]),
                                             self.rng.randrange(client[1], client[3]))
                time.sleep(0.02)
            self.driver.release(button)
            time.sleep(SETTLE)
            return
        grip = self.rng.choice(self.driver.grips)
        left, top = self.gadget_rect()[:2]
        if not self.driver.press(left + grip[0], top + grip[1], button):
            return False
        time.sleep(0.1)
        area = harness.GADGET_AREA
        for _ in range(self.rng.randint(1, 3)):
            new_left = self.rng.randint(area[0], area[2])
            new_top = self.rng.randint(area[1], area[3])
            self.driver.desktop.mouse_move(new_left + grip[0], new_top + grip[1])
            time.sleep(0.02)
        self.driver.release(button)
        self.driver.settle_gadget()

    def do_click_option(self):
        view = self.shown_dialog()
        if view is None:
            return False
        index = self.rng.randrange(len(OPTION_IDS))
        if not self.driver.click(*harness.centre_of(view.rect(OPTION_IDS[index]))):
            return False
        self.predict(action=index)

    def do_click_arrow(self):
        view = self.shown_dialog()
        if view is None:
            return False
        direction = self.rng.choice((-1, 1))
        before = view.position
        if not self.driver.click_arrow(view, direction):
            return False
        self.predict(opacity=min(SCROLL_MAX, max(SCROLL_MIN, before + direction)))

    def do_click_trough(self):
        view = self.shown_dialog()
        if view is None:
            return False
        left, top, right, bottom = view.rect(OPACITY_BAR_ID)
        x = self.rng.randrange(left + 2 * ARROW_INSET + 3, right - 2 * ARROW_INSET - 3)
        return self.click_and_settle(x, (top + bottom) // 2)

    def do_drag_thumb(self):
        view = self.shown_dialog()
        if view is None:
            return False
        left, top, right, bottom = view.rect(OPACITY_BAR_ID)
        inner_left, inner_right = left + 2 * ARROW_INSET + 3, right - 2 * ARROW_INSET - 3
        span = SCROLL_MAX - SCROLL_MIN
        thumb = inner_left + (inner_right - inner_left) * (view.position - SCROLL_MIN) // span
        y = (top + bottom) // 2
        if not self.driver.press(thumb, y, 1):
            return False
        for _ in range(self.rng.randint(1, 4)):
            self.driver.desktop.mouse_move(self.rng.randrange(left - 20, right + 20), y + self.rng.randint(-10, 10))
            time.sleep(0.03)
        self.driver.release(1)
        time.sleep(SETTLE)

    def do_click_dialog(self):
        button = self.rng.choice((1, 2, 3))
        view, client = self.dialog_client()
        if client is None:
            return False
        point = self.safe_point_in(client, button)
        if point is None:
            return False
        return self.click_and_settle(*point, button)

    def do_click_link(self):
        view = self.shown_dialog()
        if view is None:
            return False
        return self.click_and_settle(*harness.centre_of(view.rect(LINK_BUTTON_ID)))

    def close_with(self, how):
        view = self.shown_dialog()
        if view is None:
            return False
        self.observe()
        if not self.driver.close_dialog(how, view):
            return False

    def do_click_close(self):
        return self.close_with("button")

    def do_close_box(self):
        return self.close_with("closebox")

    def do_drag_dialog(self):
        view = self.shown_dialog()
        if view is None:
            return False
        left, top = view.window["window_rect"][:2]
        area = harness.DIALOG_AREA
        target = (self.rng.randint(area[0], area[2]), self.rng.randint(area[1], area[3]))
        x, y = left + 60, top + 8
        if not self.driver.press(x, y, 1):
            return False
        steps = self.rng.randint(1, 5)
        for i in range(1, steps + 1):
            self.driver.desktop.mouse_move(x + (target[0] - left) * i // steps, y + (target[1] - top) * i // steps)
            time.sleep(0.02)
        self.driver.release(1)
        time.sleep(SETTLE)

    def do_key(self):
        name = self.rng.choice(self.KEYS)
        if name == "space" and time.monotonic() - self.last_hide_risk < 1.0:
            return False
        if not self.driver.key(name):
            return False
        if name in ("Escape", "space", "Return"):
            self.last_hide_risk = time.monotonic()
