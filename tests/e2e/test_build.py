"""The built executables: one self-contained GUI exe for each architecture."""

import os
import struct
import unittest

import harness

EXE32 = os.environ.get("EXITBUTTON_EXE32", os.path.join(harness.SOURCE_DIR, "build", "win32", "exitbutton.exe"))

IMAGE_FILE_MACHINE_I386 = 0x014C
IMAGE_FILE_MACHINE_AMD64 = 0x8664
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2

# DLLs that every Windows installation ships in its system directory.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "dwmapi.dll", "gdi32.dll", "gdiplus.dll",
    "kernel32.dll", "msimg32.dll", "msvcrt.dll", "ntdll.dll", "ole32.dll", "oleaut32.dll",
    "shcore.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "uxtheme.dll", "version.dll",
    "windowscodecs.dll",
}


class PeFile:
    """The headers and the import tables of a Windows executable."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = data = f.read()
        if data[:2] != b"MZ":
            raise ValueError(f"{path} has no MZ header")
        pe, = struct.unpack_from("<I", data, 0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path} has no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic, = struct.unpack_from("<H", data, optional)
        self.is64 = magic == 0x20B
        if magic not in (0x10B, 0x20B):
            raise ValueError(f"{path}: unknown optional header magic {magic:#x}")
        self.subsystem, = struct.unpack_from("<H", data, optional + 68)
        directories = optional + (112 if self.is64 else 96)
        count, = struct.unpack_from("<I", data, directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, vaddr, raw_size, raw_ptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, raw_size), raw_ptr))

    def offset(self, rva):
        for vaddr, size, raw_ptr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raw_ptr
        raise ValueError(f"RVA {rva:#x} is in no section")

    def string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def _functions(self, thunk_rva):
        size, fmt, ordinal_flag = (8, "<Q", 1 << 63) if self.is64 else (4, "<I", 1 << 31)
        names = []
        pos = self.offset(thunk_rva)
        while True:
            thunk, = struct.unpack_from(fmt, self.data, pos)
            if thunk == 0:
                return names
            names.append(f"#{thunk & 0xFFFF}" if thunk & ordinal_flag else self.string((thunk & 0x7FFFFFFF) + 2))
            pos += size

    def imports(self):
        """{dll name in lower case: [function names]}, normal and delay-loaded imports together."""
        found = {}
        rva, size = self.directories[1] if len(self.directories) > 1 else (0, 0)
        if rva and size:
            pos = self.offset(rva)
            while True:
                lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, pos)
                if name == 0:
                    break
                found.setdefault(self.string(name).lower(), []).extend(self._functions(lookup or first))
                pos += 20
        rva, size = self.directories[13] if len(self.directories) > 13 else (0, 0)
        if rva and size:
            pos = self.offset(rva)
            while True:
                _, name, _, _, names, _, _, _ = struct.unpack_from("<8I", self.data, pos)
                if name == 0:
                    break
                found.setdefault(self.string(name).lower(), []).extend(self._functions(names))
                pos += 32
        return found


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
        self.check_exe(harness.EXE, IMAGE_FILE_MACHINE_AMD64)

    def test_the_32_bit_exe_is_an_x86_gui_program_that_imports_only_system_dlls(self):
        self.check_exe(EXE32, IMAGE_FILE_MACHINE_I386)

    def test_both_exes_call_the_window_shaping_functions_directly(self):
        for path, machine in ((harness.EXE, IMAGE_FILE_MACHINE_AMD64), (EXE32, IMAGE_FILE_MACHINE_I386)):
            imports = self.check_exe(path, machine)
            self.assertIn("SetWindowRgn", imports["user32.dll"], path)
            self.assertIn("CreateEllipticRgn", imports["gdi32.dll"], path)


if __name__ == "__main__":
    unittest.main()
