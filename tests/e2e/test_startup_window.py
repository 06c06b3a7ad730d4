"""The gadget window as the program shows it at start-up, before any input."""

import math
import os
import time
import unittest

import harness
from harness import BUTTON_CIRCLE, BUTTON_RECT, FACE_OPAQUE_PIXELS, FACE_SIZE

EXIT_TIP = " Закрыть программу "
SETTINGS_TIP = " Настройки "

SESSION = None
GADGET = None
# Taken once, right after start-up, before the pointer goes near the gadget.
STARTUP_SHOT = None
FACE = None


def setUpModule():
    global SESSION, GADGET, STARTUP_SHOT, FACE
    FACE = harness.read_bmp(os.path.join(harness.ART_DIR, "face.bmp"))
    SESSION = harness.module_session()
    GADGET = SESSION.start_gadget()
    STARTUP_SHOT = settled_screenshot()
    artifacts = os.environ.get("EXITBUTTON_E2E_ARTIFACTS")
    if artifacts:
        os.makedirs(artifacts, exist_ok=True)
        STARTUP_SHOT.save_png(os.path.join(artifacts, "startup_window.png"))


def settled_screenshot():
    """A screenshot once the window has been painted and stays the same."""
    left, top, right, bottom = GADGET.window()["window_rect"]
    previous = [None]

    def settled():
        shot = SESSION.screenshot()
        area = shot.crop(left, top, right - left, bottom - top)
        painted = any(area.pixel(x, y) != harness.ROOT_COLOUR
                      for y in range(area.height) for x in range(area.width))
        same = painted and previous[0] is not None and previous[0].rgb == area.rgb
        previous[0] = area
        return shot if same else None

    return harness.wait_until(settled, timeout=15, interval=0.3, message="a painted, unchanging gadget")


def face_opaque_points():
    return FACE.points(lambda rgb: rgb != (0, 0, 0))


def button_circle_points():
    """The button's region in face coordinates."""
    button = GADGET.child("Command1")
    left, top = button["rect"][:2]
    return harness.region_points(button["region"]["rects"], left, top)


class GadgetWindowPlacement(unittest.TestCase):

    def test_exactly_one_gadget_window_exists_and_it_shows_the_gadgets_title(self):
        windows = SESSION.gadget_windows()
        self.assertEqual(len(windows), 1, windows)
        self.assertEqual(windows[0]["title"], "Form1")
        self.assertTrue(windows[0]["visible"])

    def test_the_client_area_is_160_by_120_pixels(self):
        left, top, right, bottom = GADGET.window()["client_rect"]
        self.assertEqual((right - left, bottom - top), FACE_SIZE)

    def test_the_window_is_a_borderless_popup(self):
        window = GADGET.window()
        self.assertEqual(window["window_rect"], window["client_rect"])
        self.assertTrue(window["style"] & harness.WS_POPUP, hex(window["style"]))
        self.assertFalse(window["style"] & (harness.WS_CAPTION | harness.WS_THICKFRAME), hex(window["style"]))

    def test_the_window_is_centred_on_the_work_area(self):
        work_left, work_top, work_right, work_bottom = SESSION.inspector("system")["work_area"]
        left, top, right, bottom = GADGET.window()["window_rect"]
        self.assertAlmostEqual((left + right) / 2, (work_left + work_right) / 2, delta=1)
        self.assertAlmostEqual((top + bottom) / 2, (work_top + work_bottom) / 2, delta=1)

    def test_the_window_is_a_tool_window(self):
        self.assertTrue(GADGET.window()["exstyle"] & harness.WS_EX_TOOLWINDOW)

    def test_the_window_is_not_layered_at_start(self):
        window = GADGET.window()
        self.assertFalse(window["exstyle"] & harness.WS_EX_LAYERED, hex(window["exstyle"]))
        self.assertIsNone(window["layered"])

    def test_the_window_has_no_taskbar_button(self):
        window = GADGET.window()
        self.assertFalse(window["exstyle"] & harness.WS_EX_APPWINDOW)
        x_windows = SESSION.desktop.x_windows_named("Form1")
        self.assertEqual(len(x_windows), 1, x_windows)
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", SESSION.desktop.x_property(x_windows[0], "_NET_WM_STATE"))


class WindowsAfterStartUp(unittest.TestCase):

    def test_after_start_up_the_gadget_has_its_tool_tips_window_and_no_settings_window(self):
        # The settings window is made when the lower knob is first clicked,
        # not as start-up work; that work, done after the first paint, ends
        # with the tool tips. Watched for a while, as the settings window
        # would follow the tool tips.
        tips = GADGET.tool_tips_windows()
        self.assertEqual([t["owner"] for t in tips], [GADGET.hwnd], tips)
        deadline = time.monotonic() + 1.5
        while True:
            settings = GADGET.settings_windows()
            self.assertEqual(settings, [], "a settings window exists before the lower knob was clicked")
            if time.monotonic() >= deadline:
                break
            time.sleep(0.2)


