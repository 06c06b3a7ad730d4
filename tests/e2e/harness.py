"""Drives the real gadget under Wine on a private Xvfb display.

A test module starts one session for all of its tests:

    SESSION = None

    def setUpModule():
        global SESSION
        SESSION = harness.module_session()
        SESSION.start_gadget()

Paths come from the environment that CTest sets (EXITBUTTON_BUILD,
EXITBUTTON_EXE, EXITBUTTON_INSPECTOR, EXITBUTTON_SOAK_HELPER,
EXITBUTTON_SOURCE_DIR; EXITBUTTON_WINEPREFIX names one prefix to use instead
of a free slot of build/wine-slots); without it they default to the
preset build trees of the source tree that holds this file. EXITBUTTON_BUILD is "x64" (the default)
or "x86": which of the two shipped exes the tests drive. The 32-bit exe runs
under the 32-bit loader, in the same prefix; the inspector is always the
64-bit one, which reads the windows of either. Python 3 standard library only.
"""

import atexit
import fcntl
import itertools
import json
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

TREE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SOURCE_DIR = os.environ.get("EXITBUTTON_SOURCE_DIR", TREE_DIR)
# The build tree of each shipped exe, by its name in test names and logs.
BUILD_TREES = {"x64": "win64", "x86": "win32"}
BUILD = os.environ.get("EXITBUTTON_BUILD", "x64")
if BUILD not in BUILD_TREES:
    raise ValueError(f"EXITBUTTON_BUILD is {BUILD!r}; choose from {', '.join(BUILD_TREES)}")


def exe_of(build):
    return os.path.join(SOURCE_DIR, "build", BUILD_TREES[build], "exitbutton.exe")


EXE64 = os.environ.get("EXITBUTTON_EXE64", exe_of("x64"))
EXE32 = os.environ.get("EXITBUTTON_EXE32", exe_of("x86"))
# The exe under test.
EXE = os.environ.get("EXITBUTTON_EXE", EXE64 if BUILD == "x64" else EXE32)
INSPECTOR = os.environ.get(
    "EXITBUTTON_INSPECTOR", os.path.join(SOURCE_DIR, "build", "win64", "tests", "e2e", "inspector.exe"))
# Built with the inspector from soak_helper.cpp: what the inspector cannot do
# quickly or at all.
HELPER_EXE = os.environ.get(
    "EXITBUTTON_SOAK_HELPER", os.path.join(SOURCE_DIR, "build", "win64", "tests", "e2e", "soak_helper.exe"))
# The prefix of `make run` and the benchmarks.
DEFAULT_PREFIX = os.path.join(SOURCE_DIR, "build", "wine")
# A prefix named here serves one session at a time; when none is named, each
# session takes a free slot, a prefix of its own under SLOTS_DIR, so that test
# modules run side by side, each with its own wineserver, LogPixels and
# RelayInclude.
WINEPREFIX = os.environ.get("EXITBUTTON_WINEPREFIX") or None
SLOTS_DIR = os.path.join(SOURCE_DIR, "build", "wine-slots")
PREFIX_SCRIPT = os.path.join(TREE_DIR, "scripts", "wine-prefix.sh")
ART_DIR = os.path.join(SOURCE_DIR, "src", "assets", "art")

WINE64 = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"
WINESERVER = "/usr/lib/wine/wineserver"
IMAGE_FILE_MACHINE_I386 = 0x014C

# The desktop shows this colour wherever no window covers it; the artwork
# never contains it, so it marks every see-through pixel in a screenshot.
ROOT_COLOUR = (0xFF, 0x00, 0xFF)

# Where Wine reads the system DPI (LogPixels) from when a process starts.
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
STANDARD_DPI = 96

GADGET_CLASS = "ExitButtonGadget"
SETTINGS_CLASS = "ExitButtonSettings"
ROUND_BUTTON_CLASS = "ExitButtonCommand"
TOOL_TIPS_CLASS = "tooltips_class32"
SETTINGS_CAPTION = "Настройки"  # the settings dialog's title bar
SETTINGS_CLOSE_CAPTION = "Закрыть"  # the settings dialog's close button
# The settings dialog's action options, in the order of the actions they choose.
SETTINGS_OPTION_CAPTIONS = [
    "Закрывает все программы без приглашения сохранить файлы",
    "Завершение сеанса",
    "Завершает работу системы и по возможности выключает компьютер",
    "Перезагружает компьютер",
    "Завершает работу и выключает питание, останавливает все системные процессы",
]
START_ATTEMPTS = 3  # runs of one of our observer programs that printed nothing, at most

# Window styles, as the inspector reports them.
WS_VISIBLE = 0x10000000
WS_POPUP = 0x80000000
WS_CAPTION = 0x00C00000
WS_THICKFRAME = 0x00040000
WS_EX_TOOLWINDOW = 0x00000080
WS_EX_APPWINDOW = 0x00040000
WS_EX_LAYERED = 0x00080000

# Messages for inspector post/send-timeout.
WM_NULL = 0x0000
WM_CLOSE = 0x0010
WM_MOUSEMOVE = 0x0200
BM_CLICK = 0x00F5
WM_TIMER = 0x0113
ANIMATION_TIMER_ID = 1  # the gadget's timer that turns the face's frames


class HarnessError(Exception):
    pass


