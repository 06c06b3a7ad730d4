"""The settings dialog at display scales of 100, 125, 150 and 200 %: its
controls are laid out at the display's DPI, so every text still fits its
control and every option its group box, as at 96 DPI.

Wine reads the system DPI from the prefix's LogPixels value when a process
starts; the module sets it for each scale and puts it back afterwards."""

import os
import unittest

import harness

SESSION = None
DPIS = (96, 120, 144, 192)
DARK = 200                 # a pixel whose channels sum below this is ink
# What each DPI's dialog looked like: its window and its controls' rectangles.
DIALOGS = {}


def open_dialog_at(dpi):
    """Starts a gadget with the system DPI at `dpi`, opens its dialog and
    returns its window, its controls and a screenshot."""
    SESSION.set_log_pixels(dpi)
    gadget = SESSION.fresh_gadget()
    # The knob's place scales with the display, as every edge of the gadget does.
    knob = [int(v * dpi / 96 + 0.5) for v in harness.SETTINGS_KNOB]
    SESSION.desktop.mouse_move(*gadget.to_screen(*knob))
    SESSION.desktop.click(1)
    SESSION.desktop.mouse_move(0, 0)
    dialog = harness.wait_until(
        lambda: [w for w in gadget.windows() if w["class"] == harness.SETTINGS_CLASS and w["visible"]],
        timeout=15, message=f"the settings dialog at {dpi} DPI")[0]
    controls = SESSION.inspector("children", dialog["hwnd"])
    # Let the dialog finish painting before the screenshot.
    harness.wait_until(lambda: SESSION.inspector("send-timeout", dialog["hwnd"], harness.WM_NULL, 0, 0, 2000)
                       ["answered"], timeout=10, message="the dialog to answer")
    shot = SESSION.screenshot()
    artifacts = os.environ.get("EXITBUTTON_E2E_ARTIFACTS")
    if artifacts:
        os.makedirs(artifacts, exist_ok=True)
        left, top, right, bottom = dialog["window_rect"]
        shot.crop(max(left, 0), max(top, 0), min(right, shot.width) - max(left, 0),
                  min(bottom, shot.height) - max(top, 0)).save_png(
            os.path.join(artifacts, f"display_scale_{harness.BUILD}_{dpi}.png"))
    return {"window": dialog, "controls": controls, "shot": shot}


def setUpModule():
    global SESSION
    SESSION = harness.module_session()
    unittest.addModuleCleanup(SESSION.set_log_pixels, harness.STANDARD_DPI)
    for dpi in DPIS:
        DIALOGS[dpi] = open_dialog_at(dpi)
    SESSION.stop_gadgets()


def client_size(window):
    return harness.size_of(window["client_rect"])


def is_option(control):
    return control["class"].lower() == "button" and control["style"] & 0xF == 9  # BS_AUTORADIOBUTTON


def text_controls(dialog):
    """The labels, options, push buttons and group boxes: every control with a text."""
    return [c for c in dialog["controls"] if c["title"] and c["class"].lower() in ("static", "button")]


def ink_box(shot, rect):
    """The bounding box of the dark pixels inside a screen rectangle, or None."""
    left, top, right, bottom = rect
    xs, ys = [], []
    for y in range(top, bottom):
        for x in range(left, right):
            if sum(shot.pixel(x, y)) < DARK:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None


