"""A real display change: the inspector switches the display from 1024 x 768
to 800 x 600 with ChangeDisplaySettings, as a program of the user's might;
Wine carries it out on the private Xvfb through RandR and tells every window
with WM_DISPLAYCHANGE. A gadget that no longer shows at all comes back fully
into the work area; one still partly shown stays where it is.

Xvfb offers only its starting mode, so the 800 x 600 mode is added with
xrandr first. A change made from outside with xrandr alone reaches Wine's
monitor list but, measured with Wine 8, no WM_DISPLAYCHANGE reaches the
programs: that is why the change goes through Wine."""

import time
import unittest

import harness

SESSION = None
LARGE = (1024, 768)
SMALL = (800, 600)
# The mode Xvfb lacks: 800 x 600 at 60 Hz (VESA timings).
SMALL_MODE = ("800x600", "40", "800", "840", "968", "1056", "600", "601", "605", "628")
OUTPUT = "screen"          # Xvfb's one RandR output
STILL = 2.0                # how long a gadget that should stay is watched, seconds


def setUpModule():
    global SESSION
    SESSION = harness.module_session()
    SESSION.desktop.run("xrandr", "--newmode", *SMALL_MODE)
    SESSION.desktop.run("xrandr", "--addmode", OUTPUT, SMALL_MODE[0])


def set_screen(size):
    """Switches the display to `size` and waits until Wine's monitor has it."""
    SESSION.inspector("display-mode", *size)
    harness.wait_until(lambda: [m["rect"] for m in SESSION.inspector("monitors")["monitors"]] == [[0, 0, *size]],
                       timeout=15, message=f"Wine to see one {size[0]} x {size[1]} monitor")


def inside(inner, outer):
    return outer[0] <= inner[0] and outer[1] <= inner[1] and inner[2] <= outer[2] and inner[3] <= outer[3]


class RealDisplayChange(unittest.TestCase):

    def setUp(self):
        set_screen(LARGE)
        self.gadget = SESSION.fresh_gadget()

    def tearDown(self):
        set_screen(LARGE)

    def test_a_gadget_the_smaller_screen_no_longer_shows_comes_fully_into_the_work_area(self):
        place = (LARGE[0] - 200, LARGE[1] - 150)   # on the large screen, beyond the small one
        SESSION.inspector("move", self.gadget.hwnd, *place)
        set_screen(SMALL)
        work = SESSION.inspector("system")["work_area"]

        def brought_in():
            rect = self.gadget.window()["window_rect"]
            return rect if inside(rect, work) else None

        rect = harness.wait_until(brought_in, timeout=15, message=f"the gadget to come into the work area {work}")
        self.assertEqual((rect[2] - rect[0], rect[3] - rect[1]), harness.FACE_SIZE)

    def test_a_gadget_the_smaller_screen_still_shows_in_part_stays_where_it_is(self):
        place = (SMALL[0] - 60, SMALL[1] - 40)
        SESSION.inspector("move", self.gadget.hwnd, *place)
        set_screen(SMALL)
        deadline = time.monotonic() + STILL
        while time.monotonic() < deadline:
            self.assertEqual(self.gadget.window()["window_rect"][:2], list(place))
            time.sleep(0.2)


class SettingsDialogAfterDisplayChange(unittest.TestCase):
    """The dialog remembers where it was hidden; when that place is gone or
    only partly shown after the change, it opens wholly on the gadget's
    display, and an open dialog comes back on screen by itself."""

    LOWER_RIGHT = (LARGE[0] - 373, LARGE[1] - 395)   # the dialog's corner, just inside the large screen
    BEYOND_SMALL = (SMALL[0] + 20, SMALL[1] + 20)     # wholly outside the small screen

    def setUp(self):
        set_screen(LARGE)
        self.gadget = SESSION.fresh_gadget()

    def tearDown(self):
        set_screen(LARGE)

    def dialog_rect(self, hwnd):
        return [w for w in self.gadget.windows() if w["hwnd"] == hwnd][0]["window_rect"]

    def hide_at(self, place):
        dialog = self.gadget.open_settings_from_the_knob()
        SESSION.inspector("move", dialog["hwnd"], *place)
        harness.wait_until(lambda: self.dialog_rect(dialog["hwnd"])[:2] == list(place), timeout=10,
                           message=f"the dialog at {place}")
        self.gadget.close_settings_with_its_button(dialog)

    def assert_wholly_in_work_area(self, hwnd):
        work = SESSION.inspector("system")["work_area"]
        harness.wait_until(lambda: inside(self.dialog_rect(hwnd), work), timeout=15,
                           message=f"the dialog wholly inside the work area {work}")
        self.assertFalse(self.gadget.window()["enabled"], "the gadget is disabled behind the dialog")

    def test_hidden_partly_beyond_the_smaller_screen_it_opens_wholly_on_it(self):
        self.hide_at(self.LOWER_RIGHT)
        set_screen(SMALL)
        self.gadget.settle()
        self.assert_wholly_in_work_area(self.gadget.open_settings_from_the_knob()["hwnd"])

    def test_hidden_wholly_beyond_the_smaller_screen_it_opens_on_it(self):
        self.hide_at(self.BEYOND_SMALL)
        set_screen(SMALL)
        self.gadget.settle()
        self.assert_wholly_in_work_area(self.gadget.open_settings_from_the_knob()["hwnd"])

    def test_open_while_the_screen_shrinks_it_comes_wholly_onto_the_smaller_screen(self):
        dialog = self.gadget.open_settings_from_the_knob()
        SESSION.inspector("move", dialog["hwnd"], *self.LOWER_RIGHT)
        harness.wait_until(lambda: self.dialog_rect(dialog["hwnd"])[:2] == list(self.LOWER_RIGHT), timeout=10,
                           message="the dialog at the lower right")
        set_screen(SMALL)
        self.assert_wholly_in_work_area(dialog["hwnd"])


class SettingsDialogAfterDisplayChangeAt192Dpi(unittest.TestCase):
    """At 200 % the dialog (730 x 773) is larger than the 800 x 600 screen:
    after the change it opens with its top-left corner, its caption, inside."""

    @classmethod
    def setUpClass(cls):
        SESSION.set_log_pixels(192)
        cls.addClassCleanup(SESSION.set_log_pixels, harness.STANDARD_DPI)

    def setUp(self):
        set_screen(LARGE)
        self.gadget = SESSION.fresh_gadget()

    def tearDown(self):
        set_screen(LARGE)

    def test_hidden_where_the_smaller_screen_cannot_hold_it_it_opens_with_its_caption_inside(self):
        dialog = self.gadget.open_settings_from_the_knob(192)
        SESSION.inspector("move", dialog["hwnd"], 300, 100)
        self.gadget.close_settings_with_its_button(dialog)
        set_screen(SMALL)
        self.gadget.settle()
        hwnd = self.gadget.open_settings_from_the_knob(192)["hwnd"]
        work = SESSION.inspector("system")["work_area"]

        def caption_inside():
            left, top, right, bottom = [w for w in self.gadget.windows() if w["hwnd"] == hwnd][0]["window_rect"]
            # Too tall for the screen, it fits across: its top on the work
            # area's, and wholly inside from left to right.
            return top == work[1] and work[0] <= left and right <= work[2]

        harness.wait_until(caption_inside, timeout=15, message=f"the dialog's caption inside the work area {work}")

if __name__ == "__main__":
    unittest.main()