def loader_for(exe):
    """The Wine loader that runs this exe: the 32-bit one for an i386 image."""
    with open(exe, "rb") as f:
        head = f.read(4096)
    if head[:2] != b"MZ":
        raise HarnessError(f"{exe} is not a Windows program")
    pe_offset, = struct.unpack_from("<I", head, 0x3C)
    if head[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise HarnessError(f"{exe} has no PE header")
    machine, = struct.unpack_from("<H", head, pe_offset + 4)
    return WINE32 if machine == IMAGE_FILE_MACHINE_I386 else WINE64


def wait_until(predicate, timeout=10.0, interval=0.1, message="condition"):
    """Polls predicate until it returns something truthy and returns that.

    Raises AssertionError naming `message` and the last value seen."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        last = predicate()
        if last:
            return last
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {message}; last value: {last!r}")
        time.sleep(interval)


def wait_until_steady(take, timeout=10.0, interval=0.1, message="a steady value"):
    """Calls take() until two calls in a row give the same value and returns it."""
    previous = [None]

    def same_twice():
        now = take()
        same = previous[0] is not None and now == previous[0]
        previous[0] = now
        return now if same else None

    return wait_until(same_twice, timeout=timeout, interval=interval, message=message)


def size_of(rect):
    """(width, height) of a rectangle given as (left, top, right, bottom)."""
    return rect[2] - rect[0], rect[3] - rect[1]


def centre_of(rect):
    left, top, right, bottom = rect
    return (left + right) // 2, (top + bottom) // 2


def overlaps(a, b):
    """Whether two [left, top, right, bottom] rectangles share a pixel."""
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def contains(rect, point):
    left, top, right, bottom = rect
    return left <= point[0] < right and top <= point[1] < bottom


# ---- Where things are -----------------------------------------------------
# Places on the gadget's face, in its client coordinates (the window has no
# frame: they are its window coordinates too). Rectangles are
# (left, top, right, bottom).

FACE_SIZE = (160, 120)
FACE_OPAQUE_PIXELS = 11403           # the face picture's non-black pixels: the window's region
BUTTON_RECT = (36, 19, 120, 112)     # the round button's child window
BUTTON_CIRCLE = (5, 5, 72, 72)       # the ellipse it is cut to, in the button's own coordinates
BUTTON_PICTURE_OFFSET = (3, 3)       # where the button draws its picture, in its own coordinates
BUTTON_PICTURE_ORIGIN = (BUTTON_RECT[0] + BUTTON_PICTURE_OFFSET[0], BUTTON_RECT[1] + BUTTON_PICTURE_OFFSET[1])
CIRCLE_CENTRE = (BUTTON_RECT[0] + (BUTTON_CIRCLE[0] + BUTTON_CIRCLE[2]) / 2,
                 BUTTON_RECT[1] + (BUTTON_CIRCLE[1] + BUTTON_CIRCLE[3]) / 2)
CIRCLE_RADIUS = (BUTTON_CIRCLE[2] - BUTTON_CIRCLE[0]) / 2
BUTTON_CENTRE = (int(CIRCLE_CENTRE[0]), int(CIRCLE_CENTRE[1]))
BUTTON_INNER = (52, 35, 97, 80)      # a square inside the circle: the button's own picture only
BUTTON_CORNER_SPOT = (78, 100)       # inside the button's rectangle, below its circle, on the face
HOT_SPOT_SIZE = 17
EXIT_KNOB_RECT = (136, 8, 136 + HOT_SPOT_SIZE, 8 + HOT_SPOT_SIZE)          # a left click ends the program
SETTINGS_KNOB_RECT = (136, 88, 136 + HOT_SPOT_SIZE, 88 + HOT_SPOT_SIZE)    # a left click opens the dialog
EXIT_KNOB = centre_of(EXIT_KNOB_RECT)
SETTINGS_KNOB = centre_of(SETTINGS_KNOB_RECT)
FACE_SPOT = (20, 60)                 # the left bars: opaque, away from the button and the knobs

# Places on the screen. The gadget and the settings dialog both start
# centred; the dialog then covers the whole gadget.
SCREEN_SIZE = (1024, 768)
DIALOG_CENTRED_LEFT = 328            # the centred dialog window's left edge
POINTER_PARK = (SCREEN_SIZE[0] - 1, SCREEN_SIZE[1] - 1)  # the pointer's resting place, away from everything
# A gadget here is beside the centred dialog, which covers none of it.
GADGET_BESIDE_DIALOG = (150, (SCREEN_SIZE[1] - FACE_SIZE[1]) // 2)
# A gadget here is partly under the centred dialog, whose left edge runs down
# the middle of the round button: the knobs are under the dialog, the left
# bars are not.
GADGET_HALF_UNDER_DIALOG = (DIALOG_CENTRED_LEFT - BUTTON_CENTRE[0], GADGET_BESIDE_DIALOG[1])
# Ranges of the top-left corners while the soak's storm moves both windows:
# the gadget stays left of the dialog, so that no click meant for the dialog
# can reach the round button.
GADGET_AREA = (10, 10, 150, 630)
DIALOG_AREA = (DIALOG_CENTRED_LEFT + 2, 10, 650, 370)


# ---- Pictures -------------------------------------------------------------

class Image:
    """An RGB picture: pixel(x, y) -> (r, g, b), row-major from the top left."""

    def __init__(self, width, height, rgb):
        if len(rgb) != width * height * 3:
            raise ValueError("pixel data does not match the size")
        self.width = width
        self.height = height
        self.rgb = bytes(rgb)

    def __eq__(self, other):
        return isinstance(other, Image) and (self.width, self.height, self.rgb) == (
            other.width, other.height, other.rgb)

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"({x}, {y}) is outside {self.width} x {self.height}")
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def crop(self, left, top, width, height):
        rows = []
        for y in range(top, top + height):
            i = (y * self.width + left) * 3
            rows.append(self.rgb[i:i + width * 3])
        return Image(width, height, b"".join(rows))

    def points(self, predicate):
        """The set of (x, y) whose colour satisfies predicate."""
        found = set()
        for y in range(self.height):
            for x in range(self.width):
                if predicate(self.pixel(x, y)):
                    found.add((x, y))
        return found

    def save_png(self, path):
        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
        raw = b"".join(b"\0" + self.rgb[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))
        png = (b"\x89PNG\r\n\x1a\n"
               + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
               + chunk(b"IDAT", zlib.compress(raw, 6))
               + chunk(b"IEND", b""))
        with open(path, "wb") as f:
            f.write(png)


def parse_ppm(data):
    """Parses a binary PPM (P6) with 8- or 16-bit samples into 8-bit RGB."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1  # the single whitespace byte before the pixels
    if fields[0] != b"P6" or int(fields[3]) not in (255, 65535):
        raise HarnessError(f"not a P6 picture: {fields!r}")
    width, height = int(fields[1]), int(fields[2])
    if int(fields[3]) == 65535:  # 16-bit samples, most significant byte first
        return Image(width, height, data[pos:pos + width * height * 6:2])
    return Image(width, height, data[pos:pos + width * height * 3])


def read_bmp(path):
    """Reads an uncompressed 24- or 32-bit Windows bitmap."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise HarnessError(f"{path} is not a BMP file")
    offset, = struct.unpack_from("<I", data, 10)
    _, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if bits not in (24, 32) or compression not in (0, 3):
        raise HarnessError(f"{path}: {bits}-bit, compression {compression} is not supported")
    top_down = height < 0
    height = abs(height)
    stride = (width * bits // 8 + 3) & ~3
    step = bits // 8
    rows = []
    for y in range(height):
        src = y if top_down else height - 1 - y
        row = data[offset + src * stride: offset + src * stride + width * step]
        out = bytearray(width * 3)
        out[0::3] = row[2::step]
        out[1::3] = row[1::step]
        out[2::3] = row[0::step]
        rows.append(bytes(out))
    return Image(width, height, b"".join(rows))


def region_points(rects, dx=0, dy=0):
    """The pixels covered by [left, top, right, bottom] rectangles, moved by (dx, dy)."""
    found = set()
    for left, top, right, bottom in rects:
        for y in range(top, bottom):
            for x in range(left, right):
                found.add((x + dx, y + dy))
    return found


# ---- The X display --------------------------------------------------------

def start_x_server(command, env=None):
    """Starts an X server that tells its display number on -displayfd; returns
    the process and the display name."""
    read_end, write_end = os.pipe()
    name = os.path.basename(command[0])
    try:
        server = subprocess.Popen([command[0], "-displayfd", str(write_end), *command[1:]], env=env,
                                  pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        write_end = None
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([read_end], [], [], left)[0]:
                server.kill()
                server.wait()
                raise HarnessError(f"{name} did not report its display")
            got = os.read(read_end, 64)
            if not got:
                raise HarnessError(f"{name} exited with status {server.wait()}")
            number += got
    finally:
        os.close(read_end)
        if write_end is not None:
            os.close(write_end)
    return server, ":" + number.decode().strip()


def stop_x_server(server):
    if server and server.poll() is None:
        server.terminate()
        try:
            server.wait(10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()


class Desktop:
    """A private Xvfb display with a magenta root and no window manager."""

    def __init__(self, size=SCREEN_SIZE, depth=24):
        self.size = size
        self.depth = depth
        self.display = None
        self._xvfb = None

    def start(self):
        self._check_tools("Xvfb")
        self._xvfb, self.display = start_x_server(
            ["Xvfb", "-screen", "0", f"{self.size[0]}x{self.size[1]}x{self.depth}", "-noreset", "-nolisten", "tcp"])
        self._prepare()
        return self

    @staticmethod
    def _check_tools(*servers):
        for tool in (*servers, "xsetroot", "xdotool", "import"):
            if not shutil.which(tool):
                raise HarnessError(f"{tool} is missing; run scripts/bootstrap.sh")

    def _prepare(self):
        self.run("xset", "s", "off")
        self.run("xsetroot", "-solid", "#%02x%02x%02x" % ROOT_COLOUR)

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("WAYLAND_DISPLAY", None)
        env.pop("XAUTHORITY", None)
        return env

    def run(self, *args, timeout=30):
        result = subprocess.run(list(args), env=self.env(), stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=timeout)
        if result.returncode != 0:
            raise HarnessError(f"{args!r} failed ({result.returncode}): {result.stderr.decode(errors='replace')}")
        return result.stdout

    def screenshot(self):
        return parse_ppm(self.run("import", "-window", "root", "-depth", "8", "ppm:-"))

    # Pointer and keyboard, through XTEST.
    def mouse_move(self, x, y):
        self.run("xdotool", "mousemove", str(x), str(y))

    def click(self, button=1):
        self.run("xdotool", "click", str(button))

    def mouse_down(self, button=1):
        self.run("xdotool", "mousedown", str(button))

    def mouse_up(self, button=1):
        self.run("xdotool", "mouseup", str(button))

    def key(self, *names):
        self.run("xdotool", "key", *names)

    def pointer(self):
        out = self.run("xdotool", "getmouselocation", "--shell").decode()
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"])

    def x_windows_named(self, title, mapped_only=False):
        """X window ids whose WM_NAME is exactly `title` (mapped or not, unless `mapped_only`)."""
        result = subprocess.run(["xdotool", "search", *(["--onlyvisible"] if mapped_only else []),
                                 "--name", "^%s$" % re.escape(title)],
                                env=self.env(), capture_output=True, timeout=30)
        return [int(w) for w in result.stdout.split()]

    def x_property(self, window, name):
        return self.run("xprop", "-id", str(window), name).decode().strip()

    def close(self):
        stop_x_server(self._xvfb)
        self._xvfb = None


class TwoMonitorDesktop(Desktop):
    """Two monitors side by side, tops aligned: the primary one at (0, 0) and
    a smaller one to its right.

    Xvfb cannot place its screens (with +xinerama every screen lies at (0, 0)),
    and Wine 8 takes its monitors from RandR whenever the server has RandR, where
    Xvfb has one output and Wine ignores RandR 1.5 monitors (xrandr --setmonitor).
    So a nested Xephyr, whose screens lie side by side, runs inside a private
    Xvfb, with Xinerama and without RandR: Wine then reads one monitor per
    Xinerama screen. Without RandR the layout cannot change while it runs."""

    def __init__(self, sizes=((1024, 768), (800, 600)), depth=24):
        super().__init__(size=(sum(w for w, _ in sizes), max(h for _, h in sizes)), depth=depth)
        self.sizes = sizes
        self.monitors = []  # [left, top, right, bottom] of each, primary first
        left = 0
        for width, height in sizes:
            self.monitors.append([left, 0, left + width, height])
            left += width
        self._host = None

    def start(self):
        self._check_tools("Xvfb", "Xephyr")
        self._host, host_display = start_x_server(
            ["Xvfb", "-screen", "0", f"{self.size[0]}x{self.size[1]}x{self.depth}", "-noreset", "-nolisten", "tcp"])
        host_env = dict(os.environ, DISPLAY=host_display)
        host_env.pop("XAUTHORITY", None)
        screens = [arg for w, h in self.sizes for arg in ("-screen", f"{w}x{h}x{self.depth}")]
        self._xvfb, self.display = start_x_server(
            ["Xephyr", "-extension", "RANDR", "+xinerama", *screens, "-noreset", "-nolisten", "tcp"], env=host_env)
        self._prepare()
        return self

    def close(self):
        super().close()
        stop_x_server(self._host)
        self._host = None


# ---- Wine -----------------------------------------------------------------

def close_box_centre(window):
    """The centre of the close box Wine draws at the right end of a window's
    caption, from the window's state as the inspector reports it."""
    window_left, window_top, window_right, _ = window["window_rect"]
    client_left, client_top = window["client_rect"][:2]
    border = client_left - window_left
    caption = client_top - window_top - border
    return window_right - border - caption // 2 - 1, window_top + border + caption // 2


class RelayCall:
    """One call in a Wine relay log.

    `args` are the numbers Wine printed; `texts` hold, argument by argument,
    the string Wine printed beside a string argument, else None. `caller` is
    the address the call returns to; `retval` is known once it returned. `pid`
    is None unless the log was taken with +pid."""

    def __init__(self, pid, thread, module, function, args, texts, caller):
        self.pid = pid
        self.thread = thread
        self.module = module
        self.function = function
        self.args = args
        self.texts = texts
        self.caller = caller
        self.retval = None

    @property
    def name(self):
        return f"{self.module}.{self.function}"

    def __repr__(self):
        shown = [f"{n:#x}" if t is None else f"{n:#x} {t!r}" for n, t in zip(self.args, self.texts)]
        return f"RelayCall({self.name}({', '.join(map(str, shown))}) -> {self.retval!r})"


# Every line starts with the thread id, and with the process id before it
# when +pid is on.
_RELAY_PREFIX = r"^(?:([0-9a-f]+):)?([0-9a-f]+):"
_RELAY_CALL = re.compile(_RELAY_PREFIX + r"Call (\S+?)\.([\w@]+)\((.*)\) ret=([0-9a-f]+)$")
_RELAY_RET = re.compile(_RELAY_PREFIX + r"Ret  (\S+?)\.([\w@]+)\(\) retval=([0-9a-f]+)")
_RELAY_LOADED = re.compile(_RELAY_PREFIX + r'trace:loaddll:\w+ Loaded L"(.*)" at ([0-9A-Fa-f]+): \w+')
_RELAY_ARG = re.compile(r'([0-9a-fA-F]+)(?: L?"((?:[^"\\]|\\.)*)"(?:\.\.\.)?)?(?:,|$)')
_RELAY_ESCAPE = re.compile(r"\\([0-9a-fA-F]{4}|.)")


def _relay_text(escaped):
    def one(m):
        code = m.group(1)
        if len(code) == 4:
            return chr(int(code, 16))
        return {"n": "\n", "r": "\r", "t": "\t"}.get(code, code)
    return _RELAY_ESCAPE.sub(one, escaped)


def parse_relay_args(text):
    """(numbers, texts) from a relay argument list."""
    numbers, texts = [], []
    pos = 0
    while pos < len(text):
        m = _RELAY_ARG.match(text, pos)
        if not m:
            raise ValueError(f"cannot read relay arguments at {pos}: {text!r}")
        numbers.append(int(m.group(1), 16))
        texts.append(None if m.group(2) is None else _relay_text(m.group(2)))
        pos = m.end()
    return numbers, texts


def _hex_or_none(text):
    return None if text is None else int(text, 16)


class RelayTrace:
    """A Wine relay log: the relayed calls in order, each with its return
    value once it returned, and (with +loaddll) the modules each process
    loaded."""

    def __init__(self, text):
        self.calls = []
        self.modules = {}  # pid -> [(base, file name in lower case)]
        open_calls = {}    # (pid, thread) -> calls not returned yet, innermost last
        for line in text.splitlines():
            m = _RELAY_CALL.match(line)
            if m:
                pid, thread = _hex_or_none(m.group(1)), int(m.group(2), 16)
                args, texts = parse_relay_args(m.group(5))
                call = RelayCall(pid, thread, m.group(3), m.group(4), args, texts, int(m.group(6), 16))
                self.calls.append(call)
                open_calls.setdefault((pid, thread), []).append(call)
                continue
            m = _RELAY_RET.match(line)
            if m:
                pending = open_calls.get((_hex_or_none(m.group(1)), int(m.group(2), 16)), [])
                name = f"{m.group(3)}.{m.group(4)}"
                # Calls on one thread return innermost first; any above this
                # one never returned (they left by an exception or an exit).
                for i in range(len(pending) - 1, -1, -1):
                    if pending[i].name == name:
                        pending[i].retval = int(m.group(5), 16)
                        del pending[i:]
                        break
                continue
            m = _RELAY_LOADED.match(line)
            if m:
                name = m.group(3).replace("\\\\", "\\").rsplit("\\", 1)[-1].lower()
                self.modules.setdefault(_hex_or_none(m.group(1)), []).append((int(m.group(4), 16), name))

    def named(self, name=None):
        return [c for c in self.calls if name is None or c.name == name]

    def process_of(self, module):
        """(pid, base) of the one process that loaded `module` as its exe."""
        found = [(pid, base) for pid, loaded in self.modules.items() for base, name in loaded if name == module]
        if len(found) != 1:
            raise AssertionError(f"{module} was loaded {len(found)} times in the trace")
        return found[0]

    def module_at(self, pid, address):
        """The module whose base is the nearest below `address` in process `pid`."""
        below = [(base, name) for base, name in self.modules.get(pid, []) if base <= address]
        return max(below)[1] if below else None


class Program:
    """A program started under Wine: its Unix process."""

    process = None

    def running(self):
        return self.process.poll() is None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(30)


class Gadget(Program):
    """The running gadget: its Unix process and its window."""

    def __init__(self, session, process, stderr_path, window):
        self.session = session
        self.process = process
        self.stderr_path = stderr_path
        self.hwnd = window["hwnd"]
        self.pid = window["pid"]  # the Windows process id

    def window(self):
        """The gadget window's current state, or None once it is gone."""
        for w in self.session.inspector("windows", str(self.pid)):
            if w["hwnd"] == self.hwnd:
                return w
        return None

    def windows(self):
        return self.session.inspector("windows", str(self.pid))

    def windows_of_class(self, name, visible_only=False):
        """The process's top-level windows of one class."""
        return [w for w in self.windows()
                if w["class"].lower() == name.lower() and (w["visible"] or not visible_only)]

    def settings_windows(self, visible_only=False):
        return self.windows_of_class(SETTINGS_CLASS, visible_only)

    def close_settings_with_its_button(self, dialog):
        """Clicks the dialog's one close button and waits until no settings dialog shows."""
        close = [c for c in self.session.inspector("children", dialog["hwnd"])
                 if c["title"] == SETTINGS_CLOSE_CAPTION]
        if len(close) != 1:
            raise AssertionError(f"expected one close button, found {close!r}")
        self.session.inspector("click", close[0]["hwnd"])
        wait_until(lambda: not self.settings_windows(visible_only=True), timeout=15,
                   message="the settings dialog to close")

    def wait_until_settings_off_screen(self):
        """Waits until no X window of the settings dialog is mapped. Without a
        window manager Wine withdraws a hidden captioned window only after
        waiting about a second for one to confirm its mapping; until then the
        dialog stays on the screen and takes the pointer input aimed at what
        lies under it."""
        wait_until(lambda: not self.session.desktop.x_windows_named(SETTINGS_CAPTION, mapped_only=True),
                   timeout=15, message="the settings dialog to leave the screen")

    def open_settings_from_the_knob(self, dpi=STANDARD_DPI, clicks=1, delay_ms=100):
        """Clicks the settings knob of a gadget drawn at `dpi` `clicks` times,
        `delay_ms` apart, as one gesture, and returns the dialog's window once
        it shows."""
        knob = [int(v * dpi / STANDARD_DPI + 0.5) for v in SETTINGS_KNOB]
        self.session.desktop.mouse_move(*self.to_screen(*knob))
        self.session.desktop.run("xdotool", "click", "--repeat", str(clicks), "--delay", str(delay_ms), "1")
        shown = wait_until(lambda: self.settings_windows(visible_only=True), timeout=15,
                           message="a visible settings window")
        if len(shown) != 1:
            raise AssertionError(f"expected one visible settings window, found {shown!r}")
        return shown[0]

    def tool_tips_windows(self):
        return self.windows_of_class(TOOL_TIPS_CLASS)

    def children(self):
        return self.session.inspector("children", str(self.hwnd))

    def child(self, title):
        found = [c for c in self.children() if c["title"] == title]
        if len(found) != 1:
            raise AssertionError(f"expected one child titled {title!r}, found {found!r}")
        return found[0]

    def region(self, hwnd=None):
        return self.session.inspector("region", str(hwnd or self.hwnd))["region"]

    def to_screen(self, x, y):
        """Screen coordinates of a point given in the gadget's client coordinates."""
        left, top = self.window()["client_rect"][:2]
        return left + x, top + y

    def settle(self, timeout=10.0):
        """Waits until the window stands still and returns its rectangle."""
        return wait_until_steady(lambda: self.window()["window_rect"], timeout=timeout, interval=0.3,
                                 message="the gadget to stop moving")

    def drag_to(self, left, top, grip=FACE_SPOT, tolerance=10, attempts=5):
        """Drags the window by a face point until its top-left corner is within
        `tolerance` pixels of (left, top); the pointer ends on the face.

        The gadget reads the pointer's start when it handles the press, which
        may come after the first moves have already happened: the drag then
        falls short, so it is repeated from wherever the gadget stopped."""
        desktop = self.session.desktop
        for _ in range(attempts):
            now_left, now_top = self.window()["window_rect"][:2]
            if abs(now_left - left) <= tolerance and abs(now_top - top) <= tolerance:
                return
            x, y = self.to_screen(*grip)
            desktop.mouse_move(x, y)
            desktop.mouse_down()
            steps = 4
            for i in range(1, steps + 1):
                desktop.mouse_move(x + (left - now_left) * i // steps, y + (top - now_top) * i // steps)
            desktop.mouse_up()
            self.settle()
        raise AssertionError(f"could not drag the gadget to ({left}, {top}); it is at {self.window()['window_rect']!r}")

    def stderr(self):
        with open(self.stderr_path, "r", encoding="utf-8", errors="replace") as f:
            return f.read()

    def relay_trace(self):
        return RelayTrace(self.stderr())

    def relay_calls(self, name=None):
        return self.relay_trace().named(name)


NOT_STARTED = object()  # what a start attempt returns when Wine failed to start the program


def retry_wine_start(session, start, what, attempts=START_ATTEMPTS):
    """Calls `start(last)` until it returns something other than NOT_STARTED,
    `attempts` times at most; `last` tells the final attempt.

    A program of ours that ends before its first word never got to its work:
    Wine failed to start it (exit status 1, a few times an hour in long runs).
    Such a run says nothing about what is tested, so it is the one thing that
    runs again; `session.retries` counts each repeat."""
    for attempt in range(attempts):
        result = start(attempt + 1 == attempts)
        if result is not NOT_STARTED:
            return result
        if attempt + 1 < attempts:
            session.retries += 1
            time.sleep(0.5)
    raise HarnessError(f"{what} ended {attempts} times without a word")


def start_windowed(session, command, find_windows, what, env, stderr_path=None, timeout=20):
    """Starts a program that shows a window and waits until `find_windows()`
    lists it; returns the process and the first window listed. Exit status 1
    before any window is Wine failing to start the program, which is made
    again (retry_wine_start); any other end before a window is an error."""

    def start(last):
        with open(stderr_path or os.devnull, "wb") as stderr:
            process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=stderr)

        def shown():
            return True if process.poll() is not None else find_windows()

        try:
            found = wait_until(shown, timeout=timeout, interval=0.2, message=what)
        except BaseException:
            if process.poll() is None:
                process.kill()
            process.wait()
            raise
        if found is not True:
            return process, found[0]
        if process.returncode != 1 or last:
            raise HarnessError(f"{what} exited with status {process.returncode} before showing a window")
        return NOT_STARTED

    return retry_wine_start(session, start, what)


class RunningProgram(Program):
    """One of our observer programs that keeps running after its answer (a
    window of another process, for instance): the answer, and stop()."""

    def __init__(self, session, program, args, timeout):
        self.name = os.path.splitext(os.path.basename(program))[0]
        runs = itertools.count()

        def start(_last):
            path = os.path.join(session._tmp, f"{self.name}-{len(session.programs)}-{next(runs)}.out")
            with open(path, "wb") as out:
                # A file, not a pipe: see WineSession.run.
                self.process = subprocess.Popen([WINE64, program, *map(str, args)], env=session.env(),
                                                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)
            try:
                said, answer = wait_until(lambda: self._answer(path), timeout=timeout, interval=0.1,
                                          message=f"the answer of {self.name} {args!r}")
            except BaseException:
                self.stop()
                raise
            return answer if said else NOT_STARTED

        self.answer = retry_wine_start(session, start, f"{self.name} {args!r}")

    def _answer(self, path):
        """(True, the parsed first line of output), (False, None) once the
        program ended without one, or None while it has not come yet."""
        with open(path, "rb") as f:
            text = f.read().decode("utf-8", errors="replace")
        if "\n" in text:
            return True, json.loads(text.split("\n", 1)[0])
        if self.process.poll() is not None:
            if text.strip():
                raise HarnessError(f"{self.name} ended with status {self.process.returncode}: {text!r}")
            return False, None
        return None


class InspectorServer:
    """The inspector serving a session: one Wine process that answers one
    question a line (`inspector serve`), where a run per question would pay a
    Wine start-up each time.

    A server that ended is started again at the next question: a forced power
    request ends every process of the prefix, this one too. A question whose
    answer the ending cut off is asked again only if it just reads; one that
    acts (a click, a posted message) might have been carried out already."""

    READ_ONLY = ("windows", "region", "children", "tooltips", "msgbox", "ellipse", "system", "monitors", "at",
                 "process")
    START_TIMEOUT = 60

    def __init__(self, session):
        self.session = session
        self.process = None
        self._pending = b""
        self.starts = 0  # servers started, the first one included

    def _start(self, on_retry):
        session = self.session

        def start(last):
            self._pending = b""
            # Wine's helper processes (explorer, services) may inherit these
            # pipes and outlive the server, so its end is seen by poll(),
            # never by the end of the pipe.
            self.process = subprocess.Popen([WINE64, session.inspector_exe, "serve"], env=session.env(),
                                            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                            stderr=subprocess.DEVNULL)
            self.starts += 1
            if self._read_answer(self.START_TIMEOUT) is not None:
                return True
            status = self.process.wait(10)
            self._discard()
            if on_retry and not last:
                on_retry(("serve",), status, "")
            return NOT_STARTED

        retry_wine_start(session, start, "the inspector")

    def _read_answer(self, timeout):
        """(status, value) of the next answer line, or None once the process
        has ended without one. Raises HarnessError after `timeout` seconds."""
        deadline = time.monotonic() + timeout
        fd = self.process.stdout.fileno()
        while b"\n" not in self._pending:
            left = deadline - time.monotonic()
            if left <= 0:
                raise HarnessError(f"the inspector gave no answer in {timeout} s")
            if select.select([fd], [], [], min(left, 0.2))[0]:
                got = os.read(fd, 65536)
                if not got:
                    return None  # every writer of the pipe is gone
                self._pending += got
            elif self.process.poll() is not None:
                return None
        line, self._pending = self._pending.split(b"\n", 1)
        reply = json.loads(line.decode("utf-8", errors="replace"))
        return reply["status"], reply["answer"]

    def ask(self, args, on_retry=None, timeout=60):
        words = [str(a) for a in args]
        if any("\t" in w or "\n" in w for w in words):
            raise HarnessError(f"an inspector argument holds a tab or a line end: {words!r}")
        line = ("\t".join(words) + "\n").encode("utf-8")
        for _ in range(2):
            if self.process is not None and self.process.poll() is not None:
                self._discard()  # ended between two questions
            if self.process is None:
                self._start(on_retry)
            try:
                self.process.stdin.write(line)
                self.process.stdin.flush()
            except BrokenPipeError:
                self._discard()
                continue
            answer = self._read_answer(timeout)
            if answer is not None:
                return answer
            self._discard()
            if words[0] not in self.READ_ONLY:
                raise HarnessError(f"the inspector ended while answering {words!r}")
        raise HarnessError(f"the inspector ended twice while answering {words!r}")

    def _discard(self):
        """Forgets a server that has ended (or is being stopped): its pipes are closed."""
        for pipe in (self.process.stdin, self.process.stdout):
            try:
                pipe.close()
            except OSError:
                pass  # a write to a reader that ended may still be buffered
        self.process = None

    def stop(self):
        if self.process is None:
            return
        process = self.process
        self._discard()  # the end of its input ends it
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class WineSession:
    """A private display, the project's prefix with a persistent wineserver,
    and the programs started in it."""

    def __init__(self, prefix=WINEPREFIX, exe=EXE, inspector=INSPECTOR, build=BUILD, desktop=None):
        self.prefix = prefix
        self.exe = exe
        self.build = build
        self.loader = None  # the Wine loader for self.exe, known once started
        self.inspector_exe = inspector
        self.desktop = desktop or Desktop()
        self.gadgets = []
        self._server = None
        self._tmp = None
        self.retries = 0  # runs of our observer programs that Wine failed to start
        self.programs = []
        self._lock = None
        self._owns_prefix = False
        self._closed = False
        self._inspector = None  # the InspectorServer, once asked
        self._log_pixels = None  # the LogPixels this session last wrote

    # -- set-up

    def start(self):
        for path, what in ((self.exe, "the gadget"), (self.inspector_exe, "the inspector")):
            if not os.path.isfile(path):
                raise HarnessError(f"{what} is not built: {path}")
        if not os.access(WINE64, os.X_OK):
            raise HarnessError(f"{WINE64} is missing; run scripts/bootstrap.sh")
        self.loader = loader_for(self.exe)
        if not os.access(self.loader, os.X_OK):
            raise HarnessError(f"{self.loader} is missing for the {self.build} build; run scripts/bootstrap.sh")
        atexit.register(self.close)
        # A terminated test run (CTest's time-out) stops like one interrupted
        # with Ctrl-C, and the atexit hook still cleans up.
        if signal.getsignal(signal.SIGTERM) == signal.SIG_DFL:
            signal.signal(signal.SIGTERM, signal.default_int_handler)
        self._tmp = tempfile.mkdtemp(prefix="exitbutton-e2e-")
        if self.prefix is None:
            self.prefix = self._take_free_slot()
        else:
            self.prefix = os.path.realpath(self.prefix)
            self._take_prefix()
        subprocess.run([PREFIX_SCRIPT, self.prefix], check=True, stdout=subprocess.DEVNULL, timeout=300)
        self.desktop.start()
        # A server left from an earlier run would hold another display.
        self._wineserver("-k")
        self._server = subprocess.Popen([WINESERVER, "-f", "-p"], env=self.env(), stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: os.path.exists(self._server_socket()), timeout=30, message="the wineserver socket")
        return self

    def _take_free_slot(self):
        """The first slot prefix that no other session holds, now held by this one."""
        os.makedirs(SLOTS_DIR, exist_ok=True)
        slot = 0
        while True:
            prefix = os.path.join(SLOTS_DIR, str(slot))
            lock = open(prefix + ".session.lock", "w")
            try:
                fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
            except BlockingIOError:
                lock.close()
                slot += 1
                continue
            self._lock = lock
            self._owns_prefix = True
            return prefix

    def _take_prefix(self, timeout=300):
        """Waits until no other session (a test or `make run`) uses the prefix:
        each one ends by killing every process in it."""
        os.makedirs(os.path.dirname(self.prefix), exist_ok=True)
        self._lock = open(self.prefix + ".session.lock", "w")
        deadline = time.monotonic() + timeout
        while True:
            try:
                fcntl.flock(self._lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                self._owns_prefix = True
                return
            except BlockingIOError:
                if time.monotonic() >= deadline:
                    raise HarnessError(f"the Wine prefix {self.prefix} stayed busy for {timeout} s "
                                       f"(another test run or 'make run' holds {self._lock.name})")
                time.sleep(0.5)

    def env(self, debug="-all"):
        env = self.desktop.env()
        env["WINEPREFIX"] = self.prefix
        env["WINEDEBUG"] = debug
        env["WINEDLLOVERRIDES"] = "mscoree=;mshtml="
        return env

    def _server_socket(self):
        # Upstream Wine keeps the server's socket in /tmp/.wine-UID; Debian's
        # build uses a random directory in /tmp named in PREFIX/wineserver.
        st = os.stat(self.prefix)
        base = f"/tmp/.wine-{os.getuid()}"
        try:
            with open(os.path.join(self.prefix, "wineserver")) as f:
                base = os.path.join("/tmp", f.read().strip())
        except OSError:
            pass
        return os.path.join(base, f"server-{st.st_dev:x}-{st.st_ino:x}", "socket")

    def _wineserver(self, *args):
        subprocess.run([WINESERVER, *args], env=self.env(), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    # -- programs

    def run(self, program, *args, timeout=60):
        """Runs a Windows program (a path, or a name such as "reg") under the
        64-bit loader; returns its exit status, stdout and stderr as text.

        Output goes through files, not pipes: Wine's helper processes
        (services, explorer) inherit the standard handles and outlive the
        program, so a pipe would not reach its end until they exit."""
        return self.run_with(WINE64, program, *args, timeout=timeout)

    def run_with(self, loader, program, *args, timeout=60):
        """run() under a chosen loader: WINE32 for one of our 32-bit programs."""
        with tempfile.TemporaryFile(dir=self._tmp) as out, tempfile.TemporaryFile(dir=self._tmp) as err:
            status = subprocess.run([loader, program, *map(str, args)], env=self.env(), stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=err, timeout=timeout).returncode
            out.seek(0)
            err.seek(0)
            return (status, out.read().decode("utf-8", errors="replace"),
                    err.read().decode("utf-8", errors="replace").strip())

    def run_json(self, program, *args, attempts=1, check=False, on_retry=None, timeout=60):
        """Runs one of our observer programs and returns its parsed JSON answer.

        They print JSON for every command, also for a window or process that
        is gone. A run that printed nothing at all never got to its command,
        and is made again (retry_wine_start), `attempts` times in all;
        `on_retry(args, status, stderr)` hears of each repeat. `check` turns
        an exit status other than 0 into an error."""
        name = os.path.splitext(os.path.basename(program))[0]

        def start(last):
            status, text, problem = self.run(program, *args, timeout=timeout)
            if text.strip() or last:
                return status, text
            if on_retry:
                on_retry(args, status, problem)
            return NOT_STARTED

        status, text = retry_wine_start(self, start, f"{name} {args!r}", attempts)
        try:
            value = json.loads(text)
        except ValueError:
            raise HarnessError(f"{name} {args!r} printed no JSON (status {status}): {text!r}")
        if check and status != 0:
            raise HarnessError(f"{name} {args!r} failed ({status}): {value!r}")
        return value

    def inspector(self, *args, check=True, on_retry=None, timeout=60):
        """Asks the session's inspector one question and returns its parsed
        JSON answer; `check` turns a status other than 0 into an error.

        One inspector process answers every question of the session (see
        InspectorServer); `on_retry(args, status, stderr)` hears of each time
        Wine failed to start it, and `retries` counts them, as for run_json."""
        if self._inspector is None:
            self._inspector = InspectorServer(self)
        status, value = self._inspector.ask(args, on_retry=on_retry, timeout=timeout)
        if check and status != 0:
            name = os.path.splitext(os.path.basename(self.inspector_exe))[0]
            raise HarnessError(f"{name} {args!r} failed ({status}): {value!r}")
        return value

    def restart_inspector(self):
        """Ends the inspector process; the next question starts a new one,
        which reads the prefix's settings (LogPixels) afresh."""
        if self._inspector is not None:
            self._inspector.stop()
            self._inspector = None

    def start_program(self, program, *args, timeout=30):
        """Starts one of our observer programs that answers once and then
        keeps running; returns it once its answer is there."""
        running = RunningProgram(self, program, args, timeout)
        self.programs.append(running)
        return running

    def set_relay_include(self, *functions):
        """Chooses the calls a +relay trace shows (module.Function), for programs started later."""
        status, _, _ = self.run("reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/t", "REG_SZ",
                                "/d", ";".join(functions), "/f")
        if status != 0:
            raise HarnessError(f"reg add RelayInclude failed with status {status}")

    def set_log_pixels(self, dpi):
        """Sets the system DPI that programs started from now on see (Wine
        reads LogPixels when a process starts)."""
        if dpi == self._log_pixels:
            return

        def start(last):
            status, said, problem = self.run("reg", "add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD",
                                             "/d", str(dpi), "/f")
            # reg says something whatever it does: silence is Wine failing to start it.
            if status != 0 and not said.strip() and not problem.strip() and not last:
                return NOT_STARTED
            return status

        status = retry_wine_start(self, start, f"reg add LogPixels {dpi}")
        if status != 0:
            raise HarnessError(f"reg add LogPixels {dpi} failed with status {status}")
        self._log_pixels = dpi
        self.restart_inspector()

    def prefix_processes(self, name):
        """Unix ids of this prefix's processes whose command line holds `name`."""
        marker = b"\0WINEPREFIX=" + self.prefix.encode() + b"\0"
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    if name.lower().encode() not in f.read().lower():
                        continue
                with open(f"/proc/{entry}/environ", "rb") as f:
                    environ = b"\0" + f.read()
            except OSError:
                continue  # gone meanwhile, or not ours
            if marker in environ:
                found.append(int(entry))
        return found

    def wait_for_quiet_prefix(self):
        """Waits until no session end is still in progress and no gadget runs:
        under Wine a power request ends every windowed program of the prefix
        (a forced one every process), which would end the next gadget too."""
        wait_until(lambda: not self.prefix_processes("wineboot") and not self.prefix_processes("exitbutton.exe"),
                   timeout=60, interval=0.2, message="the previous session end to finish")

    def gadget_windows(self):
        return [w for w in self.inspector("windows") if w["class"] == GADGET_CLASS]

    def gadget_command(self, *arguments):
        """The command line that runs the gadget under test with these arguments."""
        return [self.loader, self.exe, *arguments]

    def start_gadget(self, arguments=(), relay=False, debug=None, stderr_path=None, park_pointer=True,
                     timeout=20):
        """Starts the gadget and waits until its window is visible.

        `arguments` (str or bytes) go on its command line; `relay` traces the
        calls chosen with set_relay_include, `debug` sets WINEDEBUG outright;
        what Wine writes to stderr goes to `stderr_path` (or a file of our own).
        The pointer is first parked away from where the gadget appears, so
        that it does not start out hovering over it."""
        if park_pointer:
            self.desktop.mouse_move(*POINTER_PARK)
        before = {w["hwnd"] for w in self.gadget_windows()}
        stderr_path = stderr_path or os.path.join(self._tmp, f"gadget-{len(self.gadgets)}.stderr")
        debug = debug or ("+relay" if relay else "-all")
        process, window = start_windowed(
            self, self.gadget_command(*arguments),
            lambda: [w for w in self.gadget_windows() if w["visible"] and w["hwnd"] not in before],
            f"the {self.build} gadget", self.env(debug), stderr_path, timeout)
        gadget = Gadget(self, process, stderr_path, window)
        self.gadgets.append(gadget)
        # The start-up work that the face does not need follows the first
        # paint: the tool tips window is made then.
        wait_until(gadget.tool_tips_windows, timeout=timeout, interval=0.1, message="the gadget's tool tips window")
        return gadget

    def stop_gadgets(self):
        """Stops every gadget this session started and waits until their windows are gone."""
        for gadget in self.gadgets:
            gadget.stop()
        wait_until(lambda: not self.gadget_windows(), timeout=30, message="no gadget window left")

    def fresh_gadget(self, **options):
        """A gadget of its own for one test: the earlier ones are stopped first."""
        self.stop_gadgets()
        return self.start_gadget(**options)

    def screenshot(self):
        return self.desktop.screenshot()

    # -- tear-down

    def close(self):
        if self._closed:
            return
        self._closed = True
        if self._inspector is not None and self._inspector.starts > 1:
            sys.stderr.write(f"[{self.build}] the inspector was started {self._inspector.starts} times "
                             "(a power request ends every process of the prefix)\n")
        self.restart_inspector()
        # The one rule by which something runs again: see run_json.
        sys.stderr.write(f"[{self.build}] Wine failed to start one of our programs {self.retries} times\n")
        for program in self.gadgets + self.programs:
            try:
                program.stop()
            except Exception:
                pass
        if self._owns_prefix:
            try:
                self._wineserver("-k")
            except Exception:
                pass
        if self._server is not None:
            try:
                self._server.wait(30)
            except subprocess.TimeoutExpired:
                self._server.kill()
                self._server.wait()
        self.desktop.close()
        if self._lock is not None:
            self._lock.close()  # releases the prefix
        if self._tmp:
            shutil.rmtree(self._tmp, ignore_errors=True)


def build_helper():
    """The helper's path, or None when it has not been built."""
    return HELPER_EXE if os.path.isfile(HELPER_EXE) else None


class Helper:
    """Runs the helper in a session's prefix and returns its JSON answer.
    Commands that only read are run again when Wine failed to start the helper
    (no output at all); the others are not, so that nothing happens twice."""

    READ_ONLY = ("cmdline", "capture", "handles")

    def __init__(self, session, exe=HELPER_EXE):
        self.session = session
        self.exe = exe

    def __call__(self, *args, timeout=900):
        attempts = START_ATTEMPTS if args and args[0] in self.READ_ONLY else 1
        return self.session.run_json(self.exe, *args, attempts=attempts, timeout=timeout)

    def start(self, *args):
        """Starts a command that answers and then keeps running (see RunningProgram)."""
        return self.session.start_program(self.exe, *args)


def utf16_hex(text):
    """Text as hex UTF-16 code units for the helper; lone surrogates pass as they are."""
    data = text.encode("utf-16-le", "surrogatepass")
    return "".join("%04x" % int.from_bytes(data[i:i + 2], "little") for i in range(0, len(data), 2))


def module_session(desktop=None):
    """A started session for one test module, closed when the module's tests
    are done (also when starting it fails); on its own Xvfb display unless
    `desktop` is another Desktop."""
    session = WineSession(desktop=desktop)
    unittest.addModuleCleanup(session.close)
    session.start()
    sys.stderr.write(f"\n[{session.build}] {session.exe} under {session.loader}\n")
    return session