class DialogLayoutFollowsTheDisplayScale(unittest.TestCase):

    def test_at_each_scale_the_dialog_and_every_control_are_scaled_from_their_100_percent_size(self):
        small = DIALOGS[96]
        width, height = client_size(small["window"])
        by_id = {c["id"]: c for c in small["controls"]}
        for dpi in DPIS[1:]:
            large = DIALOGS[dpi]
            scale = dpi / 96
            with self.subTest(dpi=dpi, window="client area"):
                # Both sizes are rounded from the same twips: they may part by a pixel.
                for got, was in zip(client_size(large["window"]), (width, height)):
                    self.assertLessEqual(abs(got - was * scale), 1, f"{client_size(large['window'])} is not "
                                                                    f"{scale} x {(width, height)}")
            options = sorted((c for c in large["controls"] if is_option(c)), key=lambda c: c["rect"][1])
            for control in large["controls"]:
                with self.subTest(dpi=dpi, control=control["title"] or control["class"]):
                    before = by_id[control["id"]]["rect"]
                    # An option whose wrapped text needs a little more height
                    # at this scale may grow downwards, never onto the next one.
                    edges = 3 if is_option(control) else 4
                    for got, was in zip(control["rect"][:edges], before[:edges]):
                        self.assertLessEqual(abs(got - was * scale), 1, f"{control['rect']} is not {scale} x {before}")
                    if is_option(control):
                        self.assertGreaterEqual(control["rect"][3], before[3] * scale - 1)
                        grown = control["rect"][3] > before[3] * scale + 1
                        following = [o for o in options if o["rect"][1] > control["rect"][1]]
                        if grown and following:  # the design itself lets two options touch
                            self.assertLessEqual(control["rect"][3], following[0]["rect"][1],
                                                 "the option reaches onto the next one")

    def test_at_each_scale_the_options_sit_inside_their_group_box_and_the_scroll_bar_inside_its_own(self):
        for dpi, dialog in DIALOGS.items():
            boxes = [c for c in dialog["controls"] if c["class"].lower() == "button" and c["style"] & 0xF == 7]
            self.assertEqual(len(boxes), 2, f"{dpi} DPI: expected two group boxes")
            actions, opacity = sorted(boxes, key=lambda c: c["rect"][1])
            options = [c for c in dialog["controls"] if c["class"].lower() == "button" and c["style"] & 0xF == 9]
            scroll = [c for c in dialog["controls"] if c["class"].lower() == "scrollbar"]
            for inner, outer in [(o, actions) for o in options] + [(s, opacity) for s in scroll]:
                with self.subTest(dpi=dpi, control=inner["title"] or inner["class"]):
                    a, b = inner["rect"], outer["rect"]
                    self.assertTrue(b[0] <= a[0] and b[1] <= a[1] and a[2] <= b[2] and a[3] <= b[3],
                                    f"{a} is not inside {b}")

    def test_at_each_scale_no_text_is_cut_off_at_the_edge_of_its_control(self):
        # A text too large for its control is clipped: its ink then runs into
        # the control's last column or row. Group boxes draw their own frame
        # there, so only their caption's strip is looked at.
        for dpi, dialog in DIALOGS.items():
            for control in text_controls(dialog):
                left, top, right, bottom = control["screen_rect"]
                style = control["style"] & 0xF
                if control["class"].lower() == "button" and style == 7:
                    continue  # the group boxes' captions are checked by the next test
                with self.subTest(dpi=dpi, control=control["title"]):
                    ink = ink_box(dialog["shot"], (left, top, right, bottom))
                    self.assertIsNotNone(ink, "no text is drawn at all")
                    if control["class"].lower() == "static":
                        self.assertGreater(ink[0], left, f"text cut at the left edge: ink {ink} in {control['screen_rect']}")
                    self.assertLess(ink[2], right, f"text cut at the right edge: ink {ink} in {control['screen_rect']}")
                    self.assertLess(ink[3], bottom, f"text cut at the bottom: ink {ink} in {control['screen_rect']}")

    def test_at_each_scale_the_texts_of_neighbouring_controls_do_not_overlap(self):
        for dpi, dialog in DIALOGS.items():
            texts = [c for c in text_controls(dialog) if c["class"].lower() == "static"]
            for i, first in enumerate(texts):
                for second in texts[i + 1:]:
                    a, b = first["screen_rect"], second["screen_rect"]
                    with self.subTest(dpi=dpi, first=first["title"], second=second["title"]):
                        self.assertFalse(a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3],
                                         f"{a} overlaps {b}")


if __name__ == "__main__":
    unittest.main()
