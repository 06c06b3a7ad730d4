"""A change of display scale while the gadget runs: the window taken to a
display of another scale, or the scale changed under it.

Wine gives every display the one system DPI, read when a process starts, and
never sends WM_DPICHANGED. These tests run the real gadget inside
scale_change_driver.exe, which adds one hidden window through which the test
has WM_DPICHANGED sent to the gadget's window or to the settings dialog,
exactly as the system sends it (new DPI, suggested rectangle); everything
after that is the product's own code. What the gadget looks like after the
change is compared with the real exitbutton.exe started at that DPI. The
driver also makes an error escape the logic after the gadget's window has
gone, which no message to the real exe can cause.
"""

import os
import time
import unittest

import harness

DRIVER = os.environ.get(
    "EXITBUTTON_SCALE_DRIVER64" if harness.BUILD == "x64" else "EXITBUTTON_SCALE_DRIVER32",
    os.path.join(harness.SOURCE_DIR, "build", harness.BUILD_TREES[harness.BUILD], "tests", "e2e",
                 "scale_change_driver.exe"))
DRIVER_CLASS = "ExitButtonScaleDriver"
WM_APP_CHANGE_SCALE = 0x8000 + 1
WM_APP_FAIL_AFTER_THE_WINDOW_WENT = 0x8000 + 2
TO_GADGET, TO_SETTINGS_DIALOG = 0, 1

# A point of the client area inside the power button's circle both at 100 %
# (centre 74.5, 57.5, radius 33.5) and at 150 % (centre 112.5, 86.5, radius 50.5).
ON_THE_BUTTON_AT_100_AND_150 = (95, 75)

SESSION = None
REFERENCE_192 = {}


def looks(gadget):
    """What can be compared between two gadgets at different places: client
    size, window region, the button's place and region, and the pixels.

    The gadget lays out its window, then its button, then draws; the X server
    shows it a moment later. So all of it is read until two readings agree."""

    def reading():
        window = gadget.window()
        button = gadget.child("Command1")
        left, top, right, bottom = window["client_rect"]
        shot = SESSION.screenshot().crop(left, top, right - left, bottom - top)
        return (harness.size_of(window["client_rect"]), gadget.region()["rects"], button["rect"],
                button["region"]["rects"], shot)

    client, region, button, button_region, shot = harness.wait_until_steady(
        reading, interval=0.15, message="the gadget's layout and pixels to stand still")
    return {"client": client, "region": region, "button": button, "button_region": button_region, "shot": shot}


def start_driver():
    """The gadget inside the driver, at the system DPI; and the driver's window."""
    saved = SESSION.exe
    SESSION.exe = DRIVER
    try:
        gadget = SESSION.fresh_gadget()
    finally:
        SESSION.exe = saved
    driver = [w for w in gadget.windows() if w["class"] == DRIVER_CLASS]
    if len(driver) != 1:
        raise AssertionError(f"expected the driver's window, found {gadget.windows()!r}")
    return gadget, driver[0]["hwnd"]


def change_scale(driver, dpi, target=TO_GADGET):
    SESSION.inspector("post", str(driver), str(WM_APP_CHANGE_SCALE), str(dpi), str(target))


def wait_until_shown(gadget, point):
    """Waits until the screen shows the gadget at a client point: the X
    server may take a moment longer than Windows to resize a window, and
    input goes where the screen shows it."""
    harness.wait_until(lambda: SESSION.screenshot().pixel(*gadget.to_screen(*point)) != harness.ROOT_COLOUR,
                       message=f"the gadget shown at {point}")


