"""Hostile input: odd command lines, and messages that other processes send
or post to the gadget and its settings dialog. The gadget must start as
usual, never crash or hang, and the dialog must keep showing the real state.

Messages go through the inspector (post, send-timeout) or, where the
inspector cannot help (10,000 posts, WM_SETTEXT with a real string, a
Windows-side launch with a lone surrogate), through soak_helper.exe (built
with the inspector). What the gadget made of each message is written
to the log.
"""

import os
import sys
import time
import unittest

import harness
import pefile_lite
import soak_animation
import soak_driver
from soak_driver import SCROLL_MAX, SCROLL_MIN, caption_for
from soak_report import PhaseResult

WM_DESTROY, WM_NCDESTROY = 0x0002, 0x0082
WM_CLOSE = 0x0010
WM_ENDSESSION = 0x0016
WM_HSCROLL = 0x0114
WM_MOUSEMOVE = 0x0200
WM_LBUTTONDOWN, WM_LBUTTONUP = 0x0201, 0x0202
WM_RBUTTONDOWN, WM_RBUTTONUP = 0x0204, 0x0205
WM_MBUTTONDOWN, WM_MBUTTONUP = 0x0207, 0x0208
MK_LBUTTON, MK_RBUTTON, MK_MBUTTON = 0x1, 0x2, 0x10
SB_THUMBPOSITION, SB_THUMBTRACK = 4, 5

# lParam values whose (x, y) lie far outside the 160 x 120 window.
FAR_POINTS = {
    "(32767, 32767)": 0x7FFF7FFF,
    "(-32768, -32768)": 0x80008000,
    "(-1, -1)": 0xFFFFFFFF,
    "(32767, -32768)": 0x80007FFF,
    "(-5000, 30000)": ((30000 & 0xFFFF) << 16) | (-5000 & 0xFFFF),
}

SESSION = None
HELPER = None


def setUpModule():
    global SESSION, HELPER
    SESSION = harness.module_session()
    exe = harness.build_helper()
    if exe is None:
        raise harness.HarnessError(f"the soak helper is not built: {harness.HELPER_EXE}")
    HELPER = harness.Helper(SESSION, exe)


def report(text):
    sys.stderr.write(f"\n[hostile] {text}\n")
    sys.stderr.flush()


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def driver_for(gadget):
    """The soak's driver for this gadget, moved where the dialog never covers
    it, collecting faults in a result of its own."""
    driver = soak_driver.SoakDriver(SESSION, gadget, log=lambda text: None)
    driver.prepare()
    driver.result = PhaseResult("hostile", 0)
    return driver


class StartsAsUsual:
    def assert_starts_as_usual(self, window):
        self.assertTrue(window["visible"])
        left, top, right, bottom = window["window_rect"]
        self.assertEqual((right - left, bottom - top), harness.FACE_SIZE)
        region = SESSION.inspector("region", window["hwnd"])["region"]
        self.assertIsNotNone(region, "the gadget has no window region")
        self.assertEqual(region["pixels"], harness.FACE_OPAQUE_PIXELS)
        answer = SESSION.inspector("send-timeout", window["hwnd"], harness.WM_NULL, 0, 0, 1000)
        self.assertTrue(answer["answered"], answer)


