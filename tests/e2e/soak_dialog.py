"""The soak's dialog phase: N settings cycles. Each one opens the dialog by
the lower knob, clicks the scroll bar's arrows, picks an option, and closes
the dialog in turn with "Закрыть", Esc and the close box."""

import random

import harness
from soak_driver import OPTION_IDS, SCROLL_MAX, SCROLL_MIN

CLOSERS = ("button", "escape", "closebox")


class Cycles:
    def __init__(self, driver, rng):
        self.driver = driver
        self.rng = rng
        self.direction = -1  # of the arrow clicks; turns at the ends

    def cycle(self, index):
        driver, model = self.driver, self.driver.model
        view = driver.open_dialog()
        if view is None:
            return
        driver.check_consistent()
        # The scroll bar: one to three clicks on an arrow, turning at the ends.
        for _ in range(self.rng.randint(1, 3)):
            if model.opacity <= SCROLL_MIN:
                self.direction = 1
            elif model.opacity >= SCROLL_MAX:
                self.direction = -1
            if driver.click_arrow(view, self.direction):
                model.opacity = min(SCROLL_MAX, max(SCROLL_MIN, model.opacity + self.direction))
        # An option other than the checked one.
        choice = self.rng.choice([i for i in range(len(OPTION_IDS)) if i != model.action])
        if driver.click(*harness.centre_of(view.rect(OPTION_IDS[choice]))):
            model.action = choice
        driver.check_consistent()
        driver.close_dialog(CLOSERS[index % len(CLOSERS)])
        driver.check_consistent()


def run(driver, n):
    n = int(n)
    cycles = Cycles(driver, random.Random(driver.seed + 1))
    driver.normalise()
    driver.check_all(dialog_expected=False)
    for i in range(len(CLOSERS)):  # warm-up: one closing of each kind
        cycles.cycle(i)
    driver.normalise()
    driver.begin()
    for i in range(n):
        cycles.cycle(i)
        driver.check_all(dialog_expected=False)
        if (i + 1) % 50 == 0:
            driver.log(f"  {i + 1} cycles, {driver.model}")
    driver.normalise()
    driver.note(f"hiding the dialog kept the gadget's thread busy for up to {driver.slowest_after_close:.1f} s "
                f"(Wine without a window manager waits for one)")
    driver.end()
