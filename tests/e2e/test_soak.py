"""The quick soak (about a hundredth of the full run of tests/e2e/soak.py): each
phase must leave the gadget alive, answering, consistent, and without leaks.

The phases run once, in order, on one gadget; each test reads one phase's
result. The table is printed to the log.
"""

import sys
import unittest

import harness
import soak

SESSION = None
RESULTS = {}


def setUpModule():
    global SESSION
    SESSION = harness.module_session()
    results = soak.run(SESSION, soak.sizes_for(quick=True), seed=soak.DEFAULT_SEED)
    RESULTS.update({r.name: r for r in results})
    sys.stderr.write("\n" + soak.format_table(results, seed=soak.DEFAULT_SEED + 3) + "\n")


class QuickSoak(unittest.TestCase):

    def assert_phase_passes(self, name):
        result = RESULTS.get(name)
        self.assertIsNotNone(result, f"the {name} phase did not run")
        self.assertIsNotNone(result.memory_after, f"the {name} phase ended before its last measurement")
        self.assertEqual(result.misses(), [])

    def test_a_thousand_posted_timer_ticks_leave_the_face_in_step_without_leak_or_hang(self):
        self.assert_phase_passes("animation")

    def test_a_hundred_pointer_moves_between_button_and_face_switch_the_animation_without_leak(self):
        self.assert_phase_passes("hover")

    def test_ten_settings_cycles_keep_option_opacity_and_alpha_in_line_without_leak(self):
        self.assert_phase_passes("dialog")

    def test_a_random_input_storm_leaves_the_dialog_showing_what_the_last_inputs_set(self):
        self.assert_phase_passes("storm")

    def test_every_phase_took_samples_of_the_gadgets_answers(self):
        for name in soak.PHASES:
            with self.subTest(name):
                self.assertGreater(RESULTS[name].samples, 0)


if __name__ == "__main__":
    unittest.main()