class CommandLines(unittest.TestCase, StartsAsUsual):

    def test_with_no_arguments_the_gadget_starts_as_usual(self):
        gadget = SESSION.fresh_gadget(arguments=[])
        self.assert_starts_as_usual(gadget.window())
        self.assertEqual(HELPER("cmdline", gadget.pid)["argc"], 1)

    def test_with_a_hundred_arguments_the_gadget_starts_as_usual(self):
        arguments = [f"/arg{i}" if i % 3 == 0 else f'-x{i}="a b"' if i % 3 == 1 else f"{i}\\\\" for i in range(100)]
        gadget = SESSION.fresh_gadget(arguments=arguments)
        self.assert_starts_as_usual(gadget.window())
        self.assertEqual(HELPER("cmdline", gadget.pid)["argc"], 101, "the hundred arguments did not arrive")

    def test_with_one_argument_of_32000_characters_the_gadget_starts_as_usual(self):
        gadget = SESSION.fresh_gadget(arguments=["Щ" * 16000 + "w" * 16000])
        self.assert_starts_as_usual(gadget.window())
        line = HELPER("cmdline", gadget.pid)
        report(f"32,000-character argument: the process got a command line of {line['length']} units")
        self.assertGreater(line["length"], 32000, "the long argument did not arrive")
        self.assertEqual(line["argc"], 2)

    def test_with_bytes_that_are_not_utf8_the_gadget_starts_as_usual(self):
        gadget = SESSION.fresh_gadget(arguments=[b"\xff\xfe", b"\xed\xa0\x80", b"caf\xe9"])
        self.assert_starts_as_usual(gadget.window())
        self.assertEqual(HELPER("cmdline", gadget.pid)["argc"], 4)

    def test_with_unpaired_surrogates_in_the_command_line_the_gadget_starts_as_usual(self):
        # Linux argv cannot carry a lone UTF-16 surrogate (Wine turns invalid
        # UTF-8 into U+FFFD), so the helper launches the gadget Windows-side.
        SESSION.stop_gadgets()
        SESSION.desktop.mouse_move(0, 0)
        line = f'"{windows_path(SESSION.exe)}" \ud800 x\udc00y \udbff'
        spawned = HELPER("spawn", harness.utf16_hex(line))
        self.assertIn("pid", spawned, spawned)
        pid = spawned["pid"]
        try:
            window = harness.wait_until(
                lambda: [w for w in SESSION.inspector("windows", pid)
                         if w["class"] == harness.GADGET_CLASS and w["visible"]],
                timeout=30, interval=0.2, message="the gadget's window")[0]
            got = HELPER("cmdline", pid)
            self.assertEqual(got["lone_surrogates"], 3, f"the lone surrogates did not arrive: {got}")
            self.assert_starts_as_usual(window)
        finally:
            HELPER("kill", pid)
            harness.wait_until(lambda: not SESSION.inspector("windows", pid), timeout=15,
                               message="the spawned gadget's windows to go")


class HealthyAfterwards(unittest.TestCase):
    """Each test drives a gadget of its own through the soak's driver."""

    def setUp(self):
        self.gadget = SESSION.fresh_gadget()
        self.driver = driver_for(self.gadget)

    def assert_healthy(self, dialog_expected=False):
        """Alive, answering, no window that should not show, consistent."""
        self.driver.check_all(dialog_expected)
        self.driver.check_consistent()
        self.assertEqual(self.driver.result.faults, [])

    def post(self, hwnd, message, wparam, lparam):
        self.assertTrue(SESSION.inspector("post", hwnd, message, wparam, lparam)["posted"])

    def send(self, hwnd, message, wparam, lparam, timeout=2000):
        answer = SESSION.inspector("send-timeout", hwnd, message, wparam, lparam, timeout)
        self.assertTrue(answer["answered"], f"message {message:#x} was not answered: {answer}")
        return answer

    def open_dialog(self):
        view = self.driver.open_dialog()
        self.assertIsNotNone(view, self.driver.result.faults)
        return self.driver.dialog()

    def close_dialog(self, how="button"):
        self.assertTrue(self.driver.close_dialog(how), self.driver.result.faults)

    def scroll_to(self, dialog, code, position):
        wparam = ((position & 0xFFFF) << 16) | code
        self.send(dialog.hwnd, WM_HSCROLL, wparam, dialog.controls[soak_driver.OPACITY_BAR_ID]["hwnd"])
        view = self.driver.dialog()
        self.driver.model.opacity = view.position  # what the message did; the tests judge it
        return view

    def opacity_of(self, view):
        gadget = self.gadget.window()
        alpha = gadget["layered"]["alpha"] if gadget["layered"] else None
        return view.position, view.caption, alpha


class TimerFlood(HealthyAfterwards):

    def test_ten_thousand_posted_timer_ticks_are_all_handled_and_the_gadget_keeps_answering(self):
        ring = soak_animation.face_ring(self.driver)
        answer = HELPER("post", self.gadget.hwnd, harness.WM_TIMER, harness.ANIMATION_TIMER_ID, 0, 10000, 10000)
        self.assertEqual((answer["posted"], answer["failed"], answer["unanswered"], answer["undrained"]),
                         (10000, 0, 0, 0), answer)
        report(f"10,000 posted ticks: WM_NULL answered in {answer['worst_answer_ms']} ms, "
               f"queue handled in {answer['worst_drain_ms']} ms")
        soak_animation.check_frame(self.driver, ring, 6 + 10000)
        self.assert_healthy()


