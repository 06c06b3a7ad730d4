"""The settings dialog: opening it from the gadget's lower knob, its frame and
controls, and what each control does to the dialog and to the gadget.

Most tests start a gadget of their own, so that no test sees what another one
selected, scrolled, moved or closed. Set EXITBUTTON_SCREENSHOT_DIR to a folder
to have the picture test write settings.png (the dialog beside the gadget)
there.
"""

import os
import re
import time
import unittest

import harness

SETTINGS_TITLE = harness.SETTINGS_CAPTION
CLIENT_SIZE = (362, 368)
WEB_ADDRESS = "https://exitbutton.example/"
OPACITY_WORD = "Прозрачность"
SCROLL_MINIMUM = 50
SCROLL_MAXIMUM = 255

OPTION_CAPTIONS = harness.SETTINGS_OPTION_CAPTIONS
OPTION_TOPS = [104, 136, 160, 192, 224]
OPTIONS = [f"action option {i}" for i in range(5)]

# Window styles beyond the ones the harness names.
WS_DISABLED = 0x08000000
WS_SYSMENU = 0x00080000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_CHILD = 0x40000000
BS_TYPEMASK = 0x0000000F
BS_PUSHBUTTON = 0x0
BS_DEFPUSHBUTTON = 0x1
BS_GROUPBOX = 0x7
BS_AUTORADIOBUTTON = 0x9
SBS_VERT = 0x1
BST_CHECKED = 1

# The controls in the order they are created, which is the order the dialog
# manager tabs through them: name, window class, kind, caption, and the
# rectangle (left, top, width, height) in the dialog's client coordinates.
PUSH, LABEL, GROUP, RADIO, HORIZONTAL_BAR = "push button", "label", "group box", "radio button", "horizontal scroll bar"
CONTROLS = [
    ("link button", "Button", PUSH, WEB_ADDRESS, (160, 336, 193, 25)),
    ("title label", "Static", LABEL, "Кнопка для выхода из системы", (32, 8, 289, 25)),
    ("maker label", "Static", LABEL, "Сделано командой ExitButton (exitbutton.example)", (0, 40, 361, 17)),
    ("year label", "Static", LABEL, "2004 г.", (128, 64, 97, 17)),
    ("action group", "Button", GROUP, "Кнопка...", (8, 88, 345, 169)),
] + [
    (OPTIONS[i], "Button", RADIO, OPTION_CAPTIONS[i], (16, OPTION_TOPS[i], 281, 25)) for i in range(5)
] + [
    ("close button", "Button", PUSH, "Закрыть", (8, 336, 145, 25)),
    ("opacity frame", "Button", GROUP, "Прозрачность 255", (8, 264, 345, 41)),
    ("opacity scroll bar", "ScrollBar", HORIZONTAL_BAR, "", (16, 280, 329, 17)),
]
CONTROL_NAMES = [c[0] for c in CONTROLS]

# The desktop colour replaced in the saved picture, so that it does not show
# the tests' marker magenta.
PICTURE_DESKTOP = (0x3A, 0x6E, 0xA5)

SESSION = None


def setUpModule():
    global SESSION
    SESSION = harness.module_session()


# ---- Helpers -----------------------------------------------------------------


def kind_of(control):
    style = control["style"]
    name = control["class"].lower()
    if name == "button":
        return {BS_PUSHBUTTON: PUSH, BS_DEFPUSHBUTTON: PUSH, BS_GROUPBOX: GROUP,
                BS_AUTORADIOBUTTON: RADIO}.get(style & BS_TYPEMASK, f"button type {style & BS_TYPEMASK}")
    if name == "static":
        return LABEL
    if name == "scrollbar":
        return "vertical scroll bar" if style & SBS_VERT else HORIZONTAL_BAR
    return name


def opacity_caption(value):
    return f"{OPACITY_WORD} {value}"


