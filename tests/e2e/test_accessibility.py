"""What a screen reader is told of the gadget, read from another process with
the Active Accessibility calls a screen reader makes (the inspector's
`accessible` commands: AccessibleObjectFromWindow, AccessibleChildren,
accName, accRole, accState, accLocation, accDoDefaultAction), and the focus
cue a keyboard user sees. The inspector is 64-bit: with the 32-bit exe the
objects cross the two builds' marshalling too.

The prefix has the keyboard cues off, as Windows has by default: the cue
shows only once a key has been pressed."""

import unittest

import harness
import scene_reference

ROLE_SYSTEM_PANE = 0x10
ROLE_SYSTEM_PUSHBUTTON = 0x2B
STATE_SYSTEM_FOCUSED = 0x4
STATE_SYSTEM_HOTTRACKED = 0x80
STATE_SYSTEM_FOCUSABLE = 0x100000
PRESS = "Нажать"
RPC_S_CALL_FAILED = 0x800706BE
WM_HSCROLL = 0x0114
SB_LINELEFT = 0
RPC_E_DISCONNECTED = 0x80010108
EXIT_WINDOWS = "user32.ExitWindowsEx"
EWX_FORCE = 4
PLANNED_REASON = 0x80000000
# Children of the gadget's pane, as the gadget numbers them; the power button
# comes as an object of its own.
POWER_BUTTON_CHILD, EXIT_KNOB_CHILD, SETTINGS_KNOB_CHILD = 1, 2, 3
DPIS = (96, 192)

SESSION = None
REFERENCES = {}


def setUpModule():
    global SESSION
    SESSION = harness.module_session()
    unittest.addModuleCleanup(SESSION.set_log_pixels, harness.STANDARD_DPI)
    for dpi in DPIS:
        REFERENCES[dpi] = scene_reference.load(SESSION, dpi)


def gadget_at(dpi, **options):
    SESSION.set_log_pixels(dpi)
    SESSION.stop_gadgets()
    SESSION.wait_for_quiet_prefix()
    return SESSION.start_gadget(**options)


def tree(gadget):
    found = SESSION.inspector("accessible", gadget.hwnd)
    if found is None:
        raise AssertionError("the gadget gives no accessible object")
    return found


def on_screen(gadget, rect):
    """[left, top, width, height] on the screen of a [left, top, right, bottom] in the face."""
    left, top = gadget.to_screen(rect[0], rect[1])
    return [left, top, rect[2] - rect[0], rect[3] - rect[1]]


def in_circle(bounds, point):
    """Whether a pixel's centre lies in the circle inscribed in [left, top, right, bottom]."""
    left, top, right, bottom = bounds
    radius = (right - left) / 2
    return (point[0] + 0.5 - (left + right) / 2) ** 2 + (point[1] + 0.5 - (top + bottom) / 2) ** 2 <= radius ** 2


def power_button(found):
    button = [c for c in found["children"] if c["role"] == ROLE_SYSTEM_PUSHBUTTON and c["id"] == 0]
    if len(button) != 1:
        raise AssertionError(f"expected the power button as an object of its own: {found['children']!r}")
    return button[0]