class FarAwayMouse(HealthyAfterwards):

    def test_mouse_messages_far_outside_the_window_neither_move_nor_capture_nor_stop_the_gadget(self):
        rect = self.gadget.window()["window_rect"]
        for name, lparam in FAR_POINTS.items():
            for message, wparam in ((WM_MOUSEMOVE, 0), (WM_LBUTTONDOWN, MK_LBUTTON), (WM_MOUSEMOVE, MK_LBUTTON),
                                    (WM_LBUTTONUP, 0), (WM_RBUTTONDOWN, MK_RBUTTON), (WM_RBUTTONUP, 0),
                                    (WM_MBUTTONDOWN, MK_MBUTTON), (WM_MBUTTONUP, 0)):
                self.post(self.gadget.hwnd, message, wparam, lparam)
            self.send(self.gadget.hwnd, harness.WM_NULL, 0, 0)
            with self.subTest(point=name):
                self.assertEqual(HELPER("capture", self.gadget.hwnd)["capture"], 0)
                self.assertEqual(self.gadget.window()["window_rect"], rect)
        # A real pointer moving over the face must not drag it now.
        SESSION.desktop.mouse_move(*self.driver.screen(*harness.FACE_SPOT))
        SESSION.desktop.mouse_move(*self.driver.screen(harness.FACE_SPOT[0] + 10, harness.FACE_SPOT[1] + 30))
        time.sleep(0.3)
        self.assertEqual(self.gadget.window()["window_rect"], rect)
        self.assert_healthy()

    def test_after_far_away_presses_the_lower_knob_still_opens_the_dialog(self):
        for lparam in FAR_POINTS.values():
            self.post(self.gadget.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, lparam)
            self.post(self.gadget.hwnd, WM_LBUTTONUP, 0, lparam)
        self.open_dialog()
        self.assert_healthy(dialog_expected=True)
        self.close_dialog()
        self.assert_healthy()


class ForgedScaleChanges(HealthyAfterwards):
    """WM_DPICHANGED carries a pointer to the suggested rectangle. The system
    sends it; another process can post it with any number there."""

    WM_DPICHANGED = 0x02E0
    DPI_192 = (192 << 16) | 192
    # Unmapped (null, the first page, the top of the user address range) and
    # mapped but not a rectangle the system made (the exe's own header).
    UNREADABLE = (0, 0x10, 0x7FFEFFF0)

    def test_posted_with_a_pointer_to_nothing_it_is_ignored(self):
        rect = self.gadget.window()["window_rect"]
        for lparam in self.UNREADABLE:
            self.post(self.gadget.hwnd, self.WM_DPICHANGED, self.DPI_192, lparam)
        self.send(self.gadget.hwnd, harness.WM_NULL, 0, 0)
        self.assertEqual(self.gadget.window()["window_rect"], rect, "no new scale, no new place")
        self.assert_healthy()

    def test_posted_with_a_pointer_to_other_data_the_gadget_stays_where_it_was(self):
        # Wine maps the exe at its preferred base: its header reads as a
        # rectangle far off to the right of every display.
        image_base = pefile_lite.PeFile(harness.EXE).image_base
        left, top = self.gadget.window()["window_rect"][:2]
        self.post(self.gadget.hwnd, self.WM_DPICHANGED, self.DPI_192, image_base)
        self.send(self.gadget.hwnd, harness.WM_NULL, 0, 0)
        self.assertEqual(self.gadget.window()["window_rect"][:2], [left, top],
                         "the gadget left its place for one that no display shows")
        self.assertTrue(self.gadget.running())

    def test_a_scale_the_system_never_sends_is_ignored_whatever_the_pointer(self):
        # 768 DPI is a scale of 8: pictures of 2,560 x 1,920 pixels.
        dpi_768 = (768 << 16) | 768
        rect = self.gadget.window()["window_rect"]
        for lparam in (pefile_lite.PeFile(harness.EXE).image_base, 0):
            self.post(self.gadget.hwnd, self.WM_DPICHANGED, dpi_768, lparam)
        self.send(self.gadget.hwnd, harness.WM_NULL, 0, 0, timeout=20000)
        self.assertEqual(self.gadget.window()["window_rect"], rect, "the gadget changed its size or place")
        self.assert_healthy()

    def test_a_size_question_posted_with_a_pointer_it_cannot_write_to_is_left_unanswered(self):
        # WM_GETDPISCALEDSIZE points to a SIZE the window fills in: posted,
        # it points to nothing, or to the exe's read-only header.
        wm_getdpiscaledsize = 0x02E4
        rect = self.gadget.window()["window_rect"]
        for lparam in self.UNREADABLE + (pefile_lite.PeFile(harness.EXE).image_base,):
            self.post(self.gadget.hwnd, wm_getdpiscaledsize, 192, lparam)
        self.send(self.gadget.hwnd, harness.WM_NULL, 0, 0)
        self.assertEqual(self.gadget.window()["window_rect"], rect)
        self.assert_healthy()