class Dialog:
    """One settings window of one gadget, found and driven from outside."""

    def __init__(self, gadget, hwnd):
        self.gadget = gadget
        self.hwnd = hwnd

    def window(self):
        """The window's current state, or None once it is destroyed."""
        for w in self.gadget.windows():
            if w["hwnd"] == self.hwnd:
                return w
        return None

    def visible(self):
        w = self.window()
        return bool(w and w["visible"])

    def controls(self):
        """The children by name, in creation order."""
        children = SESSION.inspector("children", self.hwnd)
        if len(children) != len(CONTROL_NAMES):
            raise AssertionError(f"expected {len(CONTROL_NAMES)} controls, found "
                                 f"{[(c['class'], c['title']) for c in children]!r}")
        return dict(zip(CONTROL_NAMES, children))

    def control(self, name):
        return self.controls()[name]

    def checks(self):
        controls = self.controls()
        return [controls[name]["check"] for name in OPTIONS]

    def focused(self):
        """The name of the control with the focus, or None."""
        found = [name for name, c in self.controls().items() if c["focused"]]
        return found[0] if len(found) == 1 else (found or None)

    def opacity_state(self):
        """(scroll position, opacity frame caption, gadget layered?, gadget alpha)."""
        controls = self.controls()
        gadget = self.gadget.window()
        layered = gadget["layered"]
        return (controls["opacity scroll bar"]["scroll"]["pos"], controls["opacity frame"]["title"],
                bool(gadget["exstyle"] & harness.WS_EX_LAYERED), layered and layered["alpha"])

    def click(self, name):
        SESSION.desktop.mouse_move(*harness.centre_of(self.control(name)["screen_rect"]))
        SESSION.desktop.click()

    def x_window(self):
        def find():
            ids = SESSION.desktop.x_windows_named(SETTINGS_TITLE, mapped_only=True)
            return ids if len(ids) == 1 else None
        return harness.wait_until(find, timeout=10, message="one mapped X window of the dialog")[0]

    def key(self, *names):
        """Types keys into the dialog."""
        xid = str(self.x_window())
        for name in names:
            SESSION.desktop.key("--window", xid, name)

    def drag_caption(self, dx, dy):
        """Moves the dialog by dragging its caption."""
        left, top, right, _ = self.window()["window_rect"]
        x, y = left + 60, top + 8
        SESSION.desktop.mouse_move(x, y)
        SESSION.desktop.mouse_down()
        steps = 5
        for i in range(1, steps + 1):
            SESSION.desktop.mouse_move(x + dx * i // steps, y + dy * i // steps)
        SESSION.desktop.mouse_up()
        harness.wait_until(lambda: self.window()["window_rect"][:2] == [left + dx, top + dy], timeout=10,
                           message=f"the dialog to move by ({dx}, {dy})")

    def close_box_centre(self):
        return harness.close_box_centre(self.window())

    def wait_until_destroyed(self):
        # Without a window manager a top-level window takes about 2 s to go.
        harness.wait_until(lambda: self.window() is None, timeout=20, message="the dialog to be destroyed")


def settle(gadget):
    """Waits until the gadget's thread is back in its message loop: it answers
    a sent WM_NULL only after the handler it is in has returned (hiding a
    window can keep a handler busy for a second or two here)."""
    answer = SESSION.inspector("send-timeout", gadget.hwnd, harness.WM_NULL, 0, 0, 20000)
    if not answer["answered"]:
        raise AssertionError(f"the gadget's thread did not answer: {answer!r}")


def open_settings(gadget):
    """Clicks the gadget's lower knob and returns the dialog once it shows."""
    SESSION.desktop.mouse_move(*gadget.to_screen(*harness.SETTINGS_KNOB))
    SESSION.desktop.click()
    shown = harness.wait_until(lambda: gadget.settings_windows(visible_only=True), timeout=15,
                               message="a visible settings window")
    if len(shown) != 1:
        raise AssertionError(f"expected one visible settings window, found {shown!r}")
    return Dialog(gadget, shown[0]["hwnd"])


def gadget_face(gadget, shot=None):
    left, top, right, bottom = gadget.window()["window_rect"]
    return (shot or SESSION.screenshot()).crop(left, top, right - left, bottom - top)


def relay_include():
    """The prefix's current RelayInclude list, or None."""
    status, text, _ = SESSION.run("reg", "query", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude")
    match = re.search(r"RelayInclude\s+REG_SZ\s+(.*?)\s*$", text, re.MULTILINE)
    return match.group(1) if status == 0 and match else None


class DialogTestCase(unittest.TestCase):
    """Each test gets a gadget of its own with its settings dialog open."""

    relay = False

    def setUp(self):
        self.gadget = SESSION.fresh_gadget(relay=self.relay)
        self.dialog = open_settings(self.gadget)

    def assert_opacity(self, value):
        """The scroll bar, the opacity frame's caption and the gadget's alpha all show `value`."""
        expected = (value, opacity_caption(value), True, value)
        harness.wait_until(lambda: self.dialog.opacity_state() == expected, timeout=10,
                           message=f"scroll position, caption, layered style and alpha {expected!r}")

    def assert_only_option_checked(self, index):
        expected = [BST_CHECKED if i == index else 0 for i in range(5)]
        harness.wait_until(lambda: self.dialog.checks() == expected, timeout=10,
                           message=f"only option {index} checked")

    def assert_focus(self, name):
        harness.wait_until(lambda: self.dialog.focused() == name, timeout=10, message=f"the focus on {name}")


# ---- Opening -------------------------------------------------------------------

class OpeningFromTheLowerKnob(DialogTestCase):

    def test_clicking_the_lower_knob_shows_exactly_one_settings_window_of_the_gadgets_process(self):
        windows = self.gadget.settings_windows()
        self.assertEqual([w["hwnd"] for w in windows], [self.dialog.hwnd])
        self.assertTrue(windows[0]["visible"])
        self.assertEqual(windows[0]["pid"], self.gadget.pid)

    def test_the_gadget_is_disabled_while_the_dialog_shows(self):
        gadget = self.gadget.window()
        self.assertFalse(gadget["enabled"])
        self.assertTrue(gadget["style"] & WS_DISABLED, hex(gadget["style"]))
        self.assertTrue(gadget["visible"])

    def test_the_dialog_becomes_the_foreground_window(self):
        harness.wait_until(lambda: self.dialog.window()["foreground"], timeout=10,
                           message="the dialog in the foreground")

    def test_the_link_button_has_the_focus_when_the_dialog_first_shows(self):
        self.assert_focus("link button")


class GadgetAnimationUnderTheDialog(unittest.TestCase):

    def test_the_gadget_keeps_taking_its_animation_steps_while_the_dialog_is_open(self):
        gadget = SESSION.fresh_gadget()
        # Out of the way of the centred dialog, so that its face can be seen.
        gadget.drag_to(*harness.GADGET_BESIDE_DIALOG)
        dialog = open_settings(gadget)
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        self.assertFalse(harness.overlaps(dialog.window()["window_rect"], gadget.window()["window_rect"]),
                         "the dialog covers the gadget")
        self.assertFalse(gadget.window()["enabled"])
        faces = set()

        # The face animates only while the pointer is on the round button,
        # which the pointer leaves for the lower knob: here the animation
        # timer's ticks come from outside, and must reach the gadget through
        # the dialog's modal loop.
        def several_faces():
            SESSION.inspector("post", gadget.hwnd, harness.WM_TIMER, harness.ANIMATION_TIMER_ID, 0)
            faces.add(gadget_face(gadget).rgb)
            return len(faces) >= 3

        harness.wait_until(several_faces, timeout=15, interval=0.05,
                           message="three different pictures of the gadget's face while the dialog shows")
        self.assertTrue(dialog.visible())


class DialogPicture(unittest.TestCase):

    def test_the_dialog_is_painted_in_full_beside_the_gadget(self):
        gadget = SESSION.fresh_gadget()
        gadget.drag_to(*harness.GADGET_BESIDE_DIALOG)  # the pointer now rests on the face: no hover picture
        dialog = open_settings(gadget)
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        d_left, d_top, d_right, d_bottom = dialog.window()["window_rect"]
        g_left, g_top, g_right, g_bottom = gadget.window()["window_rect"]
        left, top = min(d_left, g_left) - 12, min(d_top, g_top) - 12
        right, bottom = max(d_right, g_right) + 12, max(d_bottom, g_bottom) + 12
        area = harness.wait_until_steady(lambda: SESSION.screenshot().crop(left, top, right - left, bottom - top),
                                         timeout=15, interval=0.3, message="an unchanging picture")
        unpainted = [(x, y) for y in range(d_top - top, d_bottom - top) for x in range(d_left - left, d_right - left)
                     if area.pixel(x, y) == harness.ROOT_COLOUR]
        self.assertEqual(unpainted[:20], [], f"{len(unpainted)} dialog pixels show the desktop")
        region = harness.region_points(gadget.region()["rects"], g_left - left, g_top - top)
        uncovered = [p for p in region if area.pixel(*p) == harness.ROOT_COLOUR]
        self.assertEqual(sorted(uncovered)[:20], [], f"{len(uncovered)} gadget pixels show the desktop")

        folder = os.environ.get("EXITBUTTON_SCREENSHOT_DIR")
        if folder:
            os.makedirs(folder, exist_ok=True)
            rgb = bytearray(area.rgb)
            marker = bytes(harness.ROOT_COLOUR)
            for i in range(0, len(rgb), 3):
                if rgb[i:i + 3] == marker:
                    rgb[i:i + 3] = bytes(PICTURE_DESKTOP)
            harness.Image(area.width, area.height, bytes(rgb)).save_png(os.path.join(folder, "settings.png"))


# ---- The dialog belongs to the gadget ----------------------------------------------

class DialogOwnedByTheGadget(unittest.TestCase):
    """The dialog is owned by the gadget's window: it stays above the gadget,
    and a click on the disabled gadget brings it forward from under any other
    window. The gadget stands partly under the centred dialog, so that both
    can be seen: its knobs under the dialog, its left bars beside it."""

    def setUp(self):
        self.gadget = SESSION.fresh_gadget()
        self.gadget.drag_to(*harness.GADGET_HALF_UNDER_DIALOG)
        self.dialog = open_settings(self.gadget)
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        self.gadget_rect = self.gadget.window()["window_rect"]
        self.dialog_rect = self.dialog.window()["window_rect"]
        # A face pixel beside the dialog, and one that the dialog covers.
        self.beside = self.gadget.to_screen(*harness.FACE_SPOT)
        self.under = self.gadget.to_screen(*harness.SETTINGS_KNOB)
        face = harness.region_points(self.gadget.region()["rects"])
        for spot in (harness.FACE_SPOT, harness.SETTINGS_KNOB):
            self.assertIn(spot, face, f"{spot} is see-through")
        self.assertFalse(harness.contains(self.dialog_rect, self.beside),
                         f"the dialog {self.dialog_rect} covers the face at {self.beside}")
        self.assertTrue(harness.contains(self.dialog_rect, self.under),
                        f"the dialog {self.dialog_rect} does not reach the face at {self.under}")

    def top_level_at(self, point):
        return SESSION.inspector("at", *point)["root"]

    def gadget_beside_the_dialog(self):
        left, top, _, bottom = self.gadget_rect
        return SESSION.screenshot().crop(left, top, self.dialog_rect[0] - left, bottom - top)

    def test_the_dialog_is_owned_by_the_gadget_and_lies_above_it_where_they_overlap(self):
        self.assertEqual(self.dialog.window()["owner"], self.gadget.hwnd)
        self.assertEqual(self.top_level_at(self.under), self.dialog.hwnd)

    def test_a_left_click_on_the_disabled_gadget_brings_the_covered_dialog_forward(self):
        if harness.build_helper() is None:
            self.fail(f"the helper is not built: {harness.HELPER_EXE}")
        # Another program's window comes over the middle of the dialog, away
        # from the gadget, and takes the foreground.
        cover_rect = (self.gadget_rect[2] + 20, self.dialog_rect[1] + 40, self.dialog_rect[2] + 40,
                      self.dialog_rect[3] - 40)
        cover = harness.Helper(SESSION).start("cover", *cover_rect)
        self.addCleanup(cover.stop)
        covered = harness.centre_of(cover_rect)
        self.assertTrue(harness.contains(self.dialog_rect, covered))
        harness.wait_until(lambda: SESSION.inspector("system")["foreground"] == cover.answer["hwnd"], timeout=10,
                           message="the covering window in the foreground")
        self.assertEqual(self.top_level_at(covered), cover.answer["hwnd"], "the window does not cover the dialog")
        picture = harness.wait_until_steady(self.gadget_beside_the_dialog, interval=0.2,
                                            message="a still picture of the gadget")

        SESSION.desktop.mouse_move(*self.beside)
        SESSION.desktop.click()
        harness.wait_until(lambda: self.dialog.window()["foreground"], timeout=10,
                           message="the dialog to become the foreground window")
        harness.wait_until(lambda: self.top_level_at(covered) == self.dialog.hwnd, timeout=10,
                           message="the dialog on top of the window that covered it")
        self.assertEqual(self.top_level_at(self.under), self.dialog.hwnd, "the gadget came over the dialog")
        # The gadget itself took no part: it did not move, stays disabled and
        # shows the same face; there is still one dialog.
        gadget = self.gadget.window()
        self.assertEqual(gadget["window_rect"], self.gadget_rect, "the gadget moved")
        self.assertFalse(gadget["enabled"])
        self.assertEqual(self.gadget_beside_the_dialog(), picture, "the gadget's face changed")
        self.assertEqual([w["hwnd"] for w in self.gadget.settings_windows()], [self.dialog.hwnd])
        self.assertTrue(self.dialog.visible())
        self.assertTrue(cover.running())


# ---- The frame -------------------------------------------------------------------

class DialogFrame(unittest.TestCase):
    """Read-only checks on one freshly opened dialog."""

    @classmethod
    def setUpClass(cls):
        cls.gadget = SESSION.fresh_gadget()
        cls.dialog = open_settings(cls.gadget)
        cls.window = cls.dialog.window()

    def test_the_window_class_is_exitbuttonsettings_and_the_title_is_nastroyki(self):
        self.assertEqual(self.window["class"], "ExitButtonSettings")
        self.assertEqual(self.window["title"], SETTINGS_TITLE)

    def test_the_window_has_a_caption_and_a_system_menu_but_no_minimise_or_maximise_box(self):
        style = self.window["style"]
        self.assertEqual(style & harness.WS_CAPTION, harness.WS_CAPTION, hex(style))
        self.assertTrue(style & WS_SYSMENU, hex(style))
        self.assertFalse(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), hex(style))
        self.assertFalse(style & WS_CHILD, hex(style))

    def test_the_window_has_no_sizing_border(self):
        self.assertFalse(self.window["style"] & harness.WS_THICKFRAME, hex(self.window["style"]))

    def test_the_client_area_is_362_by_368_pixels(self):
        left, top, right, bottom = self.window["client_rect"]
        self.assertEqual((right - left, bottom - top), CLIENT_SIZE)

    def test_the_window_is_centred_on_the_work_area(self):
        work_left, work_top, work_right, work_bottom = SESSION.inspector("system")["work_area"]
        left, top, right, bottom = self.window["window_rect"]
        self.assertAlmostEqual((left + right) / 2, (work_left + work_right) / 2, delta=1)
        self.assertAlmostEqual((top + bottom) / 2, (work_top + work_bottom) / 2, delta=1)

    def test_the_window_is_a_tool_window_without_a_taskbar_button(self):
        exstyle = self.window["exstyle"]
        self.assertTrue(exstyle & harness.WS_EX_TOOLWINDOW, hex(exstyle))
        self.assertFalse(exstyle & harness.WS_EX_APPWINDOW, hex(exstyle))
        state = SESSION.desktop.x_property(self.dialog.x_window(), "_NET_WM_STATE")
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", state)

    def test_the_window_is_not_layered(self):
        self.assertFalse(self.window["exstyle"] & harness.WS_EX_LAYERED, hex(self.window["exstyle"]))


# ---- The controls after start ---------------------------------------------------------

class ControlsAfterStart(unittest.TestCase):
    """Read-only checks on the controls of one freshly opened dialog."""

    @classmethod
    def setUpClass(cls):
        cls.gadget = SESSION.fresh_gadget()
        cls.dialog = open_settings(cls.gadget)
        cls.controls = cls.dialog.controls()

    def test_the_thirteen_controls_are_created_in_tab_order_with_their_classes_and_kinds(self):
        found = [(name, c["class"].lower(), kind_of(c)) for name, c in self.controls.items()]
        expected = [(name, cls.lower(), kind) for name, cls, kind, _, _ in CONTROLS]
        self.assertEqual(found, expected)

    def test_every_control_is_a_visible_enabled_child_of_the_dialog(self):
        for name, c in self.controls.items():
            with self.subTest(name):
                self.assertEqual(c["parent"], self.dialog.hwnd)
                self.assertTrue(c["visible"])
                self.assertTrue(c["enabled"])

    def test_every_control_shows_its_caption(self):
        for name, _, _, caption, _ in CONTROLS:
            with self.subTest(name):
                self.assertEqual(self.controls[name]["title"], caption)

    def test_every_control_sits_at_its_pixel_rectangle(self):
        for name, _, _, _, (left, top, width, height) in CONTROLS:
            with self.subTest(name):
                self.assertEqual(self.controls[name]["rect"], [left, top, left + width, top + height])

    def test_only_the_first_option_is_checked(self):
        self.assertEqual([self.controls[name]["check"] for name in OPTIONS], [BST_CHECKED, 0, 0, 0, 0])

    def test_the_scroll_bar_runs_from_50_to_255_and_stands_at_255(self):
        self.assertEqual(self.controls["opacity scroll bar"]["scroll"],
                         {"pos": SCROLL_MAXIMUM, "min": SCROLL_MINIMUM, "max": SCROLL_MAXIMUM})

    def test_the_opacity_frame_reads_prozrachnost_255(self):
        self.assertEqual(self.controls["opacity frame"]["title"], "Прозрачность 255")

    def test_the_gadget_is_not_layered_while_the_opacity_is_untouched(self):
        gadget = self.gadget.window()
        self.assertFalse(gadget["exstyle"] & harness.WS_EX_LAYERED, hex(gadget["exstyle"]))
        self.assertIsNone(gadget["layered"])


class KeyboardFocus(DialogTestCase):

    def test_tab_visits_the_link_the_checked_option_the_close_button_and_the_scroll_bar_in_turn(self):
        self.assert_focus("link button")
        for name in [OPTIONS[0], "close button", "opacity scroll bar", "link button"]:
            self.dialog.key("Tab")
            self.assert_focus(name)

    def test_tab_enters_the_option_group_at_the_checked_option(self):
        self.dialog.click(OPTIONS[3])
        self.assert_only_option_checked(3)
        self.assert_focus(OPTIONS[3])
        self.dialog.key("shift+Tab")
        self.assert_focus("link button")
        self.dialog.key("Tab")
        self.assert_focus(OPTIONS[3])
        self.assert_only_option_checked(3)

    def test_shift_tab_goes_back_from_the_link_to_the_scroll_bar(self):
        self.assert_focus("link button")
        self.dialog.key("shift+Tab")
        self.assert_focus("opacity scroll bar")


# ---- Options ------------------------------------------------------------------------

class OptionSelection(DialogTestCase):

    def test_clicking_each_option_checks_it_alone(self):
        for index in [2, 4, 1, 3, 0]:
            with self.subTest(option=index):
                self.dialog.click(OPTIONS[index])
                self.assert_only_option_checked(index)

    def test_clicking_an_option_gives_it_the_focus(self):
        self.dialog.click(OPTIONS[2])
        self.assert_focus(OPTIONS[2])

    def test_the_down_arrow_checks_the_next_option(self):
        self.dialog.key("Tab")
        self.assert_focus(OPTIONS[0])
        for index in [1, 2, 3, 4]:
            with self.subTest(option=index):
                self.dialog.key("Down")
                self.assert_focus(OPTIONS[index])
                self.assert_only_option_checked(index)

    def test_the_up_arrow_checks_the_previous_option(self):
        self.dialog.click(OPTIONS[4])
        self.assert_only_option_checked(4)
        for index in [3, 2, 1, 0]:
            with self.subTest(option=index):
                self.dialog.key("Up")
                self.assert_focus(OPTIONS[index])
                self.assert_only_option_checked(index)

    def test_selecting_an_option_leaves_the_opacity_alone(self):
        self.dialog.click(OPTIONS[1])
        self.assert_only_option_checked(1)
        settle(self.gadget)
        self.assertEqual(self.dialog.opacity_state(), (255, opacity_caption(255), False, None))


# ---- Opacity -----------------------------------------------------------------------

class OpacityScrollBar(DialogTestCase):

    def scroll_rect(self):
        return self.dialog.control("opacity scroll bar")["screen_rect"]

    def click_at(self, x, y):
        SESSION.desktop.mouse_move(x, y)
        SESSION.desktop.click()

    def left_arrow(self):
        left, top, right, bottom = self.scroll_rect()
        return left + (bottom - top) // 2, (top + bottom) // 2

    def right_arrow(self):
        left, top, right, bottom = self.scroll_rect()
        return right - 1 - (bottom - top) // 2, (top + bottom) // 2

    def test_clicking_the_left_arrow_lowers_the_opacity_by_one_and_makes_the_gadget_layered(self):
        self.click_at(*self.left_arrow())
        self.assert_opacity(254)

    def test_clicking_the_right_arrow_raises_the_opacity_by_one(self):
        self.click_at(*self.left_arrow())
        self.assert_opacity(254)
        self.click_at(*self.left_arrow())
        self.assert_opacity(253)
        self.click_at(*self.right_arrow())
        self.assert_opacity(254)

    def test_clicking_the_trough_left_of_the_thumb_lowers_the_opacity_by_one(self):
        left, top, right, bottom = self.scroll_rect()
        self.click_at(left + (bottom - top) + 20, (top + bottom) // 2)
        self.assert_opacity(254)
        self.click_at(left + (bottom - top) + 20, (top + bottom) // 2)
        self.assert_opacity(253)

    def test_clicking_the_trough_right_of_the_thumb_raises_the_opacity_by_one(self):
        self.dialog.key("shift+Tab")  # the scroll bar
        self.assert_focus("opacity scroll bar")
        self.dialog.key("Home")
        self.assert_opacity(SCROLL_MINIMUM)
        left, top, right, bottom = self.scroll_rect()
        self.click_at(right - (bottom - top) - 20, (top + bottom) // 2)
        self.assert_opacity(SCROLL_MINIMUM + 1)

    def test_the_left_and_right_keys_step_the_opacity_by_one(self):
        self.dialog.key("shift+Tab")
        self.assert_focus("opacity scroll bar")
        self.dialog.key("Left")
        self.assert_opacity(254)
        self.dialog.key("Left")
        self.assert_opacity(253)
        self.dialog.key("Right")
        self.assert_opacity(254)

    def test_home_goes_to_50_and_end_back_to_255(self):
        self.dialog.key("shift+Tab")
        self.assert_focus("opacity scroll bar")
        self.dialog.key("Home")
        self.assert_opacity(SCROLL_MINIMUM)
        self.dialog.key("End")
        self.assert_opacity(SCROLL_MAXIMUM)

    def test_the_opacity_stops_at_255_and_at_50(self):
        self.dialog.key("shift+Tab")
        self.assert_focus("opacity scroll bar")
        # Pushing past an end, then one step back: a value that had gone past
        # the end would not land one below (or above) it.
        self.click_at(*self.right_arrow())
        self.dialog.key("Right", "Left")
        self.assert_opacity(SCROLL_MAXIMUM - 1)
        self.dialog.key("Home")
        self.assert_opacity(SCROLL_MINIMUM)
        self.click_at(*self.left_arrow())
        self.dialog.key("Left", "Right")
        self.assert_opacity(SCROLL_MINIMUM + 1)

    def test_back_at_255_the_gadget_stays_layered_but_opaque(self):
        self.click_at(*self.left_arrow())
        self.assert_opacity(254)
        self.click_at(*self.right_arrow())
        self.assert_opacity(255)
        layered = self.gadget.window()["layered"]
        self.assertEqual(layered["alpha"], 255)

    def wait_for_live_value_below(self, previous):
        """The value once position, caption and alpha agree on one below `previous`."""
        last = [None]

        def agreed():
            last[0] = self.dialog.opacity_state()
            value, caption, layered, alpha = last[0]
            if value < previous and (caption, layered, alpha) == (opacity_caption(value), True, value):
                return value
            return None

        try:
            return harness.wait_until(agreed, timeout=10)
        except AssertionError:
            raise AssertionError(f"while the button is held, position, caption and alpha never agreed on a "
                                 f"value below {previous}; last (pos, caption, layered, alpha): {last[0]!r}")

    def test_dragging_the_thumb_changes_caption_and_alpha_live_and_keeps_the_value_at_release(self):
        left, top, right, bottom = self.scroll_rect()
        arrow = bottom - top
        y = (top + bottom) // 2
        x = right - arrow - 5  # on the thumb, which stands at the right end
        SESSION.desktop.mouse_move(x, y)
        SESSION.desktop.mouse_down()
        released = False
        try:
            seen = [SCROLL_MAXIMUM]
            # 205 values over a trough of 295 px less the thumb: every 40 px
            # takes the value down by about 28 to 42.
            for step in range(1, 4):
                SESSION.desktop.mouse_move(x - 40 * step, y)
                # Live: while the button is still held, the caption and the
                # gadget's alpha already show the new value.
                value = self.wait_for_live_value_below(seen[-1])
                with self.subTest(step=step):
                    self.assertGreaterEqual(seen[-1] - value, 25)
                    self.assertLessEqual(seen[-1] - value, 43)
                seen.append(value)
            SESSION.desktop.mouse_up()
            released = True
            self.assert_opacity(seen[-1])
        finally:
            if not released:
                SESSION.desktop.mouse_up()

    def test_dragging_the_thumb_past_the_left_end_stops_at_50(self):
        left, top, right, bottom = self.scroll_rect()
        arrow = bottom - top
        y = (top + bottom) // 2
        x = right - arrow - 5
        SESSION.desktop.mouse_move(x, y)
        SESSION.desktop.mouse_down()
        try:
            SESSION.desktop.mouse_move(x - 150, y)
            SESSION.desktop.mouse_move(left - 30, y)
            self.assert_opacity(SCROLL_MINIMUM)
        finally:
            SESSION.desktop.mouse_up()
        self.assert_opacity(SCROLL_MINIMUM)


# ---- Hiding ----------------------------------------------------------------------------

class HidingWithTheCloseButtonAndEsc(DialogTestCase):

    def assert_hidden_and_gadget_enabled(self):
        harness.wait_until(lambda: not self.dialog.visible(), timeout=10, message="the dialog to hide")
        self.assertIsNotNone(self.dialog.window(), "the dialog was destroyed instead of hidden")
        harness.wait_until(lambda: self.gadget.window()["enabled"], timeout=10, message="the gadget enabled")
        settle(self.gadget)

    def assert_hidden_for_good(self):
        """Hidden, not on its way out: a destroyed top-level window takes about
        2 s to go here, so the window is watched for well over that."""
        self.assert_hidden_and_gadget_enabled()
        deadline = time.monotonic() + 6
        while time.monotonic() < deadline:
            window = self.dialog.window()
            self.assertIsNotNone(window, "the hidden dialog was destroyed")
            self.assertFalse(window["visible"])
            time.sleep(0.2)

    def change_everything(self):
        """Moves the dialog and changes the option, the opacity and the focus."""
        self.dialog.drag_caption(120, 60)
        self.dialog.click(OPTIONS[3])
        self.assert_only_option_checked(3)
        self.dialog.key("Tab", "Tab")  # from the option past "Закрыть"
        self.assert_focus("opacity scroll bar")
        self.dialog.key("Left", "Left", "Left")
        self.assert_opacity(252)

    def assert_same_state_after_reopening(self, rect):
        again = open_settings(self.gadget)
        self.assertEqual(again.hwnd, self.dialog.hwnd, "a new window was made")
        self.assertEqual(again.window()["window_rect"], rect)
        self.assert_only_option_checked(3)
        self.assert_opacity(252)
        self.assertFalse(self.gadget.window()["enabled"])

    def test_the_close_button_hides_the_dialog_and_enables_the_gadget(self):
        self.dialog.click("close button")
        self.assert_hidden_for_good()

    def test_esc_hides_the_dialog_and_enables_the_gadget(self):
        self.dialog.key("Escape")
        self.assert_hidden_for_good()

    def test_esc_works_while_the_scroll_bar_has_the_focus(self):
        self.dialog.key("shift+Tab")
        self.assert_focus("opacity scroll bar")
        self.dialog.key("Escape")
        self.assert_hidden_for_good()

    def test_hiding_keeps_the_gadgets_opacity(self):
        self.dialog.key("shift+Tab", "Home")
        self.assert_opacity(SCROLL_MINIMUM)
        self.dialog.click("close button")
        self.assert_hidden_and_gadget_enabled()
        layered = self.gadget.window()["layered"]
        self.assertEqual(layered and layered["alpha"], SCROLL_MINIMUM)

    def test_reopening_after_the_close_button_shows_the_same_window_state_and_position(self):
        self.change_everything()
        rect = self.dialog.window()["window_rect"]
        self.dialog.click("close button")
        self.assert_hidden_and_gadget_enabled()
        self.assert_same_state_after_reopening(rect)

    def test_reopening_after_esc_shows_the_same_window_state_and_position(self):
        self.change_everything()
        rect = self.dialog.window()["window_rect"]
        self.dialog.key("Escape")
        self.assert_hidden_and_gadget_enabled()
        self.assert_same_state_after_reopening(rect)


# ---- The close box -------------------------------------------------------------------------

class ClosingWithTheCloseBox(DialogTestCase):

    def assert_destroyed_and_gadget_enabled(self):
        self.dialog.wait_until_destroyed()
        self.assertEqual(self.gadget.settings_windows(), [])
        harness.wait_until(lambda: self.gadget.window()["enabled"], timeout=10, message="the gadget enabled")
        settle(self.gadget)
        self.assertTrue(self.gadget.running())

    def test_wm_close_destroys_the_dialog_and_enables_the_gadget(self):
        SESSION.inspector("post", self.dialog.hwnd, harness.WM_CLOSE, 0, 0)
        self.assert_destroyed_and_gadget_enabled()

    def test_clicking_the_close_box_in_the_caption_destroys_the_dialog(self):
        SESSION.desktop.mouse_move(*self.dialog.close_box_centre())
        SESSION.desktop.click()
        self.assert_destroyed_and_gadget_enabled()

    def test_reopening_after_the_close_box_shows_a_new_centred_window_with_the_real_state(self):
        first = self.dialog
        centred = first.window()["window_rect"]
        first.drag_caption(-150, 70)
        first.click(OPTIONS[3])
        self.assert_only_option_checked(3)
        first.key("Tab", "Tab")  # from the option past "Закрыть"
        self.assert_focus("opacity scroll bar")
        first.key("Home", "Right", "Right", "Right")  # 53: neither the start value nor the design value
        self.assert_opacity(53)
        SESSION.desktop.mouse_move(*first.close_box_centre())
        SESSION.desktop.click()
        self.assert_destroyed_and_gadget_enabled()

        self.dialog = open_settings(self.gadget)
        self.assertNotEqual(self.dialog.hwnd, first.hwnd)
        self.assertEqual(self.dialog.window()["window_rect"], centred)
        self.assert_only_option_checked(3)
        self.assert_opacity(53)
        self.assert_focus("link button")
        self.assertFalse(self.gadget.window()["enabled"])

    def test_reopening_after_the_close_box_shows_an_untouched_opacity_as_255(self):
        self.dialog.click(OPTIONS[1])
        self.assert_only_option_checked(1)
        SESSION.inspector("post", self.dialog.hwnd, harness.WM_CLOSE, 0, 0)
        self.assert_destroyed_and_gadget_enabled()
        self.dialog = open_settings(self.gadget)
        self.assert_only_option_checked(1)
        self.assertEqual(self.dialog.opacity_state(), (255, opacity_caption(255), False, None))

    def test_reopening_after_the_close_box_at_opacity_50_shows_50(self):
        self.dialog.key("shift+Tab", "Home")
        self.assert_opacity(SCROLL_MINIMUM)
        SESSION.inspector("post", self.dialog.hwnd, harness.WM_CLOSE, 0, 0)
        self.assert_destroyed_and_gadget_enabled()
        self.dialog = open_settings(self.gadget)
        self.assert_only_option_checked(0)
        self.assert_opacity(SCROLL_MINIMUM)


# ---- The link -------------------------------------------------------------------------------

SHELL_EXECUTE = "shell32.ShellExecuteW"


class LinkButton(DialogTestCase):
    relay = True

    @classmethod
    def setUpClass(cls):
        cls.saved_relay = relay_include()
        wanted = [f for f in (cls.saved_relay or "").split(";") if f] + [SHELL_EXECUTE]
        SESSION.set_relay_include(*wanted)

    @classmethod
    def tearDownClass(cls):
        if cls.saved_relay is not None:
            SESSION.set_relay_include(*cls.saved_relay.split(";"))

    def returned_shell_calls(self):
        """The traced ShellExecuteW calls once one of them has returned, else None."""
        calls = self.gadget.relay_calls(SHELL_EXECUTE)
        return calls if any(c.retval is not None for c in calls) else None

    def wait_for_the_shell(self):
        """(verb, file) of each call, and how many of them returned."""
        calls = harness.wait_until(self.returned_shell_calls, timeout=15, message="ShellExecuteW to return")
        return [tuple(c.texts[1:3]) for c in calls], len([c for c in calls if c.retval is not None])

    def click_link_and_wait_for_the_shell(self):
        self.assertEqual(self.gadget.relay_calls(SHELL_EXECUTE), [])
        self.dialog.click("link button")
        return self.wait_for_the_shell()

    def test_clicking_the_link_asks_the_shell_to_open_the_web_address(self):
        calls, returned = self.click_link_and_wait_for_the_shell()
        self.assertEqual(calls, [("open", WEB_ADDRESS)])
        self.assertEqual(returned, 1)

    def test_clicking_the_link_leaves_the_dialog_open_and_shows_no_message_box(self):
        self.click_link_and_wait_for_the_shell()
        # The dialog's thread is back in its loop once it answers.
        answer = SESSION.inspector("send-timeout", self.dialog.hwnd, harness.WM_NULL, 0, 0, 5000)
        self.assertTrue(answer["answered"], answer)
        for _ in range(10):  # about two seconds for anything late to appear
            self.assertEqual(SESSION.inspector("msgbox"), [])
            self.assertTrue(self.dialog.visible())
        visible = {w["hwnd"] for w in self.gadget.windows() if w["visible"]}
        self.assertEqual(visible, {self.gadget.hwnd, self.dialog.hwnd})
        self.assertFalse(self.gadget.window()["enabled"])

    def test_enter_on_the_focused_link_opens_the_address_too(self):
        self.assert_focus("link button")
        self.dialog.key("Return")
        calls, _ = self.wait_for_the_shell()
        self.assertEqual(calls, [("open", WEB_ADDRESS)])
        self.assertTrue(self.dialog.visible())


if __name__ == "__main__":
    unittest.main()
