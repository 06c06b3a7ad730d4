"""What the gadget does with the mouse: the hover picture and the face
animation, dragging the window with any mouse button, and the exit knob."""

import os
import subprocess
import time
import unittest

import harness

from harness import BUTTON_CENTRE, BUTTON_CORNER_SPOT, EXIT_KNOB, FACE_SPOT, POINTER_PARK, SETTINGS_KNOB

TRAVEL = (60, 40)               # how far each drag takes the pointer
# The face left of this column is clear of the knobs and of the tool tips
# that come up beside the pointer when it rests on one.
CLEAR_OF_KNOBS = harness.EXIT_KNOB_RECT[0] - 8
FURTHER = (-45, -35)            # a pointer move after the release, off the window's new place

LEFT, MIDDLE, RIGHT = 1, 2, 3   # X button numbers
BUTTON_NAMES = {LEFT: "left", MIDDLE: "middle", RIGHT: "right"}

# A pixel counts as different when a channel differs by more than this; JPEG
# decoders disagree by a few steps, the pictures compared differ by far more.
BUTTON_THRESHOLD = 40
FACE_THRESHOLD = 60
# How many such pixels a picture may have and still be the one on the screen.
MATCH_TOLERANCE = 20
# Pauses between samples of the screen: uneven, so that sampling cannot keep
# step with the 6-frame animation and see one frame over and over.
SAMPLE_GAPS = (0.03, 0.11, 0.07, 0.19, 0.05, 0.13, 0.23, 0.09)
STILL_SAMPLES = 8
# How long the pointer rests after a press before a drag sets off.
PRESS_REST = 0.3
# Drags that set off at once: each one is a fresh chance for the race to show;
# the window ends up further off each time, still on the screen.
QUICK_DRAGS = 5

SESSION = None
PICTURES = {}
FACE_OPAQUE = None


def decode_jpeg(name):
    """An artwork JPEG decoded by ImageMagick, independently of the gadget."""
    out = subprocess.run(["convert", os.path.join(harness.ART_DIR, name), "ppm:-"],
                         capture_output=True, check=True, timeout=60).stdout
    return harness.parse_ppm(out)


def setUpModule():
    global SESSION, FACE_OPAQUE
    PICTURES["face"] = harness.read_bmp(os.path.join(harness.ART_DIR, "face.bmp"))
    PICTURES["hover"] = decode_jpeg("button_hover.jpg")
    PICTURES["normal"] = decode_jpeg("button_normal.jpg")
    for i in range(6):
        PICTURES[i] = decode_jpeg(f"frame{i}.jpg")
    FACE_OPAQUE = PICTURES["face"].points(lambda rgb: rgb != (0, 0, 0))
    SESSION = harness.module_session()


# ---- The gadget on the screen -----------------------------------------------

class View:
    """One gadget's pixels in screenshots, compared with the artwork."""

    def __init__(self, gadget):
        self.gadget = gadget
        button = gadget.child("Command1")
        left, top = button["rect"][:2]
        self.circle = harness.region_points(button["region"]["rects"], left, top) & FACE_OPAQUE
        self.ring = FACE_OPAQUE - self.circle
        self.ring_clear_of_knobs = {(x, y) for x, y in self.ring if x < CLEAR_OF_KNOBS}
        self.origin = tuple(gadget.window()["client_rect"][:2])

    def refresh_origin(self):
        self.origin = tuple(self.gadget.window()["client_rect"][:2])

    def to_screen(self, point):
        return self.origin[0] + point[0], self.origin[1] + point[1]

    def differences(self, shot, points, picture, offset, threshold):
        ox, oy = self.origin
        dx, dy = offset
        count = 0
        for x, y in points:
            a = shot.pixel(ox + x, oy + y)
            b = picture.pixel(x - dx, y - dy)
            if abs(a[0] - b[0]) > threshold or abs(a[1] - b[1]) > threshold or abs(a[2] - b[2]) > threshold:
                count += 1
        return count

    def button_picture(self, shot):
        """"hover" or "normal" when the button's circle shows that picture, else None."""
        for name in ("hover", "normal"):
            if self.differences(shot, self.circle, PICTURES[name], harness.BUTTON_PICTURE_ORIGIN,
                                BUTTON_THRESHOLD) <= MATCH_TOLERANCE:
                return name
        return None

    def face_picture(self, shot, points=None):
        """The frame number 0..5, or "face" for the design face, that the face
        shows around the button (or at `points`); None when it shows none of them."""
        for name in (0, 1, 2, 3, 4, 5, "face"):
            if self.differences(shot, points or self.ring, PICTURES[name], (0, 0),
                                FACE_THRESHOLD) <= MATCH_TOLERANCE:
                return name
        return None

    def area(self, shot, width=None):
        """The gadget's pixels, or its `width` leftmost columns."""
        face = PICTURES["face"]
        return shot.crop(self.origin[0], self.origin[1], width or face.width, face.height)