class ScrollMessages(HealthyAfterwards):

    POSITIONS = (-5, 0, 49, 256, 40000)

    def check_position(self, view, code, position):
        at, caption, alpha = self.opacity_of(view)
        report(f"WM_HSCROLL code {code} position {position}: scroll bar {at}, caption {caption!r}, alpha {alpha}")
        self.assertTrue(SCROLL_MIN <= at <= SCROLL_MAX, at)
        self.assertEqual(caption, caption_for(at))
        if alpha is not None:
            self.assertEqual(alpha, at)
        if at < SCROLL_MAX:
            self.assertIsNotNone(alpha, "the gadget is not layered below 255")
        return at

    def test_thumb_positions_out_of_range_clamp_to_50_or_255_and_keep_caption_and_alpha_in_agreement(self):
        dialog = self.open_dialog()
        expected = {-5: SCROLL_MIN, 0: SCROLL_MIN, 49: SCROLL_MIN, 256: SCROLL_MAX}
        for position in self.POSITIONS:
            with self.subTest(position=position):
                view = self.scroll_to(dialog, SB_THUMBPOSITION, position)
                at = self.check_position(view, SB_THUMBPOSITION, position)
                if position in expected:
                    self.assertEqual(at, expected[position])
        self.assert_healthy(dialog_expected=True)

    def test_thumb_tracking_from_outside_keeps_the_opacity_within_50_to_255_and_in_agreement(self):
        dialog = self.open_dialog()
        self.scroll_to(dialog, SB_THUMBPOSITION, 100)
        for position in self.POSITIONS:
            with self.subTest(position=position):
                view = self.scroll_to(dialog, SB_THUMBTRACK, position)
                self.check_position(view, SB_THUMBTRACK, position)
        self.assert_healthy(dialog_expected=True)

    def test_scroll_messages_to_the_hidden_dialog_show_when_it_opens(self):
        # The window is made at the first opening; "Закрыть" hides it.
        self.open_dialog()
        self.close_dialog()
        view = self.driver.dialog()
        self.assertFalse(view.visible)
        self.scroll_to(view, SB_THUMBPOSITION, 77)
        view = self.open_dialog()
        self.assertEqual(self.opacity_of(view), (77, caption_for(77), 77))
        self.assert_healthy(dialog_expected=True)


class ForeignText(HealthyAfterwards):

    def set_text(self, hwnd, text):
        answer = HELPER("settext", hwnd, harness.utf16_hex(text))
        self.assertTrue(answer.get("answered"), answer)

    def tamper_opacity_frame(self):
        dialog = self.open_dialog()
        self.scroll_to(dialog, SB_THUMBPOSITION, 200)
        self.set_text(dialog.controls[soak_driver.OPACITY_FRAME_ID]["hwnd"], caption_for(7))
        view = self.driver.dialog()
        report(f"WM_SETTEXT on the opacity frame while the scroll bar stands at {view.position}: "
               f"it reads {view.caption!r}")
        return view

    def test_a_caption_forced_onto_the_opacity_frame_is_replaced_by_the_true_one_at_the_next_opening(self):
        self.tamper_opacity_frame()
        self.close_dialog()
        view = self.open_dialog()
        report(f"after closing and opening again the opacity frame reads {view.caption!r} (scroll bar {view.position})")
        self.assertEqual(view.caption, caption_for(view.position))

    def test_a_caption_forced_onto_the_opacity_frame_is_replaced_by_the_true_one_at_the_next_opacity_change(self):
        view = self.tamper_opacity_frame()
        view = self.scroll_to(view, SB_THUMBPOSITION, 150)
        self.assertEqual(self.opacity_of(view), (150, caption_for(150), 150))

    def test_text_forced_onto_the_other_controls_and_the_dialog_changes_no_setting(self):
        dialog = self.open_dialog()
        self.driver.click(*harness.centre_of(dialog.rect(soak_driver.OPTION_IDS[3])))
        self.driver.model.action = 3
        self.assert_healthy(dialog_expected=True)
        targets = [soak_driver.LINK_BUTTON_ID, soak_driver.CLOSE_BUTTON_ID, soak_driver.OPACITY_BAR_ID,
                   *soak_driver.OPTION_IDS]
        originals = {i: dialog.controls[i]["title"] for i in targets}
        for control_id in targets:
            self.set_text(dialog.controls[control_id]["hwnd"], f"foreign \ud800 text {control_id}")
        view = self.driver.dialog()
        self.assertEqual(view.checked(), [3])
        self.assertEqual(self.opacity_of(view), (255, caption_for(255), None))
        self.close_dialog()
        view = self.open_dialog()
        kept = [i for i in targets if view.controls[i]["title"] != originals[i]]
        report(f"WM_SETTEXT on controls {targets}: after closing and opening again, "
               f"{len(kept)} still show the foreign text ({kept})")
        self.assert_healthy(dialog_expected=True)
        # The dialog's own title last: the X window is found by it.
        self.set_text(view.hwnd, "foreign title")
        report(f"WM_SETTEXT on the dialog: its title now reads {self.driver.dialog().window['title']!r}")
        self.assertEqual(self.driver.dialog().checked(), [3])
        self.assert_healthy(dialog_expected=True)


