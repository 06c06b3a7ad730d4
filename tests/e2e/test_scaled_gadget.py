"""The gadget at display scales of 100, 125, 150 and 200 % (96, 120, 144 and
192 DPI): its size, outline, pictures, button, knobs and tool tips follow the
scale, and its pictures are drawn for that scale rather than stretched from
the 96-DPI face.

What the gadget should show comes from scene_reference (the product's scene
code built by the same toolchain as the exe under test). Wine reads the
system DPI from the prefix's LogPixels when a process starts: each DPI gets
one gadget for the checks that leave it running, in any order, and one more
for each check that ends it (its exit knob, its power request).
LogPixels is put back to 96 afterwards, also when a test fails."""

import math
import os
import subprocess
import sys
import time
import unittest

import harness
import scene_reference

DPIS = (96, 120, 144, 192)
CLIENT_SIZES = {96: (160, 120), 120: (200, 150), 144: (240, 180), 192: (320, 240)}
TOLERANCE = 2          # levels per channel between the exe's drawing and the reference's
# At 100 % the exe shows its committed pictures: the face is the drawing pixel
# for pixel, the button's two looks and the frames are JPEG copies of it
# (measured up to 21 levels off for the hover look, 55 for the frames; lit
# and unlit lights differ by far more).
COMMITTED_JPEG_TOLERANCE = 60
EXIT_TIP = " Закрыть программу "
SETTINGS_TIP = " Настройки "
EXIT_WINDOWS = "user32.ExitWindowsEx"
EWX_LOGOFF, EWX_FORCE = 0, 4
PLANNED_REASON = 0x80000000

# A screenshot that stretched the 96-DPI face would differ from the picture
# drawn for the scale in this share of the face's pixels at least (measured:
# 42 to 51 % at 120, 144 and 192 DPI for both a nearest-neighbour and a
# bilinear stretch), by this mean difference per channel (measured 3.7 to 6.4
# levels), and a bilinear stretch would have this much less gradient energy
# (measured: the drawing has 1.44, 1.61 and 2.02 times a bilinear stretch's).
MIN_SHARE_UNLIKE_STRETCH = 0.30
MIN_MEAN_DIFFERENCE_FROM_STRETCH = 2.5
MIN_ENERGY_RATIO_OVER_BILINEAR = 1.25
# Screenshots while the face animates: a sample may catch a frame half drawn.
SAMPLE_GAPS = (0.03, 0.11, 0.07, 0.19, 0.05, 0.13)
TIP_QUIET = 2.0        # how long no tool tip must show, seconds: tips come after about 1 s
PRESS_TRAVEL = (40, 30)

SESSION = None


def setUpModule():
    global SESSION
    SESSION = harness.module_session()
    # Cleanups run last-in first-out: LogPixels goes back before the session closes.
    unittest.addModuleCleanup(SESSION.set_log_pixels, harness.STANDARD_DPI)


def inside_circle_off_centre(circle):
    """A point well inside the circle inscribed in `circle`, down and right of
    its centre: at every scale above 100 % it lies outside the 96-DPI circle,
    so only a button that was scaled answers there."""
    left, top, right, bottom = circle
    cx, cy, r = (left + right) / 2, (top + bottom) / 2, (right - left) / 2
    return int(cx + 0.55 * r), int(cy + 0.55 * r)


def settled_screenshot(gadget):
    """A screenshot once the gadget's window is painted and stays the same."""
    left, top, right, bottom = gadget.window()["window_rect"]
    previous = [None]

    def settled():
        shot = SESSION.screenshot()
        area = shot.crop(left, top, right - left, bottom - top)
        painted = any(area.pixel(x, y) != harness.ROOT_COLOUR for y in range(area.height) for x in range(area.width))
        same = painted and previous[0] is not None and previous[0].rgb == area.rgb
        previous[0] = area
        return shot if same else None

    return harness.wait_until(settled, timeout=15, interval=0.3, message="a painted, unchanging gadget")


def gadget_tips(gadget):
    return [t for t in SESSION.inspector("tooltips") if t["pid"] == gadget.pid]