def samples(count):
    """`count` screenshots taken at uneven intervals."""
    shots = []
    for i in range(count):
        if i:
            time.sleep(SAMPLE_GAPS[i % len(SAMPLE_GAPS)])
        shots.append(SESSION.screenshot())
    return shots


def frames_seen(view, wanted=3, timeout=10):
    """Samples the face until it has shown `wanted` different frames; returns
    them, or the ones seen when the time ran out."""
    seen = []
    deadline = time.monotonic() + timeout
    i = 0
    while time.monotonic() < deadline:
        seen.append(view.face_picture(SESSION.screenshot()))
        if len({s for s in seen if isinstance(s, int)}) >= wanted:
            break
        time.sleep(SAMPLE_GAPS[i % len(SAMPLE_GAPS)])
        i += 1
    return seen


def button_shows(view, name, timeout=10):
    """Whether the button comes to show its `name` picture within `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        if view.button_picture(SESSION.screenshot()) == name:
            return True
        if time.monotonic() >= deadline:
            return False
        time.sleep(0.05)


def settled_face(view, width=None, timeout=10):
    """The gadget's area (see View.area) once two samples in a row agree."""
    return harness.wait_until_steady(lambda: view.area(SESSION.screenshot(), width), timeout=timeout,
                                     interval=0.07, message="the face to stop changing")


def input_handled(view, timeout=10):
    """Waits until the gadget has handled every input sent so far.

    Moves over the face, then over the button, and waits for the button's
    picture to turn to hover: the gadget handles input in order, so it has
    then handled everything before. Returns False if that never happened."""
    window = view.gadget.window()
    if window is None:
        return False
    view.origin = tuple(window["client_rect"][:2])
    try:
        SESSION.desktop.mouse_move(*view.to_screen(FACE_SPOT))
        if not button_shows(view, "normal", timeout):
            return False
        SESSION.desktop.mouse_move(*view.to_screen(BUTTON_CENTRE))
        return button_shows(view, "hover", timeout)
    finally:
        SESSION.desktop.mouse_move(*POINTER_PARK)


def window_origin(gadget):
    """The window's top-left corner on the screen, or None once it is gone."""
    window = gadget.window()
    return tuple(window["window_rect"][:2]) if window else None


# ---- Hover and animation ----------------------------------------------------