class TheTreeAScreenReaderReads(unittest.TestCase):

    def test_every_part_is_named_with_its_role_and_its_place_at_the_windows_scale(self):
        for dpi in DPIS:
            with self.subTest(dpi=dpi):
                ref = REFERENCES[dpi]
                gadget = gadget_at(dpi)
                found = tree(gadget)
                self.assertEqual(found["name"], "Кнопка для выхода из системы")
                self.assertEqual(found["role"], ROLE_SYSTEM_PANE)
                self.assertEqual(found["location"], on_screen(gadget, ref.rect("face")))
                self.assertEqual(found["child_count"], 3)
                by_name = {c["name"]: c for c in found["children"]}
                self.assertEqual(sorted(by_name), sorted(["Завершить сеанс принудительно", "Закрыть программу",
                                                          "Настройки"]))
                expected = {"Завершить сеанс принудительно": ("button", 0),
                            "Закрыть программу": ("exit_knob", EXIT_KNOB_CHILD),
                            "Настройки": ("settings_knob", SETTINGS_KNOB_CHILD)}
                for name, (place, child_id) in expected.items():
                    part = by_name[name]
                    self.assertEqual(part["role"], ROLE_SYSTEM_PUSHBUTTON, name)
                    self.assertEqual(part["default_action"], PRESS, name)
                    self.assertEqual(part["id"], child_id, name)
                    self.assertEqual(part["location"], on_screen(gadget, ref.rect(place)), name)

    def test_the_power_button_is_focusable_focused_and_described_by_the_chosen_option(self):
        gadget = gadget_at(harness.STANDARD_DPI)
        button = power_button(tree(gadget))
        self.assertEqual(button["description"], "Закрывает все программы без приглашения сохранить файлы")
        self.assertEqual(button["state"] & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED),
                         STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED)
        self.assertFalse(button["state"] & STATE_SYSTEM_HOTTRACKED)
        # Its own window answers the same.
        own = SESSION.inspector("accessible", gadget.child("Command1")["hwnd"])
        self.assertEqual((own["name"], own["role"], own["child_count"]),
                         (button["name"], ROLE_SYSTEM_PUSHBUTTON, 0))

    def test_the_power_button_is_hot_while_the_pointer_rests_on_it(self):
        gadget = gadget_at(harness.STANDARD_DPI)
        SESSION.desktop.mouse_move(*gadget.to_screen(*harness.BUTTON_CENTRE))
        harness.wait_until(lambda: power_button(tree(gadget))["state"] & STATE_SYSTEM_HOTTRACKED,
                           message="the power button to be hot")
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        harness.wait_until(lambda: not power_button(tree(gadget))["state"] & STATE_SYSTEM_HOTTRACKED,
                           message="the power button to cool down")

    def test_the_name_follows_the_action_chosen_in_the_settings(self):
        gadget = gadget_at(harness.STANDARD_DPI)
        SESSION.inspector("accessible-do", gadget.hwnd, SETTINGS_KNOB_CHILD)
        dialog = harness.wait_until(lambda: gadget.settings_windows(visible_only=True), timeout=15,
                                    message="the settings dialog")[0]
        restart = [c for c in SESSION.inspector("children", dialog["hwnd"]) if c["title"] == "Перезагружает компьютер"]
        self.assertEqual(len(restart), 1)
        SESSION.inspector("click", restart[0]["hwnd"])
        harness.wait_until(lambda: power_button(tree(gadget))["name"] == "Перезагрузить компьютер",
                           message="the power button named for a restart")
        self.assertEqual(power_button(tree(gadget))["description"], "Перезагружает компьютер")
        gadget.close_settings_with_its_button(dialog)


class DefaultActions(unittest.TestCase):

    def test_the_settings_knobs_opens_the_settings_and_the_exit_knobs_ends_the_program(self):
        for dpi in DPIS:
            with self.subTest(dpi=dpi):
                gadget = gadget_at(dpi)
                answer = SESSION.inspector("accessible-do", gadget.hwnd, SETTINGS_KNOB_CHILD)
                self.assertEqual(answer["hresult"], 0)
                dialog = harness.wait_until(lambda: gadget.settings_windows(visible_only=True), timeout=15,
                                            message="the settings dialog")[0]
                gadget.close_settings_with_its_button(dialog)
                # The program may end before its answer has left: the call then
                # fails as one to a program that is gone.
                answer = SESSION.inspector("accessible-do", gadget.hwnd, EXIT_KNOB_CHILD)["hresult"]
                self.assertIn(answer & 0xFFFFFFFF, (0, RPC_S_CALL_FAILED, RPC_E_DISCONNECTED))
                gadget.process.wait(15)

    def test_the_power_buttons_requests_the_chosen_action(self):
        for dpi in DPIS:
            with self.subTest(dpi=dpi):
                gadget = gadget_at(dpi, relay=True)
                self.assertEqual(SESSION.inspector("accessible-do", gadget.hwnd, POWER_BUTTON_CHILD)["hresult"], 0)
                gadget.process.wait(30)
                self.assertEqual([c.args for c in gadget.relay_calls(EXIT_WINDOWS)], [[EWX_FORCE, PLANNED_REASON]])