class CloseAndEndSession(HealthyAfterwards):

    def test_wm_close_on_the_hidden_dialog_destroys_it_and_the_next_opening_shows_the_current_settings(self):
        dialog = self.open_dialog()
        self.scroll_to(dialog, SB_THUMBPOSITION, 120)
        self.driver.click(*harness.centre_of(dialog.rect(soak_driver.OPTION_IDS[2])))
        self.driver.model.action, self.driver.model.opacity = 2, 120
        self.assert_healthy(dialog_expected=True)
        self.close_dialog()
        self.post(dialog.hwnd, WM_CLOSE, 0, 0)
        harness.wait_until(lambda: self.driver.dialog() is None, timeout=20, message="the hidden dialog to go")
        self.assert_healthy()
        view = self.open_dialog()
        self.assertNotEqual(view.hwnd, dialog.hwnd)
        self.assertEqual(view.checked(), [2])
        self.assertEqual(self.opacity_of(view), (120, caption_for(120), 120))
        self.assert_healthy(dialog_expected=True)

    def test_wm_close_on_the_shown_dialog_closes_it_and_gives_the_gadget_its_input_back(self):
        dialog = self.open_dialog()
        self.post(dialog.hwnd, WM_CLOSE, 0, 0)
        self.assertTrue(self.driver.wait_dialog_closed(destroyed=True), self.driver.result.faults)
        self.assertTrue(self.gadget.window()["enabled"])
        self.assert_healthy()
        view = self.open_dialog()
        self.assertNotEqual(view.hwnd, dialog.hwnd)
        self.assert_healthy(dialog_expected=True)

    def test_wm_close_on_the_gadget_leaves_it_running(self):
        self.post(self.gadget.hwnd, WM_CLOSE, 0, 0)
        self.send(self.gadget.hwnd, WM_CLOSE, 0, 0)
        time.sleep(1.0)
        self.assertTrue(self.gadget.running())
        self.assertTrue(self.gadget.window()["visible"])
        self.assert_healthy()

    def test_destruction_messages_from_another_program_destroy_nothing(self):
        # Only DestroyWindow on the window's own thread destroys it; posted or
        # sent from outside, WM_DESTROY and WM_NCDESTROY must not end the
        # gadget nor cut a window off from its program.
        self.open_dialog()
        self.close_dialog()
        dialog = self.driver.dialog()
        windows = [self.gadget.hwnd, self.gadget.child("Command1")["hwnd"], dialog.hwnd]
        for hwnd in windows:
            for message in (WM_DESTROY, WM_NCDESTROY):
                self.post(hwnd, message, 0, 0)
                SESSION.inspector("send-timeout", hwnd, message, 0, 0, 2000, check=False)
        self.send(self.gadget.hwnd, harness.WM_NULL, 0, 0)
        time.sleep(1.0)
        self.assertTrue(self.gadget.running())
        self.assert_healthy()
        view = self.open_dialog()
        self.assertEqual(view.hwnd, dialog.hwnd, "the dialog was made again")
        self.close_dialog()
        self.assert_healthy()

    def test_wm_endsession_on_the_gadget_ends_it_cleanly_or_leaves_it_running(self):
        answer = SESSION.inspector("send-timeout", self.gadget.hwnd, WM_ENDSESSION, 1, 0, 5000, check=False)
        time.sleep(2.0)
        if self.gadget.running():
            report(f"WM_ENDSESSION (TRUE): answered {answer}; the gadget keeps running")
            self.assert_healthy()
        else:
            report(f"WM_ENDSESSION (TRUE): answered {answer}; the gadget ended with status "
                   f"{self.gadget.process.returncode}")
            self.assertEqual(self.gadget.process.returncode, 0)
            self.assertEqual(SESSION.inspector("msgbox"), [])


if __name__ == "__main__":
    unittest.main()
