"""Opening the settings dialog at 100 % and at 200 %: a double or triple
click on the settings knob opens it once and chooses nothing in it (the
later clicks land on the dialog, centred over the gadget), and a dialog
taller than the work area opens with its caption on screen.

Wine reads the system DPI from the prefix's LogPixels value when a process
starts; each class sets it for its scale, and the module puts it back."""

import unittest

import harness

SESSION = None
FORCED_LOG_OFF_ONLY = [1, 0, 0, 0, 0]


def setUpModule():
    global SESSION
    SESSION = harness.module_session()
    unittest.addModuleCleanup(SESSION.set_log_pixels, harness.STANDARD_DPI)


class AtOneScale:
    """The tests, for a subclass that names its DPI."""

    dpi = harness.STANDARD_DPI

    @classmethod
    def setUpClass(cls):
        SESSION.set_log_pixels(cls.dpi)

    def setUp(self):
        self.gadget = SESSION.fresh_gadget()

    def children(self, hwnd):
        return SESSION.inspector("children", hwnd)

    def checks(self, hwnd):
        by_title = {c["title"]: c["check"] for c in self.children(hwnd)}
        return [by_title[caption] for caption in harness.SETTINGS_OPTION_CAPTIONS]

    def close_with_a_real_click(self, hwnd):
        """Clicks the close button with the pointer: the click comes after
        every earlier one, so once the dialog hides all of them were handled."""
        close = [c for c in self.children(hwnd) if c["title"] == harness.SETTINGS_CLOSE_CAPTION][0]
        SESSION.desktop.mouse_move(*harness.centre_of(close["screen_rect"]))
        SESSION.desktop.click()
        harness.wait_until(lambda: not self.gadget.settings_windows(visible_only=True), timeout=15,
                           message="the settings dialog to hide")

    def assert_gesture_chooses_nothing(self, clicks, delay_ms):
        dialog = self.gadget.open_settings_from_the_knob(self.dpi, clicks=clicks, delay_ms=delay_ms)
        self.close_with_a_real_click(dialog["hwnd"])
        self.assertEqual(self.checks(dialog["hwnd"]), FORCED_LOG_OFF_ONLY,
                         f"{clicks} clicks {delay_ms} ms apart chose an action")
        self.assertEqual(len(self.gadget.settings_windows()), 1, "the dialog was made once")
        harness.wait_until(lambda: self.gadget.window()["enabled"], timeout=10, message="the gadget enabled")

    def test_a_fast_double_click_on_the_knob_opens_the_dialog_and_chooses_nothing(self):
        self.assert_gesture_chooses_nothing(2, 80)

    def test_a_slow_double_click_on_the_knob_opens_the_dialog_and_chooses_nothing(self):
        self.assert_gesture_chooses_nothing(2, 200)

    def test_a_triple_click_on_the_knob_opens_the_dialog_and_chooses_nothing(self):
        self.assert_gesture_chooses_nothing(3, 80)

    def test_the_dialog_opens_with_its_top_left_in_the_work_area_and_wholly_in_it_where_it_fits(self):
        dialog = self.gadget.open_settings_from_the_knob(self.dpi)
        left, top, right, bottom = dialog["window_rect"]
        work = SESSION.inspector("system")["work_area"]
        self.assertGreaterEqual(left, work[0])
        self.assertGreaterEqual(top, work[1], "the caption is cut off")
        self.assertLessEqual(right, work[2], "it fits across, so wholly inside")
        if bottom - top <= work[3] - work[1]:
            self.assertLessEqual(bottom, work[3])


class AtOneHundredPercent(AtOneScale, unittest.TestCase):
    dpi = 96


class AtTwoHundredPercent(AtOneScale, unittest.TestCase):
    dpi = 192


if __name__ == "__main__":
    unittest.main()