class TheSettingsDialog(unittest.TestCase):

    def test_every_control_has_a_name_and_the_scroll_bar_is_named_after_its_group_box_with_its_value(self):
        gadget = gadget_at(harness.STANDARD_DPI)
        SESSION.inspector("accessible-do", gadget.hwnd, SETTINGS_KNOB_CHILD)
        dialog = harness.wait_until(lambda: gadget.settings_windows(visible_only=True), timeout=15,
                                    message="the settings dialog")[0]
        controls = SESSION.inspector("children", dialog["hwnd"])
        bars = [c for c in controls if c["class"].lower() == "scrollbar"]
        self.assertEqual(len(bars), 1)
        for control in controls:
            found = SESSION.inspector("accessible", control["hwnd"])
            with self.subTest(control["title"] or control["class"]):
                if control in bars:
                    self.assertEqual((found["name"], found["value"]), ("Прозрачность", "255"))
                else:
                    self.assertEqual(found["name"], control["title"])
                    self.assertTrue(found["name"])
        # The value follows the bar: one step to the left.
        SESSION.inspector("post", dialog["hwnd"], WM_HSCROLL, SB_LINELEFT, bars[0]["hwnd"])
        harness.wait_until(lambda: SESSION.inspector("accessible", bars[0]["hwnd"])["value"] == "254",
                           message="the scroll bar's value to be 254")
        gadget.close_settings_with_its_button(dialog)


class FocusCue(unittest.TestCase):
    """The focused power button shows the system's focus rectangle inside its
    circle once a key has turned the keyboard cues on, and not before."""

    def test_it_shows_after_alt_inside_the_circle_scaled_to_the_display(self):
        for dpi in DPIS:
            with self.subTest(dpi=dpi):
                ref = REFERENCES[dpi]
                gadget = gadget_at(dpi)
                button = gadget.child("Command1")
                self.assertTrue(button["focused"])
                left, top, right, bottom = button["screen_rect"]

                def shot():
                    return harness.wait_until_steady(
                        lambda: SESSION.screenshot().crop(left, top, right - left, bottom - top),
                        interval=0.2, message="the button to stand still")

                before = shot()
                # Before any key: the button shows its picture and nothing more.
                face_left, face_top = gadget.to_screen(0, 0)
                bx, by = left - face_left, top - face_top
                circle = ref.rect("circle")
                inside = [(x, y) for y in range(before.height) for x in range(before.width)
                          if in_circle(circle, (x + bx, y + by))
                          and before.pixel(x, y) != harness.ROOT_COLOUR]
                off = [p for p in inside
                       if max(abs(a - b) for a, b in zip(before.pixel(*p), ref.face.pixel(p[0] + bx, p[1] + by))) > 2]
                self.assertEqual(off, [], "the button does not show its picture alone before a key")

                x_window = SESSION.desktop.x_windows_named("Form1")
                self.assertEqual(len(x_window), 1)
                SESSION.desktop.key("--window", str(x_window[0]), "alt")

                def changed():
                    now = shot()
                    return [(x, y) for y in range(before.height) for x in range(before.width)
                            if now.pixel(x, y) != before.pixel(x, y)] or None

                cue = harness.wait_until(changed, message="the focus cue")
                # Inside the circle, as a square ring whose line is one pixel
                # wide at 100 % and two at 200 %.
                self.assertTrue(all(in_circle(circle, (x + bx, y + by)) for x, y in cue), cue)
                rows = sorted({y for _, y in cue})
                top_rows = [y for y in rows if y < rows[0] + dpi // 96 + 1
                            and sum(1 for _, cy in cue if cy == y) > 4]
                self.assertEqual(len(top_rows), dpi // 96, f"rows of the cue's top line: {top_rows}")
                self.assertGreater(len(cue), 40 * dpi // 96)


if __name__ == "__main__":
    unittest.main()
