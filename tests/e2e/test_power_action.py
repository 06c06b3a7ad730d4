"""What the round button asks the system for, read from Wine's relay trace:
the default forced log-off, and the action chosen in the settings dialog.

Under Wine every request ends the gadget's process: a forced one kills every
process of the prefix, the others end each windowed program. So each test
starts a gadget of its own."""

import subprocess
import unittest

import harness


PLANNED_REASON = 0x80000000  # SHTDN_REASON_FLAG_PLANNED
EWX_LOGOFF = 0
EWX_REBOOT = 2
EWX_FORCE = 4
TOKEN_ADJUST_PRIVILEGES = 0x0020
# GetCurrentProcess() is -1 as a pointer: the trace prints it in the exe's pointer width.
CURRENT_PROCESS = 0xFFFFFFFF if harness.loader_for(harness.EXE) == harness.WINE32 else 0xFFFFFFFFFFFFFFFF
BS_TYPEMASK = 0x000F
BS_AUTORADIOBUTTON = 0x0009
BST_CHECKED = 1

EXIT_WINDOWS = "user32.ExitWindowsEx"
OPEN_PROCESS_TOKEN = "advapi32.OpenProcessToken"
ADJUST_TOKEN_PRIVILEGES = "advapi32.AdjustTokenPrivileges"
# What the prefix traces when the tests do not ask for more.
PREFIX_RELAY_INCLUDE = (EXIT_WINDOWS,)

SESSION = None


def setUpModule():
    global SESSION
    SESSION = harness.module_session()
    SESSION.set_relay_include(EXIT_WINDOWS, OPEN_PROCESS_TOKEN, ADJUST_TOKEN_PRIVILEGES)
    # Runs before SESSION.close: cleanups run last-in first-out.
    unittest.addModuleCleanup(SESSION.set_relay_include, *PREFIX_RELAY_INCLUDE)


def fresh_gadget():
    SESSION.stop_gadgets()
    SESSION.wait_for_quiet_prefix()
    return SESSION.start_gadget(relay=True)


class PowerActionRequest(unittest.TestCase):

    def setUp(self):
        self.gadget = fresh_gadget()

    def tearDown(self):
        SESSION.desktop.mouse_up(1)
        SESSION.desktop.mouse_move(*harness.POINTER_PARK)

    # -- driving the gadget

    def click_round_button(self):
        SESSION.desktop.mouse_move(*self.gadget.to_screen(*harness.BUTTON_CENTRE))
        SESSION.desktop.click(1)

    def wait_for_end(self):
        """Waits for the gadget's process to end, as every request ends it under Wine."""
        try:
            self.gadget.process.wait(30)
        except subprocess.TimeoutExpired:
            self.fail(f"the gadget still runs; it requested {self.requests()}")

    def choose_action(self, index):
        """Opens the settings with the lower knob, picks the index-th option
        from the top and closes the dialog with its close button."""
        SESSION.desktop.mouse_move(*self.gadget.to_screen(*harness.SETTINGS_KNOB))
        SESSION.desktop.click(1)
        dialog = harness.wait_until(lambda: self.gadget.settings_windows(visible_only=True), timeout=15,
                                    message="the settings dialog")[0]

        def options():
            found = [c for c in SESSION.inspector("children", dialog["hwnd"])
                     if c["class"].lower() == "button" and c["style"] & BS_TYPEMASK == BS_AUTORADIOBUTTON]
            return sorted(found, key=lambda c: c["rect"][1])

        found = options()
        self.assertEqual(len(found), 5, [c["title"] for c in found])
        SESSION.inspector("click", found[index]["hwnd"])
        harness.wait_until(
            lambda: [c["check"] for c in options()] == [BST_CHECKED if i == index else 0 for i in range(5)],
            timeout=10, message=f"option {index} to be the one checked")
        self.gadget.close_settings_with_its_button(dialog)

    # -- reading the trace

    def requests(self):
        return [call.args for call in self.gadget.relay_calls(EXIT_WINDOWS)]

    def calls_before_request(self):
        """The traced calls up to the first request. The helper that ends the
        session writes to the same trace, but only after the request."""
        calls = self.gadget.relay_calls()
        names = [c.name for c in calls]
        self.assertIn(EXIT_WINDOWS, names, "no request was made")
        return calls[:names.index(EXIT_WINDOWS)]

    # -- the tests

    def test_a_click_on_the_round_button_requests_a_forced_log_off_for_a_planned_reason(self):
        self.click_round_button()
        self.wait_for_end()
        self.assertEqual(self.requests(), [[EWX_LOGOFF | EWX_FORCE, PLANNED_REASON]])

    def test_space_on_the_focused_round_button_requests_the_forced_log_off(self):
        button = self.gadget.child("Command1")
        self.assertTrue(button["focused"], "the round button does not have the focus at start-up")
        x_windows = SESSION.desktop.x_windows_named("Form1")
        self.assertEqual(len(x_windows), 1, x_windows)
        SESSION.desktop.key("--window", str(x_windows[0]), "space")
        self.wait_for_end()
        self.assertEqual(self.requests(), [[EWX_LOGOFF | EWX_FORCE, PLANNED_REASON]])

    def test_choosing_restart_in_the_settings_makes_the_button_request_a_restart(self):
        self.choose_action(3)
        self.assertTrue(self.gadget.running(), "choosing an action must not act yet")
        self.assertEqual(self.requests(), [])
        self.click_round_button()
        self.wait_for_end()
        self.assertEqual(self.requests(), [[EWX_REBOOT, PLANNED_REASON]])

    def test_a_restart_request_comes_after_enabling_the_shutdown_privilege(self):
        self.choose_action(3)
        self.click_round_button()
        self.wait_for_end()
        before = self.calls_before_request()
        opened = [c for c in before if c.name == OPEN_PROCESS_TOKEN]
        adjusted = [c for c in before if c.name == ADJUST_TOKEN_PRIVILEGES]
        self.assertEqual(len(opened), 1, before)
        self.assertEqual(opened[0].args[0], CURRENT_PROCESS, "not the gadget's own token")
        self.assertTrue(opened[0].args[1] & TOKEN_ADJUST_PRIVILEGES, f"access {opened[0].args[1]:#x}")
        self.assertEqual(len(adjusted), 1, before)
        self.assertEqual(adjusted[0].args[1], 0, "DisableAllPrivileges must be FALSE")
        self.assertGreater(before.index(adjusted[0]), before.index(opened[0]))

    def test_choosing_end_session_in_the_settings_makes_the_button_request_a_plain_log_off(self):
        self.choose_action(1)
        self.click_round_button()
        self.wait_for_end()
        self.assertEqual(self.requests(), [[EWX_LOGOFF, PLANNED_REASON]])


if __name__ == "__main__":
    unittest.main()
