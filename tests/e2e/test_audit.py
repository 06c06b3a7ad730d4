"""What the program touches, seen from Wine's relay trace of one full session:
it opens no file, calls no registry function, opens no socket, starts no
program, and the only thing it hands to the shell is its own web address.

How the trace is taken (Wine 8):
- WINEDEBUG=+pid,+relay,+loaddll prefixes every line with the process id and
  logs where each module is loaded, so a call's return address (ret=...) tells
  which process and which module made it.
- HKCU\\Software\\Wine\\Debug RelayFromInclude restricts the relay thunks to the
  imports of the listed modules, by their file name with its extension
  ("exitbutton.exe": "exitbutton" alone matches nothing), and only while no
  RelayFromExclude value exists: a RelayFromExclude list, which new prefixes
  have, makes Wine ignore RelayFromInclude. RelayInclude is removed, so that
  every function the program calls is traced. Functions fetched with
  GetProcAddress are traced whoever calls them.
- shell32.dll is traced as well: when ShellExecuteW runs, the shell reads the
  registry and starts a browser process from inside the program's process.
  Those calls show that such calls do reach the trace, and that they are told
  apart from the program's own.

A call counts as the program's own when it comes from the program's process
and returns into the program's image: its own code and the C and C++ runtime
linked into it. The system loader mapping DLLs, and system DLLs doing their
own work (the shell, the picture decoder's registry look-ups) are not the
program's calls. So that a tail call (a jump to an imported function, which
returns past the program) cannot hide anything, the program's import table
and its GetProcAddress requests are checked too.

The registry values are changed in the prefix for this module only and put
back as they were at the end (other tests rely on RelayInclude).
"""

import os
import re
import shutil
import tempfile
import time
import unittest

import harness
import pefile_lite as pe

ADDRESS = "https://exitbutton.example/"
SW_SHOW = 5

DRAG_BY = (60, 40)

DEBUG_KEY = r"HKCU\Software\Wine\Debug"
DEBUG_VALUES = ("RelayInclude", "RelayFromInclude", "RelayFromExclude")
EXE_NAME = os.path.basename(harness.EXE).lower()
TRACED_MODULES = (EXE_NAME, "shell32.dll")

# Entry points by what they reach. Matched on the function name whatever the
# module (kernel32 forwards to kernelbase, which calls ntdll).
FILE_FUNCTIONS = re.compile(
    r"^(CreateFile\w*|OpenFile\w*|ReOpenFile|_lopen|_lcreat|_lread|_lwrite|_hread|_hwrite"
    r"|ReadFile\w*|WriteFile\w*|DeleteFile\w*|MoveFile\w*|CopyFile\w*|ReplaceFile\w*|CreateDirectory\w*"
    r"|RemoveDirectory\w*|SetFileAttributes\w*|CreateHardLink\w*|CreateSymbolicLink\w*|FindFirstFile\w*"
    r"|GetTempFileName\w*|GetPrivateProfile\w*|WritePrivateProfile\w*|SHCreateStreamOnFile\w*"
    r"|(Nt|Zw)(Create|Open|Read|Write|Delete)File|(Nt|Zw)SetInformationFile"
    r"|_?w?fopen(_s)?|_w?fsopen|_?w?freopen(_s)?|_w?open|_w?sopen(_s|_dispatch)?|_w?creat"
    r"|_w?unlink|w?remove|_w?remove|w?rename|_w?rename|_w?mkdir|_w?rmdir)$")
REGISTRY_FUNCTIONS = re.compile(
    r"^(Reg(Open|Create|Set|Get|Query|Enum|Delete|Close|Load|Save|Restore|Replace|Connect|Copy|Flush"
    r"|NotifyChange|Override|Rename|Unload|DisablePredefinedCache)\w*"
    r"|SHReg\w+|SH(Get|Set|Delete|Query)Value\w*|SHDeleteKey\w*|SHDeleteEmptyKey\w*|SHOpenRegStream\w*"
    r"|(Nt|Zw)\w*Key(Ex|Transacted\w*)?|Rtl\w*Registry\w*"
    r"|GetProfile(String|Int|Section)\w*|WriteProfile(String|Section)\w*)$")