def face_frames(gadget, count=4, pause=0.12):
    """Screenshots of the face's left half (the lights), a little apart."""
    left, top, right, bottom = gadget.window()["client_rect"]
    shots = []
    for _ in range(count):
        shots.append(SESSION.screenshot().crop(left, top, (right - left) // 2, bottom - top))
        time.sleep(pause)
    return shots


def setUpModule():
    global SESSION
    SESSION = harness.module_session()
    unittest.addModuleCleanup(SESSION.set_log_pixels, harness.STANDARD_DPI)
    SESSION.set_log_pixels(192)
    REFERENCE_192.update(looks(SESSION.fresh_gadget()))
    SESSION.set_log_pixels(harness.STANDARD_DPI)
    SESSION.stop_gadgets()


class GadgetTakesTheNewScale(unittest.TestCase):

    def test_changed_to_200_percent_it_is_the_gadget_started_at_200_percent(self):
        gadget, driver = start_driver()
        before = gadget.window()["window_rect"]
        self.assertEqual(harness.size_of(before), (160, 120))
        change_scale(driver, 192)
        harness.wait_until(lambda: harness.size_of(gadget.window()["client_rect"]) == (320, 240),
                           message="the gadget at 320 x 240")
        self.assertEqual(gadget.window()["window_rect"][:2], before[:2], "the suggested top-left corner")
        after = looks(gadget)
        for key in ("client", "region", "button", "button_region"):
            with self.subTest(key):
                self.assertEqual(after[key], REFERENCE_192[key])
        self.assertTrue(after["shot"] == REFERENCE_192["shot"],
                        "the face differs from the one drawn at start-up at 200 %")

    def test_and_back_to_100_percent_it_is_cut_to_the_design_outline_again(self):
        gadget, driver = start_driver()
        design = looks(gadget)
        change_scale(driver, 192)
        harness.wait_until(lambda: harness.size_of(gadget.window()["client_rect"]) == (320, 240),
                           message="the gadget at 320 x 240")
        change_scale(driver, 96)
        harness.wait_until(lambda: harness.size_of(gadget.window()["client_rect"]) == (160, 120),
                           message="the gadget at 160 x 120 again")
        back = looks(gadget)
        self.assertEqual(gadget.region()["pixels"], 11403)
        for key in ("region", "button", "button_region"):
            with self.subTest(key):
                self.assertEqual(back[key], design[key])
        # The face is the design face again. The button shows the committed
        # normal picture now, as it does after any hover: only the face
        # around it is compared.
        left, top, right, bottom = design["button"]
        outside = [(x, y) for y in range(120) for x in range(160)
                   if not (left <= x < right and top <= y < bottom)]
        differing = [p for p in outside if back["shot"].pixel(*p) != design["shot"].pixel(*p)]
        self.assertEqual(differing, [], "the face differs from the design face")

    def test_while_hovering_the_animation_goes_on_and_stops_when_the_pointer_leaves(self):
        gadget, driver = start_driver()
        SESSION.desktop.mouse_move(*gadget.to_screen(*ON_THE_BUTTON_AT_100_AND_150))
        frames = face_frames(gadget)
        self.assertTrue(any(f != frames[0] for f in frames[1:]), "no animation at 100 %")
        change_scale(driver, 144)
        harness.wait_until(lambda: harness.size_of(gadget.window()["client_rect"]) == (240, 180),
                           message="the gadget at 240 x 180")
        frames = face_frames(gadget)
        changed = [f for f in frames[1:] if f != frames[0]]
        self.assertTrue(changed, "the lights stopped turning at the new scale")
        self.assertEqual(frames[0].width, 120, "screenshots of the scaled face")
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        # Leaving is noticed by polling, after a moment that no test should time.
        harness.wait_until(lambda: (lambda still: all(f == still[0] for f in still))(face_frames(gadget, count=3)),
                           timeout=10, message="the lights to stop turning after the pointer left")

    def test_the_knobs_hot_spots_move_with_the_scale(self):
        gadget, driver = start_driver()
        change_scale(driver, 192)
        harness.wait_until(lambda: harness.size_of(gadget.window()["client_rect"]) == (320, 240),
                           message="the gadget at 320 x 240")
        # The settings knob's hot spot is 272..306 x 176..210 at 200 %; its
        # 100 % place (136..153 x 88..105) is now bare face, which drags.
        wait_until_shown(gadget, (289, 193))
        SESSION.desktop.mouse_move(*gadget.to_screen(289, 193))
        SESSION.desktop.click(1)
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        harness.wait_until(lambda: gadget.settings_windows(visible_only=True), timeout=15,
                           message="the settings dialog opened from the knob's new place")


class DialogLaysItselfOutAgain(unittest.TestCase):

    def test_changed_to_150_percent_every_control_grows_one_and_a_half_times(self):
        gadget, driver = start_driver()
        SESSION.desktop.mouse_move(*gadget.to_screen(*harness.SETTINGS_KNOB))
        SESSION.desktop.click(1)
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        dialog = harness.wait_until(lambda: gadget.settings_windows(visible_only=True), timeout=15,
                                    message="the settings dialog")[0]
        small = {c["id"]: c["rect"] for c in SESSION.inspector("children", str(dialog["hwnd"]))}
        width, height = harness.size_of(dialog["client_rect"])
        change_scale(driver, 144, TO_SETTINGS_DIALOG)

        def grown():
            now = [w for w in gadget.settings_windows(visible_only=True) if w["hwnd"] == dialog["hwnd"]]
            return now and harness.size_of(now[0]["client_rect"]) == (round(width * 1.5), round(height * 1.5))

        harness.wait_until(grown, message="the dialog at 150 %")
        large = SESSION.inspector("children", str(dialog["hwnd"]))
        self.assertEqual({c["id"] for c in large}, set(small))
        for control in large:
            with self.subTest(control["title"] or control["class"]):
                for got, was in zip(control["rect"], small[control["id"]]):
                    self.assertLessEqual(abs(got - was * 1.5), 1, f"{control['rect']} is not 1.5 x {small[control['id']]}")


class FatalErrorAfterTheWindowWent(unittest.TestCase):
    """What Wine cannot be made to do in the real exe, the driver does: the
    gadget's window is destroyed, which asks the thread to quit, and then an
    error escapes the logic. The error is still reported, once, and the
    program ends with exit code 1."""

    def test_the_error_shows_until_it_is_dismissed_then_the_program_ends_with_1(self):
        gadget, driver = start_driver()
        SESSION.inspector("post", str(driver), str(WM_APP_FAIL_AFTER_THE_WINDOW_WENT), "0", "0")
        boxes = harness.wait_until(lambda: [b for b in SESSION.inspector("msgbox") if b["pid"] == gadget.pid]
                                   or gadget.process.poll() is not None,
                                   timeout=15, message="the error's message box or the end of the program")
        self.assertIsInstance(boxes, list, f"the program ended ({gadget.process.returncode}) showing no error")
        self.assertEqual([(b["title"], b["texts"]) for b in boxes], [("ExitButton", ["Проверка: окна больше нет."])])
        time.sleep(1.0)
        self.assertIsNone(gadget.process.poll(), "the error closed by itself")
        SESSION.inspector("msgbox-ok", boxes[0]["hwnd"])
        self.assertEqual(gadget.process.wait(15), 1)


if __name__ == "__main__":
    unittest.main()