class ScaledGadget:
    """The checks at one DPI on one gadget, which the last check ends."""

    DPI = None

    @classmethod
    def setUpClass(cls):
        SESSION.stop_gadgets()
        SESSION.wait_for_quiet_prefix()
        SESSION.set_log_pixels(cls.DPI)
        cls.ref = scene_reference.load(SESSION, cls.DPI)
        cls.gadget = SESSION.start_gadget()
        cls.start_window = cls.gadget.window()  # later checks move the gadget
        cls.origin = tuple(cls.start_window["client_rect"][:2])
        cls.shot = settled_screenshot(cls.gadget)
        circle = SESSION.inspector("ellipse", *cls.ref.geometry["circle"])["region"]
        cls.circle = harness.region_points(circle["rects"]) & cls.ref.opaque
        cls.ring = cls.ref.opaque - cls.circle
        artifacts = os.environ.get("EXITBUTTON_E2E_ARTIFACTS")
        if artifacts:
            os.makedirs(artifacts, exist_ok=True)
            cls.shot.save_png(os.path.join(artifacts, f"scaled_gadget_{harness.BUILD}_{cls.DPI}.png"))

    def tearDown(self):
        SESSION.desktop.mouse_up(1)
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)

    def to_screen(self, point):
        return self.gadget.to_screen(*point)

    def scaled(self, point):
        return tuple(math.floor(c * self.ref.scale + 0.5) for c in point)

    # -- size, place and outline

    def test_the_client_area_is_the_face_scaled_and_centred_on_the_work_area(self):
        window = self.start_window
        left, top, right, bottom = window["client_rect"]
        self.assertEqual((right - left, bottom - top), CLIENT_SIZES[self.DPI])
        self.assertEqual(window["window_rect"], window["client_rect"], "the window has a frame")
        work_left, work_top, work_right, work_bottom = SESSION.inspector("system")["work_area"]
        self.assertAlmostEqual((left + right) / 2, (work_left + work_right) / 2, delta=1)
        self.assertAlmostEqual((top + bottom) / 2, (work_top + work_bottom) / 2, delta=1)

    def test_the_window_region_is_exactly_the_non_black_pixels_of_the_scaled_face(self):
        region = self.gadget.region()
        self.assertIsNotNone(region, "the window has no region")
        points = harness.region_points(region["rects"])
        self.assertEqual(region["pixels"], len(points), "the region's rectangles overlap")
        self.assertEqual(sorted(points - self.ref.opaque)[:20], [], "see-through pixels kept in the region")
        self.assertEqual(sorted(self.ref.opaque - points)[:20], [], "face pixels cut out of the region")

    def test_the_round_button_has_the_scaled_bounds_and_is_cut_to_the_systems_ellipse_of_the_scaled_circle(self):
        button = self.gadget.child("Command1")
        self.assertEqual(button["rect"], self.ref.geometry["button"])
        self.assertIsNotNone(button["region"], "the button has no region")
        bx, by = self.ref.geometry["button"][:2]
        left, top, right, bottom = self.ref.geometry["circle"]
        expected = SESSION.inspector("ellipse", left - bx, top - by, right - bx, bottom - by)["region"]
        self.assertEqual(harness.region_points(button["region"]["rects"]), harness.region_points(expected["rects"]),
                         f"the button's region has bounds {button['region']['bounds']}, the ellipse of "
                         f"{[left - bx, top - by, right - bx, bottom - by]} has {expected['bounds']}")

    # -- the picture at start-up

    def test_at_start_every_pixel_of_the_window_shows_the_face_drawn_for_this_scale(self):
        wrong = scene_reference.differences(self.shot, self.origin, self.ref.face, self.ref.opaque,
                                            tolerance=TOLERANCE)
        self.assertEqual(sorted(wrong)[:10], [], f"{len(wrong)} of {len(self.ref.opaque)} pixels differ")
        ox, oy = self.origin
        face = self.ref.face
        covered = [(x, y) for y in range(face.height) for x in range(face.width)
                   if (x, y) not in self.ref.opaque and self.shot.pixel(ox + x, oy + y) != harness.ROOT_COLOUR]
        self.assertEqual(covered[:10], [], f"{len(covered)} see-through pixels are covered")

    def test_the_face_on_the_screen_is_drawn_for_this_scale_not_stretched_from_the_96_dpi_face(self):
        if self.ref.scale == 1:
            self.skipTest("at 96 DPI the face is not scaled")
        face = self.ref.face
        on_screen = self.shot.crop(self.origin[0], self.origin[1], face.width, face.height)
        points = self.ref.opaque
        stretched = {
            "nearest-neighbour": scene_reference.nearest_upscale(self.ref.face96, face.width, face.height,
                                                                 self.ref.scale),
            "bilinear": scene_reference.bilinear_upscale(self.ref.face96, face.width, face.height, self.ref.scale),
        }
        drawn = scene_reference.mean_abs_difference(on_screen, face, points)
        self.assertLessEqual(drawn, 0.5, "the screen is not the face drawn for this scale")
        report = [f"{self.DPI} DPI: mean difference from the drawing {drawn:.2f}"]
        for name, picture in stretched.items():
            with self.subTest(name):
                unlike = len(scene_reference.differences(on_screen, (0, 0), picture, points, tolerance=TOLERANCE))
                mean = scene_reference.mean_abs_difference(on_screen, picture, points)
                report.append(f"from a {name} stretch {mean:.2f}, {unlike / len(points):.0%} of pixels")
                self.assertGreaterEqual(unlike / len(points), MIN_SHARE_UNLIKE_STRETCH,
                                        f"only {unlike} of {len(points)} pixels differ from a {name} stretch")
                self.assertGreaterEqual(mean, MIN_MEAN_DIFFERENCE_FROM_STRETCH,
                                        f"mean difference {mean:.2f} from a {name} stretch")
        energy = scene_reference.gradient_energy(on_screen, points)
        blurred = scene_reference.gradient_energy(stretched["bilinear"], points)
        report.append(f"gradient energy {energy:.1f} against {blurred:.1f} stretched")
        sys.stderr.write("\n[sharpness] " + "; ".join(report) + "\n")
        self.assertGreaterEqual(energy / blurred, MIN_ENERGY_RATIO_OVER_BILINEAR,
                                f"gradient energy {energy:.1f} on the screen, {blurred:.1f} stretched")

    # -- hover and animation

    def animation_tolerance(self):
        """How far the hover look and the frames may be from the drawing."""
        return COMMITTED_JPEG_TOLERANCE if self.ref.scale == 1 else TOLERANCE

    def assert_button_comes_to_show(self, picture, offset, what, tolerance=TOLERANCE, timeout=10):
        """Waits until the button's circle shows `picture` (drawn at `offset`)."""
        deadline = time.monotonic() + timeout
        while True:
            wrong = scene_reference.differences(SESSION.screenshot(), self.origin_now(), picture, self.circle,
                                                offset, tolerance)
            if not wrong:
                return
            if time.monotonic() >= deadline:
                worst = max(max(abs(a - b) for a, b in zip(got, want)) for _, got, want in wrong)
                self.fail(f"the button's circle does not show {what}: {len(wrong)} of {len(self.circle)} pixels "
                          f"differ, by up to {worst} levels; first {wrong[:3]}")
            time.sleep(0.05)

    def origin_now(self):
        return tuple(self.gadget.window()["client_rect"][:2])

    def frame_on(self, shot, origin, lights):
        """The frame 0..5 the face around the button shows whole, or None."""
        tolerance = self.animation_tolerance()
        for i, frame in enumerate(self.ref.frames):
            if not scene_reference.differences(shot, origin, frame, lights, tolerance=tolerance):
                if not scene_reference.differences(shot, origin, frame, self.ring, tolerance=tolerance):
                    return i
        return None

    def test_hovering_the_scaled_circle_shows_the_hover_picture_and_turns_the_face_through_its_frames(self):
        picture = self.ref.rect("button_picture")
        SESSION.desktop.mouse_move(*self.to_screen(inside_circle_off_centre(self.ref.geometry["circle"])))
        self.assert_button_comes_to_show(self.ref.hover, picture[:2], "the hover picture drawn for this scale",
                                         self.animation_tolerance())
        # Where the frames differ from each other: the lights.
        frames = self.ref.frames
        lights = [p for p in self.ring
                  if len({frame.pixel(*p) for frame in frames}) > 1]
        self.assertTrue(lights)
        origin = self.origin_now()
        seen = []
        deadline = time.monotonic() + 15
        i = 0
        while time.monotonic() < deadline and len({s for s in seen if s is not None}) < 3:
            seen.append(self.frame_on(SESSION.screenshot(), origin, lights))
            time.sleep(SAMPLE_GAPS[i % len(SAMPLE_GAPS)])
            i += 1
        self.assertGreaterEqual(len({s for s in seen if s is not None}), 3,
                                f"the face did not turn through the frames drawn for this scale: {seen}")
        SESSION.desktop.mouse_move(*self.to_screen(self.scaled(harness.FACE_SPOT)))
        self.assert_button_comes_to_show(self.ref.face, (0, 0), "the face again after the pointer left it",
                                         self.animation_tolerance())

    def test_a_move_posted_to_the_scaled_button_lights_nothing_while_the_pointer_is_away(self):
        # Another program can post the button a move; no leave would ever
        # end a hover it started.
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        left, top, right, bottom = self.gadget.window()["window_rect"]
        before = settled_screenshot(self.gadget).crop(left, top, right - left, bottom - top)
        button = self.gadget.child("Command1")
        bx, by = button["rect"][:2]
        cx, cy = [c - o for c, o in zip(inside_circle_off_centre(self.ref.geometry["circle"]), (bx, by))]
        self.assertTrue(SESSION.inspector("post", button["hwnd"], harness.WM_MOUSEMOVE, 0, (cy << 16) | cx)["posted"])
        SESSION.inspector("send-timeout", button["hwnd"], harness.WM_NULL, 0, 0, 2000)
        deadline = time.monotonic() + TIP_QUIET
        while time.monotonic() < deadline:
            now = SESSION.screenshot().crop(left, top, right - left, bottom - top)
            changed = sum(a != b for a, b in zip(now.rgb, before.rgb))
            self.assertEqual(changed, 0, "the gadget changed with the pointer away from it")
            time.sleep(0.1)
        # The real pointer still lights it.
        SESSION.desktop.mouse_move(*self.to_screen(inside_circle_off_centre(self.ref.geometry["circle"])))
        self.assert_button_comes_to_show(self.ref.hover, self.ref.rect("button_picture")[:2],
                                         "the hover picture under the real pointer", self.animation_tolerance())

    # -- knobs and their tool tips

    def assert_tip_covers_exactly(self, rect, text):
        """The tip shows with the pointer on the rectangle's last pixel and
        goes once the pointer is one pixel beyond it."""
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        harness.wait_until(lambda: not gadget_tips(self.gadget), timeout=10, message="no tool tip")
        left, top, right, bottom = rect
        SESSION.desktop.mouse_move(*self.to_screen((right - 1, bottom - 1)))
        tips = harness.wait_until(lambda: gadget_tips(self.gadget), timeout=10,
                                  message=f"a tool tip at the inner corner of {rect}")
        self.assertEqual([t["text"] for t in tips], [text])
        SESSION.desktop.mouse_move(*self.to_screen((right, bottom)))
        harness.wait_until(lambda: not gadget_tips(self.gadget), timeout=10,
                           message=f"the tool tip to go beyond {rect}")
        deadline = time.monotonic() + TIP_QUIET
        while time.monotonic() < deadline:
            self.assertEqual(gadget_tips(self.gadget), [], f"a tool tip shows outside {rect}")
            time.sleep(0.2)

    def test_the_exit_knobs_tool_tip_covers_exactly_its_scaled_hot_spot(self):
        self.assert_tip_covers_exactly(self.ref.rect("exit_knob"), EXIT_TIP)

    def test_the_settings_knobs_tool_tip_covers_exactly_its_scaled_hot_spot(self):
        self.assert_tip_covers_exactly(self.ref.rect("settings_knob"), SETTINGS_TIP)

    def test_a_click_on_the_scaled_settings_knob_opens_the_dialog_centred_on_the_work_area(self):
        SESSION.desktop.mouse_move(*self.to_screen(self.ref.centre("settings_knob")))
        SESSION.desktop.click(1)
        dialog = harness.wait_until(lambda: self.gadget.settings_windows(visible_only=True), timeout=15,
                                    message="the settings dialog")[0]
        # The next check drags the gadget where the dialog showed.
        self.addCleanup(self.gadget.wait_until_settings_off_screen)
        self.addCleanup(self.gadget.close_settings_with_its_button, dialog)
        left, top, right, bottom = dialog["window_rect"]
        work_left, work_top, work_right, work_bottom = SESSION.inspector("system")["work_area"]
        self.assertAlmostEqual((left + right) / 2, (work_left + work_right) / 2, delta=1)
        if bottom - top <= work_bottom - work_top:
            self.assertAlmostEqual((top + bottom) / 2, (work_top + work_bottom) / 2, delta=1)
        else:
            # Taller than the work area (773 pixels at 192 DPI on a 768-pixel
            # screen): centred it would lose its caption, so its top is the work area's.
            self.assertEqual(top, work_top)

    def test_a_press_inside_the_buttons_rectangle_but_outside_its_scaled_circle_drags_the_window(self):
        # Below the circle, inside the button's rectangle: the face shows
        # through there, and a press on it drags.
        button = self.ref.geometry["button"]
        circle = self.ref.geometry["circle"]
        grip = ((button[0] + button[2]) // 2, (circle[3] + button[3]) // 2)
        self.assertIn(grip, self.ref.opaque)
        left, top = self.gadget.window()["window_rect"][:2]
        self.gadget.drag_to(left + PRESS_TRAVEL[0], top + PRESS_TRAVEL[1], grip=grip, tolerance=2)


class ScaledGadgetEnding:
    """The clicks that end the gadget: its exit knob, and its scaled circle,
    which requests the power action (under Wine that ends the gadget). Each
    has a gadget of its own."""

    DPI = None

    def start_gadget(self, relay=False):
        SESSION.stop_gadgets()
        SESSION.wait_for_quiet_prefix()
        SESSION.set_log_pixels(self.DPI)
        return scene_reference.load(SESSION, self.DPI), SESSION.start_gadget(relay=relay)

    def test_a_click_on_the_scaled_exit_knob_ends_the_program_with_exit_code_0(self):
        ref, gadget = self.start_gadget()
        SESSION.desktop.mouse_move(*gadget.to_screen(*ref.centre("exit_knob")))
        SESSION.desktop.click(1)
        try:
            status = gadget.process.wait(15)
        except subprocess.TimeoutExpired:
            self.fail("the gadget still runs after a click on its exit knob")
        finally:
            SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        self.assertEqual(status, 0)

    def test_a_click_inside_the_scaled_circle_requests_the_forced_log_off(self):
        ref, gadget = self.start_gadget(relay=True)
        SESSION.desktop.mouse_move(*gadget.to_screen(*inside_circle_off_centre(ref.geometry["circle"])))
        SESSION.desktop.click(1)
        try:
            gadget.process.wait(30)
        except subprocess.TimeoutExpired:
            self.fail("the gadget still runs after a click on its round button")
        finally:
            SESSION.desktop.mouse_move(*harness.POINTER_PARK)
        self.assertEqual([c.args for c in gadget.relay_calls(EXIT_WINDOWS)], [[EWX_LOGOFF | EWX_FORCE, PLANNED_REASON]])


# One pair of test cases per DPI.
for _dpi in DPIS:
    for _base in (ScaledGadget, ScaledGadgetEnding):
        _name = f"{_base.__name__}At{_dpi}Dpi"
        globals()[_name] = type(_name, (_base, unittest.TestCase), {"DPI": _dpi})
del _dpi, _base, _name

if __name__ == "__main__":
    unittest.main()
