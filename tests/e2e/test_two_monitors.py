"""The gadget on a desktop of two monitors: it starts on the primary one, its
settings dialog opens on the monitor the gadget is on, and a display change
brings a gadget that no monitor shows back into the nearest monitor's work
area while one partly shown stays where it is.

The two monitors come from a nested Xephyr with Xinerama (see
harness.TwoMonitorDesktop): 1024 x 768 at (0, 0), primary, and 800 x 600 at
(1024, 0). Without RandR their layout cannot change while Wine runs, so the
display change here is a WM_DISPLAYCHANGE the inspector sends to the gadget,
as Windows broadcasts it after a change; test_display_change.py makes a real
one on one monitor."""

import unittest

import harness

SESSION = None
PRIMARY, SECOND = None, None    # {"rect", "work_area", ...} as the inspector reports them
WM_DISPLAYCHANGE = 0x007E
COLOUR_BITS = 24


def setUpModule():
    global SESSION, PRIMARY, SECOND
    desktop = harness.TwoMonitorDesktop()
    SESSION = harness.module_session(desktop)
    monitors = SESSION.inspector("monitors")["monitors"]
    if [m["rect"] for m in monitors] != desktop.monitors or not monitors[0]["primary"]:
        raise harness.HarnessError(f"Wine does not see the two monitors {desktop.monitors}: {monitors}")
    PRIMARY, SECOND = monitors


def inside(inner, outer):
    return outer[0] <= inner[0] and outer[1] <= inner[1] and inner[2] <= outer[2] and inner[3] <= outer[3]


def centred_in(rect, area):
    """How far the rectangle's centre lies from the area's centre, per axis."""
    return (abs((rect[0] + rect[2]) - (area[0] + area[2])) / 2, abs((rect[1] + rect[3]) - (area[1] + area[3])) / 2)


def move(hwnd, left, top):
    moved = SESSION.inspector("move", hwnd, left, top)
    if not moved["moved"] or moved["window_rect"][:2] != [left, top]:
        raise harness.HarnessError(f"could not move window {hwnd} to ({left}, {top}): {moved}")


def display_change(gadget):
    """Sends the gadget what Windows broadcasts after a display change, and
    returns once the gadget has handled it."""
    width, height = SESSION.inspector("system")["screen"]
    answer = SESSION.inspector("send-timeout", gadget.hwnd, WM_DISPLAYCHANGE, COLOUR_BITS,
                               (height << 16) | width, 5000)
    if not answer["answered"]:
        raise harness.HarnessError(f"the gadget did not answer WM_DISPLAYCHANGE: {answer}")


class StartUp(unittest.TestCase):

    def test_the_gadget_starts_centred_on_the_primary_monitors_work_area(self):
        gadget = SESSION.fresh_gadget()
        rect = gadget.window()["window_rect"]
        dx, dy = centred_in(rect, PRIMARY["work_area"])
        self.assertLessEqual(max(dx, dy), 1, f"{rect} is not centred in {PRIMARY['work_area']}")