class ButtonHoverAndFaceAnimation(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.gadget = SESSION.fresh_gadget()
        cls.view = View(cls.gadget)
        # Before the pointer has ever been near the gadget.
        settled_face(cls.view)
        cls.startup_samples = samples(STILL_SAMPLES)

    def setUp(self):
        # Every test starts from the resting state: the pointer on the face.
        SESSION.desktop.mouse_move(*self.view.to_screen(FACE_SPOT))
        self.assertTrue(button_shows(self.view, "normal"), "the button does not rest on its normal picture")
        settled_face(self.view)

    def tearDown(self):
        SESSION.desktop.mouse_move(*POINTER_PARK)

    def hover_button(self):
        SESSION.desktop.mouse_move(*self.view.to_screen(BUTTON_CENTRE))
        self.assertTrue(button_shows(self.view, "hover"), "the button does not show its hover picture")

    def move_onto_face(self):
        SESSION.desktop.mouse_move(*self.view.to_screen(FACE_SPOT))
        self.assertTrue(button_shows(self.view, "normal"), "the button does not show its normal picture again")

    def assert_animating(self):
        # A sample may catch a frame half drawn and match none: only frames
        # seen whole count.
        seen = frames_seen(self.view)
        self.assertGreaterEqual(len({s for s in seen if isinstance(s, int)}), 3,
                                f"the face did not turn through its frames; it showed {seen}")

    def assert_still(self, width=None):
        first = settled_face(self.view, width)
        for i, shot in enumerate(samples(STILL_SAMPLES)):
            self.assertEqual(self.view.area(shot, width).rgb, first.rgb,
                             f"sample {i} differs: the face still changes")
        return shot

    def assert_hover_ended_after_leaving_for(self, screen_point):
        """Hovers the button, moves the pointer from there straight to
        `screen_point`, and checks that the hover ended: the normal picture
        again, and the face still on one of the lit frames. Only the face left
        of the knobs is watched."""
        self.hover_button()
        self.assert_animating()
        SESSION.desktop.mouse_move(*screen_point)
        with self.subTest("the button's picture"):
            self.assertTrue(button_shows(self.view, "normal"), "the button keeps its hover picture")
        with self.subTest("the face"):
            last = self.assert_still(CLEAR_OF_KNOBS)
            self.assertIn(self.view.face_picture(last, self.view.ring_clear_of_knobs), range(6),
                          "the face does not show one of the lit frames")

    def test_before_the_pointer_comes_the_face_shows_the_design_picture_and_stays_still(self):
        names = [self.view.face_picture(shot) for shot in self.startup_samples]
        self.assertEqual(names, ["face"] * STILL_SAMPLES)
        areas = {self.view.area(shot).rgb for shot in self.startup_samples}
        self.assertEqual(len(areas), 1, "the gadget changed before any input")

    def test_moving_over_the_button_shows_its_red_hover_picture(self):
        before = SESSION.screenshot()
        self.assertEqual(self.view.button_picture(before), "normal")
        self.hover_button()
        after = SESSION.screenshot()
        # Loosely, too: the middle of the X turned from orange to red.
        ox, oy = self.view.origin
        _, g0, _ = before.pixel(ox + BUTTON_CENTRE[0], oy + BUTTON_CENTRE[1])
        r1, g1, _ = after.pixel(ox + BUTTON_CENTRE[0], oy + BUTTON_CENTRE[1])
        self.assertGreater(g0, 90, "the normal X is not orange")
        self.assertLess(g1, g0 - 40, "the hover X is not redder than the normal one")
        self.assertGreater(r1, 150)

    def test_while_the_pointer_moves_over_the_button_the_face_turns_through_its_frames(self):
        self.hover_button()
        self.assert_animating()

    def test_moving_from_the_button_onto_the_face_shows_the_normal_picture_again(self):
        self.hover_button()
        self.move_onto_face()

    def test_moving_onto_the_face_stops_the_animation_on_a_frame_with_lights(self):
        self.hover_button()
        self.assert_animating()
        self.move_onto_face()
        last = self.assert_still()
        self.assertIn(self.view.face_picture(last), range(6), "the face does not show one of the lit frames")

    def test_leaving_the_button_straight_off_the_window_shows_the_normal_picture_and_stops_the_animation(self):
        self.assert_hover_ended_after_leaving_for(POINTER_PARK)

    # Over a knob the face hears no pointer move of its own: only the button
    # can tell that the pointer left it.
    def test_leaving_the_button_onto_the_upper_knob_shows_the_normal_picture_and_stops_the_animation(self):
        self.assert_hover_ended_after_leaving_for(self.view.to_screen(EXIT_KNOB))

    def test_leaving_the_button_onto_the_lower_knob_shows_the_normal_picture_and_stops_the_animation(self):
        self.assert_hover_ended_after_leaving_for(self.view.to_screen(SETTINGS_KNOB))


# ---- Dragging the window ----------------------------------------------------

class WindowDragging(unittest.TestCase):

    def setUp(self):
        self.gadget = SESSION.fresh_gadget()
        self.view = View(self.gadget)
        self.home = window_origin(self.gadget)

    def tearDown(self):
        for button in (LEFT, MIDDLE, RIGHT):
            SESSION.desktop.mouse_up(button)
        SESSION.desktop.mouse_move(*POINTER_PARK)

    def press(self, button, spot):
        """Presses `button` over a face spot; returns the press point on the screen.

        The pointer rests a moment after the press, as a hand does before it
        starts to drag."""
        start = self.view.to_screen(spot)
        SESSION.desktop.mouse_move(*start)
        SESSION.desktop.mouse_down(button)
        time.sleep(PRESS_REST)
        return start

    def wait_for_origin(self, offset, message, base=None):
        base = base or self.home
        expected = (base[0] + offset[0], base[1] + offset[1])
        last = [None]

        def arrived():
            last[0] = window_origin(self.gadget)
            return last[0] == expected

        try:
            harness.wait_until(arrived, timeout=10, message=message)
            return
        except AssertionError:
            pass
        self.fail(f"{message}: the window is at {last[0]}, expected {expected} (it started at {base})")

    def check_moves_with_pointer(self, button, spot):
        start = self.press(button, spot)
        desktop = SESSION.desktop
        half = (TRAVEL[0] // 2, TRAVEL[1] // 2)
        try:
            desktop.mouse_move(start[0] + half[0], start[1] + half[1])
            self.wait_for_origin(half, "half-way through the drag")
            desktop.mouse_move(start[0] + TRAVEL[0], start[1] + TRAVEL[1])
            self.wait_for_origin(TRAVEL, "at the end of the drag")
        finally:
            desktop.mouse_up(button)
        # After the release the pointer goes on; the window must stay.
        desktop.mouse_move(start[0] + TRAVEL[0] + FURTHER[0], start[1] + TRAVEL[1] + FURTHER[1])
        handled = input_handled(self.view)
        self.assertTrue(self.gadget.running(), "the gadget's process ended")
        self.assertEqual(window_origin(self.gadget), (self.home[0] + TRAVEL[0], self.home[1] + TRAVEL[1]),
                         f"the window did not stay put after the {BUTTON_NAMES[button]} button was released")
        self.assertTrue(handled, "the gadget did not react to the pointer after the drag")

    def check_stays_put(self, spot):
        for button in (LEFT, RIGHT, MIDDLE):
            with self.subTest(button=BUTTON_NAMES[button]):
                self.assertTrue(self.gadget.running(), "the gadget's process ended before this press")
                self.view.refresh_origin()
                start = self.press(button, spot)
                SESSION.desktop.mouse_move(start[0] + TRAVEL[0] // 2, start[1] + TRAVEL[1] // 2)
                SESSION.desktop.mouse_move(start[0] + TRAVEL[0], start[1] + TRAVEL[1])
                SESSION.desktop.mouse_up(button)
                handled = input_handled(self.view)
                self.assertTrue(self.gadget.running(), "the gadget's process ended")
                self.assertEqual(window_origin(self.gadget), self.home, "the window moved")
                self.assertTrue(handled, "the gadget did not react to the pointer afterwards")

    def test_a_left_press_on_the_face_drags_the_window_until_the_left_release(self):
        self.check_moves_with_pointer(LEFT, FACE_SPOT)

    def test_a_right_press_on_the_face_drags_the_window_until_the_right_release(self):
        self.check_moves_with_pointer(RIGHT, FACE_SPOT)

    def test_a_middle_press_on_the_face_drags_the_window_until_the_middle_release(self):
        self.check_moves_with_pointer(MIDDLE, FACE_SPOT)

    def test_a_drag_that_sets_off_at_once_after_the_press_still_moves_the_window_by_the_full_travel(self):
        # The pointer may already be on its way when the gadget handles the
        # press: the drag must start from where the button went down. One
        # xdotool run presses and moves with no pause at all, several times.
        for attempt in range(QUICK_DRAGS):
            with self.subTest(attempt=attempt):
                self.view.refresh_origin()
                base = window_origin(self.gadget)
                x, y = self.view.to_screen(FACE_SPOT)
                SESSION.desktop.mouse_move(x, y)
                try:
                    SESSION.desktop.run("xdotool", "mousedown", str(LEFT),
                                        "mousemove", str(x + TRAVEL[0] // 2), str(y + TRAVEL[1] // 2),
                                        "mousemove", str(x + TRAVEL[0]), str(y + TRAVEL[1]))
                    self.wait_for_origin(TRAVEL, "at the end of a drag that set off at once", base)
                finally:
                    SESSION.desktop.mouse_up(LEFT)

    def test_a_press_inside_the_buttons_rectangle_but_outside_its_circle_drags_the_window(self):
        self.assertIn(BUTTON_CORNER_SPOT, FACE_OPAQUE, "the spot is see-through")
        self.assertNotIn(BUTTON_CORNER_SPOT, self.view.circle)
        left, top, right, bottom = self.gadget.child("Command1")["rect"]
        x, y = BUTTON_CORNER_SPOT
        self.assertTrue(left <= x < right and top <= y < bottom, "the spot is not inside the button's rectangle")
        # The press there lands on the face itself, not on the button.
        under = SESSION.inspector("at", *self.view.to_screen(BUTTON_CORNER_SPOT))
        self.assertEqual(under["hwnd"], self.gadget.hwnd, under)
        self.check_moves_with_pointer(LEFT, BUTTON_CORNER_SPOT)

    def test_a_press_on_the_round_button_never_moves_the_window(self):
        self.check_stays_put(BUTTON_CENTRE)

    def test_a_press_on_the_upper_knob_never_moves_the_window(self):
        self.check_stays_put(EXIT_KNOB)

    def test_a_press_on_the_lower_knob_never_moves_the_window(self):
        self.check_stays_put(SETTINGS_KNOB)
        # The left press was released away from the knob: no dialog.
        self.assertEqual(self.gadget.settings_windows(visible_only=True), [])


# ---- The exit knob ----------------------------------------------------------

class ExitKnob(unittest.TestCase):

    def setUp(self):
        self.gadget = SESSION.fresh_gadget()
        self.view = View(self.gadget)

    def tearDown(self):
        SESSION.desktop.mouse_up(LEFT)
        SESSION.desktop.mouse_move(*POINTER_PARK)

    def wait_for_exit(self):
        try:
            return self.gadget.process.wait(30)
        except subprocess.TimeoutExpired:
            self.fail("the gadget's process still runs")

    def test_a_left_click_on_the_upper_knob_ends_the_process_with_exit_code_0(self):
        SESSION.desktop.mouse_move(*self.view.to_screen(EXIT_KNOB))
        SESSION.desktop.click(LEFT)
        self.assertEqual(self.wait_for_exit(), 0)
        self.assertEqual(self.gadget.windows(), [])

    def test_a_left_press_on_the_upper_knob_released_elsewhere_does_not_end_the_process(self):
        start = self.view.to_screen(EXIT_KNOB)
        SESSION.desktop.mouse_move(*start)
        SESSION.desktop.mouse_down(LEFT)
        SESSION.desktop.mouse_move(start[0] - 40, start[1] + 30)  # over the face, off the knob
        SESSION.desktop.mouse_up(LEFT)
        handled = input_handled(self.view)
        self.assertTrue(self.gadget.running(), "the gadget's process ended")
        self.assertIsNotNone(self.gadget.window())
        self.assertTrue(handled, "the gadget did not react to the pointer afterwards")

    def test_a_right_or_middle_click_on_the_upper_knob_does_not_end_the_process(self):
        for button in (RIGHT, MIDDLE):
            with self.subTest(button=BUTTON_NAMES[button]):
                SESSION.desktop.mouse_move(*self.view.to_screen(EXIT_KNOB))
                SESSION.desktop.click(button)
                handled = input_handled(self.view)
                self.assertTrue(self.gadget.running(), "the gadget's process ended")
                self.assertTrue(handled, "the gadget did not react to the pointer afterwards")


if __name__ == "__main__":
    unittest.main()