class GadgetOutline(unittest.TestCase):

    def test_the_face_picture_has_the_expected_number_of_opaque_pixels(self):
        self.assertEqual((FACE.width, FACE.height), FACE_SIZE)
        self.assertEqual(len(face_opaque_points()), FACE_OPAQUE_PIXELS)

    def test_the_window_region_is_exactly_the_non_black_pixels_of_the_face(self):
        region = GADGET.region()
        self.assertIsNotNone(region, "the window has no region")
        points = harness.region_points(region["rects"])
        self.assertEqual(region["pixels"], len(points), "the region's rectangles overlap")
        expected = face_opaque_points()
        self.assertEqual(len(points), FACE_OPAQUE_PIXELS)
        self.assertEqual(sorted(points - expected)[:20], [], "see-through pixels kept in the region")
        self.assertEqual(sorted(expected - points)[:20], [], "face pixels cut out of the region")

    def test_the_round_button_is_at_36_19_sized_84_by_93(self):
        button = GADGET.child("Command1")
        self.assertEqual(button["rect"], list(BUTTON_RECT))
        self.assertTrue(button["visible"])

    def test_the_button_is_cut_to_the_systems_ellipse_inscribed_in_5_5_72_72(self):
        region = GADGET.child("Command1")["region"]
        self.assertIsNotNone(region, "the button has no region")
        reference = SESSION.inspector("ellipse", *BUTTON_CIRCLE)["region"]
        self.assertEqual(harness.region_points(region["rects"]), harness.region_points(reference["rects"]))

    def test_the_button_region_is_a_round_disc_in_its_square(self):
        region = GADGET.child("Command1")["region"]
        self.assertIsNotNone(region, "the button has no region")
        points = harness.region_points(region["rects"])
        left, top, right, bottom = BUTTON_CIRCLE
        cx, cy = (left + right) / 2, (top + bottom) / 2
        radius = (right - left) / 2
        # Rasterisers differ on the edge; a pixel well inside must be kept and
        # one well outside must be cut.
        wrong = []
        for y in range(BUTTON_RECT[3] - BUTTON_RECT[1]):
            for x in range(BUTTON_RECT[2] - BUTTON_RECT[0]):
                distance = math.hypot(x + 0.5 - cx, y + 0.5 - cy) - radius
                if (distance < -1.5 and (x, y) not in points) or (distance > 1.5 and (x, y) in points):
                    wrong.append((x, y))
        self.assertEqual(wrong[:20], [])
        self.assertAlmostEqual(len(points), math.pi * radius * radius, delta=2 * math.pi * radius * 1.5)


class StartupPicture(unittest.TestCase):

    def gadget_origin(self):
        return tuple(GADGET.window()["client_rect"][:2])

    def test_every_see_through_pixel_shows_the_desktop(self):
        ox, oy = self.gadget_origin()
        opaque = face_opaque_points()
        wrong = [(x, y, STARTUP_SHOT.pixel(ox + x, oy + y))
                 for y in range(FACE_SIZE[1]) for x in range(FACE_SIZE[0])
                 if (x, y) not in opaque and STARTUP_SHOT.pixel(ox + x, oy + y) != harness.ROOT_COLOUR]
        self.assertEqual(wrong[:20], [], f"{len(wrong)} see-through pixels are covered")

    def test_the_face_shows_the_exact_colours_of_the_face_picture_outside_the_button_circle(self):
        ox, oy = self.gadget_origin()
        circle = button_circle_points()
        wrong = [(x, y, STARTUP_SHOT.pixel(ox + x, oy + y), FACE.pixel(x, y))
                 for (x, y) in face_opaque_points() - circle
                 if STARTUP_SHOT.pixel(ox + x, oy + y) != FACE.pixel(x, y)]
        self.assertEqual(sorted(wrong)[:20], [], f"{len(wrong)} face pixels differ")

    def test_the_button_circle_shows_the_button_picture_drawn_3_px_in_from_its_corner(self):
        ox, oy = self.gadget_origin()
        picture = harness.read_bmp(os.path.join(harness.ART_DIR, "button.bmp"))
        bx, by = harness.BUTTON_PICTURE_ORIGIN
        circle = button_circle_points() & face_opaque_points()
        self.assertGreater(len(circle), 3000)
        wrong = [(x, y, STARTUP_SHOT.pixel(ox + x, oy + y), picture.pixel(x - bx, y - by))
                 for (x, y) in circle
                 if STARTUP_SHOT.pixel(ox + x, oy + y) != picture.pixel(x - bx, y - by)]
        self.assertEqual(sorted(wrong)[:20], [], f"{len(wrong)} button pixels differ")

    def test_nothing_but_the_gadget_is_drawn_on_the_desktop(self):
        left, top, right, bottom = GADGET.window()["window_rect"]
        stray = [(x, y) for y in range(0, STARTUP_SHOT.height, 4) for x in range(0, STARTUP_SHOT.width, 4)
                 if not (left <= x < right and top <= y < bottom)
                 and STARTUP_SHOT.pixel(x, y) != harness.ROOT_COLOUR]
        self.assertEqual(stray[:20], [], f"{len(stray)} sampled pixels outside the gadget are not the desktop")


class HotSpotToolTips(unittest.TestCase):

    def gadget_tips(self):
        return [t for t in SESSION.inspector("tooltips") if t["pid"] == GADGET.pid]

    def hover(self, hot_spot):
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        harness.wait_until(lambda: not self.gadget_tips(), timeout=10, message="no tool tip")
        SESSION.desktop.mouse_move(*GADGET.to_screen(*hot_spot))
        return harness.wait_until(self.gadget_tips, timeout=10, message="a tool tip")

    def test_hovering_the_upper_knob_shows_the_close_program_tip(self):
        tips = self.hover(harness.EXIT_KNOB)
        self.assertEqual([t["text"] for t in tips], [EXIT_TIP])

    def test_hovering_the_lower_knob_shows_the_settings_tip(self):
        tips = self.hover(harness.SETTINGS_KNOB)
        self.assertEqual([t["text"] for t in tips], [SETTINGS_TIP])


if __name__ == "__main__":
    unittest.main()
