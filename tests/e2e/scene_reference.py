"""What the gadget should show at a display DPI, from our scene_reference
program (the product's own scene code, built by the same toolchain as the exe
under test), and the pictures a program that stretched its 96-DPI face would
show instead.

    ref = scene_reference.load(session, 144)
    ref.face, ref.hover, ref.frames[i]   harness.Image
    ref.geometry["button"]               [left, top, right, bottom] and so on
"""

import json
import os
import tempfile

import harness

BUILD_TREE = harness.BUILD_TREES[harness.BUILD]
REFERENCE_EXE = os.environ.get(
    "EXITBUTTON_SCENE_REFERENCE",
    os.path.join(harness.SOURCE_DIR, "build", BUILD_TREE, "tests", "e2e", "scene_reference.exe"))

SEE_THROUGH = (0, 0, 0)   # the face's exact black is cut away


class Reference:
    def __init__(self, dpi, geometry, pictures):
        self.dpi = dpi
        self.scale = dpi / 96
        self.geometry = geometry
        self.face = pictures["face"]
        self.face96 = pictures["face96"]
        self.hover = pictures["button_hover"]
        self.frames = [pictures[f"frame{i}"] for i in range(geometry["frame_count"])]
        self.opaque = self.face.points(lambda rgb: rgb != SEE_THROUGH)

    def rect(self, name):
        return tuple(self.geometry[name])

    def centre(self, name):
        return harness.centre_of(self.geometry[name])


def load(session, dpi):
    """Runs the reference for `dpi` under the loader of the exe under test."""
    if not os.path.isfile(REFERENCE_EXE):
        raise harness.HarnessError(f"the scene reference is not built: {REFERENCE_EXE}")
    with tempfile.TemporaryDirectory(dir=session._tmp) as out:
        status, text, problem = session.run_with(harness.loader_for(REFERENCE_EXE), REFERENCE_EXE, dpi,
                                                 "Z:" + out, timeout=120)
        if status != 0 or not text.strip():
            raise harness.HarnessError(f"scene_reference {dpi} failed ({status}): {text!r} {problem!r}")
        geometry = json.loads(text)
        pictures = {}
        for name in os.listdir(out):
            with open(os.path.join(out, name), "rb") as f:
                pictures[os.path.splitext(name)[0]] = harness.parse_ppm(f.read())
    return Reference(dpi, geometry, pictures)


# ---- Stretched 96-DPI faces -------------------------------------------------

def nearest_upscale(face96, width, height, scale):
    """The 96-DPI face stretched by repeating pixels, as StretchBlt's COLORONCOLOR does."""
    rows = []
    for y in range(height):
        sy = min(int((y + 0.5) / scale), face96.height - 1)
        row = bytearray()
        for x in range(width):
            sx = min(int((x + 0.5) / scale), face96.width - 1)
            i = (sy * face96.width + sx) * 3
            row += face96.rgb[i:i + 3]
        rows.append(bytes(row))
    return harness.Image(width, height, b"".join(rows))


def bilinear_upscale(face96, width, height, scale):
    """The 96-DPI face stretched with bilinear filtering (HALFTONE, or a
    picture viewer): each pixel's centre mapped back onto the small face."""
    src, w, h = face96.rgb, face96.width, face96.height
    out = bytearray(width * height * 3)
    for y in range(height):
        fy = min(max((y + 0.5) / scale - 0.5, 0), h - 1)
        y0 = int(fy)
        y1 = min(y0 + 1, h - 1)
        ty = fy - y0
        for x in range(width):
            fx = min(max((x + 0.5) / scale - 0.5, 0), w - 1)
            x0 = int(fx)
            x1 = min(x0 + 1, w - 1)
            tx = fx - x0
            a, b = (y0 * w + x0) * 3, (y0 * w + x1) * 3
            c, d = (y1 * w + x0) * 3, (y1 * w + x1) * 3
            o = (y * width + x) * 3
            for k in range(3):
                top = src[a + k] + (src[b + k] - src[a + k]) * tx
                bottom = src[c + k] + (src[d + k] - src[c + k]) * tx
                out[o + k] = int(top + (bottom - top) * ty + 0.5)
    return harness.Image(width, height, bytes(out))


# ---- Comparing pictures -------------------------------------------------------

def differences(shot, origin, picture, points, offset=(0, 0), tolerance=2):
    """The points (picture coordinates + offset = window coordinates) where the
    screenshot, read at origin + point, differs from the picture by more than
    `tolerance` levels in a channel: [(point, on screen, expected)]."""
    ox, oy = origin
    dx, dy = offset
    found = []
    for x, y in points:
        got = shot.pixel(ox + x, oy + y)
        want = picture.pixel(x - dx, y - dy)
        if max(abs(got[0] - want[0]), abs(got[1] - want[1]), abs(got[2] - want[2])) > tolerance:
            found.append(((x, y), got, want))
    return found


def mean_abs_difference(a, b, points):
    """The mean over `points` and channels of |a - b|, two pictures of one size."""
    total = 0
    for x, y in points:
        pa, pb = a.pixel(x, y), b.pixel(x, y)
        total += abs(pa[0] - pb[0]) + abs(pa[1] - pb[1]) + abs(pa[2] - pb[2])
    return total / (3 * len(points))


def gradient_energy(picture, points):
    """The mean squared difference between horizontally and vertically
    neighbouring pixels (grey levels), over pairs whose both ends lie in
    `points`: high for edges one pixel wide, lower once blurred by stretching."""
    def grey(p):
        return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]
    total = 0.0
    pairs = 0
    for x, y in points:
        here = grey(picture.pixel(x, y))
        for nx, ny in ((x + 1, y), (x, y + 1)):
            if (nx, ny) in points:
                total += (grey(picture.pixel(nx, ny)) - here) ** 2
                pairs += 1
    return total / pairs