class DialogOnTheGadgetsMonitor(unittest.TestCase):
    """One gadget; the tests run in order (see load_tests): the first opening
    of its dialog, then later ones."""

    @classmethod
    def setUpClass(cls):
        cls.gadget = SESSION.fresh_gadget()

    def tearDown(self):
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)

    def put_gadget_on(self, monitor):
        """Moves the gadget to the middle of a monitor's work area."""
        left, top, right, bottom = monitor["work_area"]
        width, height = harness.FACE_SIZE
        move(self.gadget.hwnd, (left + right - width) // 2 - 100, (top + bottom - height) // 2 - 100)
        on = SESSION.inspector("monitors", self.gadget.hwnd)["on"]
        self.assertEqual(on["rect"], monitor["rect"], "the gadget is not on the monitor it was moved to")

    def open_dialog(self):
        SESSION.desktop.mouse_move(*self.gadget.to_screen(*harness.SETTINGS_KNOB))
        SESSION.desktop.click(1)
        return harness.wait_until(lambda: self.gadget.settings_windows(visible_only=True), timeout=15,
                                  message="the settings dialog")[0]

    def close_dialog(self, dialog):
        self.gadget.close_settings_with_its_button(dialog)

    def assert_centred_on(self, dialog, monitor):
        on = SESSION.inspector("monitors", dialog["hwnd"])["on"]
        self.assertEqual(on and on["rect"], monitor["rect"], f"the dialog at {dialog['window_rect']} is on {on}")
        dx, dy = centred_in(dialog["window_rect"], monitor["work_area"])
        self.assertLessEqual(max(dx, dy), 1, f"{dialog['window_rect']} is not centred in {monitor['work_area']}")

    def test_1_the_first_opening_centres_the_dialog_on_the_second_monitor_where_the_gadget_is(self):
        self.put_gadget_on(SECOND)
        dialog = self.open_dialog()
        self.assert_centred_on(dialog, SECOND)
        self.close_dialog(dialog)

    def test_2_an_opening_after_the_gadget_went_back_to_the_primary_monitor_centres_the_dialog_there(self):
        self.put_gadget_on(PRIMARY)
        dialog = self.open_dialog()
        self.assert_centred_on(dialog, PRIMARY)
        self.close_dialog(dialog)

    def test_3_an_opening_on_the_monitor_of_the_dialogs_last_place_keeps_that_place(self):
        dialog = self.open_dialog()
        move(dialog["hwnd"], 40, 30)   # on the primary monitor, where the gadget is
        self.close_dialog(dialog)
        dialog = self.open_dialog()
        self.assertEqual(dialog["window_rect"][:2], [40, 30])
        self.close_dialog(dialog)

    def test_4_an_opening_after_the_gadget_moved_to_the_other_monitor_centres_the_dialog_there(self):
        self.put_gadget_on(SECOND)
        dialog = self.open_dialog()
        self.assert_centred_on(dialog, SECOND)
        self.close_dialog(dialog)


class DisplayChange(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.gadget = SESSION.fresh_gadget()
        cls.size = harness.FACE_SIZE

    def assert_brought_into(self, place, monitor):
        move(self.gadget.hwnd, *place)
        state = SESSION.inspector("monitors", self.gadget.hwnd)
        self.assertIsNone(state["on"], f"no monitor should show the gadget at {place}")
        self.assertEqual(state["nearest"]["rect"], monitor["rect"])
        display_change(self.gadget)
        rect = self.gadget.window()["window_rect"]
        self.assertEqual((rect[2] - rect[0], rect[3] - rect[1]), self.size, "the gadget changed its size")
        self.assertTrue(inside(rect, monitor["work_area"]), f"{rect} is not inside {monitor['work_area']}")

    def assert_stays(self, place):
        move(self.gadget.hwnd, *place)
        self.assertIsNotNone(SESSION.inspector("monitors", self.gadget.hwnd)["on"],
                             f"a monitor should show part of the gadget at {place}")
        display_change(self.gadget)
        self.assertEqual(self.gadget.window()["window_rect"][:2], list(place))

    def test_a_gadget_below_the_second_monitor_comes_fully_into_its_work_area(self):
        # Right of the primary monitor's edge and below the second one's
        # bottom: the second monitor is the nearer one.
        self.assert_brought_into((1300, SECOND["rect"][3] + 50), SECOND)

    def test_a_gadget_left_of_the_primary_monitor_comes_fully_into_its_work_area(self):
        self.assert_brought_into((-400, 300), PRIMARY)

    def test_a_gadget_far_beyond_both_corners_comes_into_the_nearest_monitor(self):
        self.assert_brought_into((3000, -2000), SECOND)

    def test_a_gadget_partly_on_the_second_monitor_stays_where_it_is(self):
        self.assert_stays((SECOND["rect"][2] - 20, SECOND["rect"][3] - 20))

    def test_a_gadget_partly_on_the_primary_monitor_below_the_second_stays_where_it_is(self):
        self.assert_stays((PRIMARY["rect"][2] - 30, SECOND["rect"][3] + 100))


def load_tests(loader, tests, pattern):
    """The classes in the order written; their tests in name order."""
    suite = unittest.TestSuite()
    for case in (StartUp, DialogOnTheGadgetsMonitor, DisplayChange):
        suite.addTests(loader.loadTestsFromTestCase(case))
    return suite


if __name__ == "__main__":
    unittest.main()
