"""The built executables: one self-contained GUI exe for each architecture."""

import os
import unittest

import harness
from pefile_lite import (IMAGE_FILE_MACHINE_AMD64, IMAGE_FILE_MACHINE_I386, IMAGE_SUBSYSTEM_WINDOWS_GUI,
                         PeFile)


# DLLs that every Windows installation ships in its system directory.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "dwmapi.dll", "gdi32.dll", "gdiplus.dll",
    "kernel32.dll", "msimg32.dll", "msvcrt.dll", "ntdll.dll", "ole32.dll", "oleaut32.dll",
    "shcore.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "uxtheme.dll", "version.dll",
    "windowscodecs.dll",
}


class ExecutablesImportOnlySystemDlls(unittest.TestCase):

    def check_exe(self, path, machine):
        self.assertTrue(os.path.isfile(path), f"{path} is not built")
        pe = PeFile(path)
        self.assertEqual(pe.machine, machine, f"machine {pe.machine:#x}")
        self.assertEqual(pe.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)
        imports = pe.imports()
        self.assertIn("user32.dll", imports)
        self.assertIn("gdi32.dll", imports)
        self.assertEqual(sorted(set(imports) - SYSTEM_DLLS), [], "imports DLLs that Windows does not ship")
        return imports

    def test_the_64_bit_exe_is_an_x64_gui_program_that_imports_only_system_dlls(self):
        self.check_exe(harness.EXE64, IMAGE_FILE_MACHINE_AMD64)

    def test_the_32_bit_exe_is_an_x86_gui_program_that_imports_only_system_dlls(self):
        self.check_exe(harness.EXE32, IMAGE_FILE_MACHINE_I386)

    def test_both_exes_leave_the_dlls_only_some_actions_need_to_be_loaded_then(self):
        # Loading these at start-up cost more than the rest of the start-up
        # under Wine: they are loaded when the tips, a picture decode, the
        # web link or a screen reader's first question need them.
        on_demand = {"comctl32.dll", "ole32.dll", "oleacc.dll", "oleaut32.dll", "shell32.dll", "windowscodecs.dll"}
        for path, machine in ((harness.EXE64, IMAGE_FILE_MACHINE_AMD64), (harness.EXE32, IMAGE_FILE_MACHINE_I386)):
            imports = self.check_exe(path, machine)
            self.assertEqual(sorted(on_demand & set(imports)), [], path)

    def test_both_exes_call_the_window_shaping_functions_directly(self):
        for path, machine in ((harness.EXE64, IMAGE_FILE_MACHINE_AMD64), (harness.EXE32, IMAGE_FILE_MACHINE_I386)):
            imports = self.check_exe(path, machine)
            self.assertIn("SetWindowRgn", imports["user32.dll"], path)
            self.assertIn("CreateEllipticRgn", imports["gdi32.dll"], path)


if __name__ == "__main__":
    unittest.main()