NETWORK_MODULES = {"ws2_32", "wsock32", "mswsock", "wininet", "winhttp", "urlmon", "iphlpapi", "dnsapi",
                   "netapi32", "mpr", "webio", "winnsi", "nsi"}
NETWORK_FUNCTIONS = re.compile(
    r"^(socket|connect|bind|listen|accept|send|sendto|recv|recvfrom|gethostbyname|getaddrinfo"
    r"|GetAddrInfo\w*|WSA\w+|Internet\w+|Http\w+|WinHttp\w+|URLDownload\w*|URLOpen\w*)$")
PROCESS_FUNCTIONS = re.compile(
    r"^(CreateProcess\w*|WinExec|ShellExecuteEx\w*|ShellExecuteA|ShellExec_RunDLL\w*|system|_w?system"
    r"|_w?spawn\w*|_w?exec\w*|_w?popen)$")


def forbidden(module, function):
    """What the call would reach (file, registry, network, process) or None."""
    module = module.lower()
    if module.endswith(".dll"):
        module = module[:-4]
    if FILE_FUNCTIONS.match(function):
        return "file"
    if REGISTRY_FUNCTIONS.match(function):
        return "registry"
    if module in NETWORK_MODULES or NETWORK_FUNCTIONS.match(function):
        return "network"
    if PROCESS_FUNCTIONS.match(function):
        return "process"
    return None


# ---- The session -----------------------------------------------------------

SESSION = None
TRACE = None
EXE_CALLS = None   # the program's own calls
PROCESS_CALLS = None  # every traced call in the program's process
STEPS = {}


def reg(*args):
    status, text, _ = SESSION.run("reg", *args)
    return status, text


def debug_values():
    """{name: (type, data)} of the relay settings now in the prefix."""
    status, text = reg("query", DEBUG_KEY)
    values = {}
    if status == 0:
        for line in text.splitlines():
            m = re.match(r"^\s+(\S+)\s+(REG_\w+)\s*(.*?)\s*$", line)
            if m and m.group(1) in DEBUG_VALUES:
                values[m.group(1)] = (m.group(2), m.group(3))
    return values


def set_debug_values(values):
    """Sets the relay settings named in `values` and removes the others."""
    for name in DEBUG_VALUES:
        if name in values:
            kind, data = values[name]
            status, _ = reg("add", DEBUG_KEY, "/v", name, "/t", kind, "/d", data, "/f")
        else:
            status, _ = reg("delete", DEBUG_KEY, "/v", name, "/f")
            status = 0  # absent already is fine
        if status != 0:
            raise harness.HarnessError(f"reg add {name} failed with status {status}")
    got = debug_values()
    if got != values:
        raise harness.HarnessError(f"relay settings are {got!r}, expected {values!r}")


def run_session(gadget):
    """Hover, drag, settings dialog (scroll bar, web link, Esc), then the exit knob."""
    desktop = SESSION.desktop
    desktop.mouse_move(*gadget.to_screen(*harness.BUTTON_CENTRE))
    time.sleep(1.0)  # the hover picture and the lights run on a timer

    before = gadget.window()["window_rect"]
    x, y = gadget.to_screen(*harness.FACE_SPOT)
    desktop.mouse_move(x, y)
    desktop.mouse_down(1)
    for step in (1, 2, 3):
        desktop.mouse_move(x + DRAG_BY[0] * step // 3, y + DRAG_BY[1] * step // 3)
    desktop.mouse_up(1)
    moved = [before[0] + DRAG_BY[0], before[1] + DRAG_BY[1]]
    STEPS["dragged"] = harness.wait_until(lambda: gadget.window()["window_rect"][:2] == moved, timeout=10,
                                          message="the gadget to follow the drag")

    desktop.mouse_move(*gadget.to_screen(*harness.SETTINGS_KNOB))
    desktop.click(1)
    dialog = harness.wait_until(lambda: gadget.settings_windows(visible_only=True), timeout=15,
                                message="the settings dialog")[0]
    STEPS["dialog opened"] = True

    children = SESSION.inspector("children", dialog["hwnd"])
    bar = [c for c in children if c["class"].lower() == "scrollbar"][0]
    left, top, right, bottom = bar["screen_rect"]
    arrow = (bottom - top) // 2
    start = bar["scroll"]["pos"]
    # The arrow that moves the thumb away from the end it rests on.
    desktop.mouse_move(left + arrow if start > bar["scroll"]["min"] else right - arrow, (top + bottom) // 2)
    desktop.click(1)

    def scrolled():
        now = [c for c in SESSION.inspector("children", dialog["hwnd"]) if c["hwnd"] == bar["hwnd"]][0]
        return now["scroll"]["pos"] != start
    STEPS["scrolled"] = harness.wait_until(scrolled, timeout=10, message="the scroll bar to move")

    link = [c for c in children if c["title"] == ADDRESS][0]
    left, top, right, bottom = link["screen_rect"]
    desktop.mouse_move((left + right) // 2, (top + bottom) // 2)
    desktop.click(1)
    STEPS["link clicked"] = harness.wait_until(
        lambda: "Ret  shell32.ShellExecuteW()" in gadget.stderr(), timeout=15, message="ShellExecuteW to return")

    desktop.key("Escape")
    STEPS["dialog closed"] = harness.wait_until(lambda: not gadget.settings_windows(visible_only=True),
                                                timeout=10, message="Esc to close the dialog")

    desktop.mouse_move(*gadget.to_screen(*harness.EXIT_KNOB))
    desktop.click(1)
    gadget.process.wait(30)
    STEPS["exit status"] = gadget.process.returncode


def setUpModule():
    global SESSION, TRACE, EXE_CALLS, PROCESS_CALLS
    SESSION = harness.module_session()
    saved = debug_values()
    unittest.addModuleCleanup(set_debug_values, saved)
    set_debug_values({"RelayFromInclude": ("REG_SZ", ";".join(TRACED_MODULES))})

    work = tempfile.mkdtemp(prefix="exitbutton-audit-")
    unittest.addModuleCleanup(shutil.rmtree, work, ignore_errors=True)
    trace_path = os.path.join(work, "relay.log")
    gadget = SESSION.start_gadget(debug="+pid,+relay,+loaddll", stderr_path=trace_path)
    try:
        run_session(gadget)
    finally:
        artifacts = os.environ.get("EXITBUTTON_E2E_ARTIFACTS")
        if artifacts:
            os.makedirs(artifacts, exist_ok=True)
            shutil.copy(trace_path, os.path.join(artifacts, "audit_relay.log"))

    TRACE = gadget.relay_trace()
    pid, base = TRACE.process_of(EXE_NAME)
    size = pe.PeFile(harness.EXE).size_of_image
    PROCESS_CALLS = [c for c in TRACE.calls if c.pid == pid]
    EXE_CALLS = [c for c in PROCESS_CALLS if base <= c.caller < base + size]


class SessionCoversTheWholeProgram(unittest.TestCase):

    def test_every_step_of_the_session_took_effect_and_the_program_ended_normally(self):
        self.assertEqual(sorted(STEPS), sorted(["dragged", "dialog opened", "scrolled", "link clicked",
                                                "dialog closed", "exit status"]))
        self.assertEqual(STEPS["exit status"], 0)

    def test_the_trace_holds_the_programs_own_calls_from_start_to_exit(self):
        names = {c.name.lower() for c in EXE_CALLS}
        for name in ("user32.createwindowexw", "user32.getmessagew", "gdi32.bitblt", "kernel32.findresourcew",
                     "user32.setlayeredwindowattributes", "shell32.shellexecutew", "kernel32.exitprocess"):
            self.assertIn(name, names)

    def test_the_trace_shows_the_shells_own_registry_and_process_calls_and_does_not_charge_them_to_the_program(self):
        # ShellExecuteW looks the address up in the registry and starts a browser:
        # calls of the kinds looked for, in the program's process, made by shell32.
        others = [c for c in PROCESS_CALLS if c not in EXE_CALLS and forbidden(c.module, c.function)]
        kinds = {forbidden(c.module, c.function) for c in others}
        self.assertIn("registry", kinds, others)
        self.assertIn("process", kinds, others)
        self.assertEqual({TRACE.module_at(c.pid, c.caller) for c in others}, {"shell32.dll"})


class ProgramTouchesNothingButTheWindowSystemAndItsAddress(unittest.TestCase):

    def calls_of_kind(self, kind):
        return [c for c in EXE_CALLS if forbidden(c.module, c.function) == kind]

    def test_the_program_opens_creates_reads_writes_or_deletes_no_file(self):
        self.assertEqual(self.calls_of_kind("file"), [])

    def test_the_program_makes_no_registry_call(self):
        self.assertEqual(self.calls_of_kind("registry"), [])

    def test_the_program_opens_no_socket_and_calls_no_network_library(self):
        self.assertEqual(self.calls_of_kind("network"), [])

    def test_the_program_starts_no_other_program_itself(self):
        self.assertEqual(self.calls_of_kind("process"), [])

    def test_the_program_hands_the_shell_exactly_its_own_address_once(self):
        shell = [c for c in EXE_CALLS if c.module.lower() == "shell32"]
        self.assertEqual([c.function for c in shell], ["ShellExecuteW"], shell)
        call = shell[0]
        self.assertEqual(len(call.args), 6, call)
        _, verb, address, parameters, directory, _ = call.texts
        self.assertEqual(verb, "open")
        self.assertEqual(address, ADDRESS)
        for number, text in ((call.args[3], parameters), (call.args[4], directory)):
            self.assertTrue(text == "" or (text is None and number == 0), call)
        self.assertEqual(call.args[5] & 0xFFFFFFFF, SW_SHOW)

    def test_the_program_asks_get_proc_address_for_no_file_registry_network_or_process_function(self):
        requested = [c.texts[1] for c in EXE_CALLS if c.function == "GetProcAddress"]
        self.assertNotIn(None, requested, "GetProcAddress by ordinal")
        self.assertEqual([name for name in requested if forbidden("", name)], [])


class ImportTableNamesNoSuchFunction(unittest.TestCase):

    def test_the_program_imports_no_file_registry_network_or_process_function(self):
        imports = pe.PeFile(harness.EXE).imports()
        found = [f"{dll}!{function}" for dll, functions in imports.items() for function in functions
                 if forbidden(dll, function)]
        self.assertEqual(found, [])
        # The shell is loaded when the web link is first used, not imported:
        # what the program asks of it shows in the GetProcAddress trace.
        self.assertNotIn("shell32.dll", imports)

    def test_the_checks_recognise_the_entry_points_they_look_for_and_not_the_window_system(self):
        reaches = {
            ("kernel32", "CreateFileW"): "file", ("kernelbase", "CreateFile2"): "file",
            ("ntdll", "NtCreateFile"): "file", ("msvcrt", "_wfopen"): "file", ("msvcrt", "fopen"): "file",
            ("kernel32", "DeleteFileW"): "file", ("kernel32", "WritePrivateProfileStringW"): "file",
            ("advapi32", "RegOpenKeyExW"): "registry", ("kernelbase", "RegSetValueExW"): "registry",
            ("advapi32", "RegCreateKeyW"): "registry", ("shlwapi", "SHGetValueW"): "registry",
            ("ntdll", "NtOpenKeyEx"): "registry", ("ntdll", "NtQueryValueKey"): "registry",
            ("ws2_32", "socket"): "network", ("ws2_32", "connect"): "network",
            ("wininet", "InternetOpenUrlW"): "network", ("ws2_32.dll", "WSAStartup"): "network",
            ("kernel32", "CreateProcessW"): "process", ("shell32", "ShellExecuteExW"): "process",
            ("user32", "RegisterClassExW"): None, ("user32", "RegisterWindowMessageW"): None,
            ("shell32", "ShellExecuteW"): None, ("user32", "ExitWindowsEx"): None,
            ("kernel32", "FindResourceW"): None, ("msvcrt", "fwrite"): None, ("msvcrt", "_read"): None,
            ("gdi32", "CreateFontIndirectW"): None, ("user32", "SetWindowRgn"): None,
        }
        for (module, function), kind in reaches.items():
            with self.subTest(f"{module}.{function}"):
                self.assertEqual(forbidden(module, function), kind)


if __name__ == "__main__":
    unittest.main()
