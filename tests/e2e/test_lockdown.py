"""Both built exes are locked down: the loader may move them and never runs
their data, no section is writable and executable, and the embedded manifest
runs them as the invoking user with the version 6 common controls, names the
Windows versions they support and declares per-monitor DPI awareness (v2,
with the older per-monitor claim for systems before it)."""

import os
import unittest
import xml.etree.ElementTree as ElementTree

import harness
import pefile_lite as pe

EXES = (("64-bit", harness.EXE64, pe.IMAGE_FILE_MACHINE_AMD64), ("32-bit", harness.EXE32, pe.IMAGE_FILE_MACHINE_I386))

ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
COMPATIBILITY_V1 = "urn:schemas-microsoft-com:compatibility.v1"

SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}
# The namespaces of the windowsSettings elements that declare DPI awareness.
SETTINGS_2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
SETTINGS_2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"


def load(path, machine):
    if not os.path.isfile(path):
        raise AssertionError(f"{path} is not built")
    image = pe.PeFile(path)
    if image.machine != machine:
        raise AssertionError(f"{path}: machine {image.machine:#x}, expected {machine:#x}")
    return image


def local_name(tag):
    return tag.rsplit("}", 1)[-1]


class HeadersAllowRandomisationAndForbidRunningData(unittest.TestCase):

    def test_both_exes_ask_for_a_randomised_base_address_and_non_executable_data(self):
        for label, path, machine in EXES:
            with self.subTest(label):
                flags = load(path, machine).dll_characteristics
                self.assertTrue(flags & pe.IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, f"DYNAMIC_BASE missing: {flags:#06x}")
                self.assertTrue(flags & pe.IMAGE_DLLCHARACTERISTICS_NX_COMPAT, f"NX_COMPAT missing: {flags:#06x}")

    def test_the_64_bit_exe_asks_for_high_entropy_address_randomisation(self):
        image = load(harness.EXE64, pe.IMAGE_FILE_MACHINE_AMD64)
        self.assertTrue(image.is64)
        self.assertTrue(image.dll_characteristics & pe.IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA,
                        f"HIGH_ENTROPY_VA missing: {image.dll_characteristics:#06x}")

    def test_both_exes_keep_base_relocations_so_the_loader_can_move_them(self):
        for label, path, machine in EXES:
            with self.subTest(label):
                image = load(path, machine)
                self.assertFalse(image.characteristics & pe.IMAGE_FILE_RELOCS_STRIPPED,
                                 "the file header says the relocations were stripped")
                rva, size = image.directory(pe.IMAGE_DIRECTORY_ENTRY_BASERELOC)
                self.assertTrue(rva and size, "no base relocation directory")
                relocations = image.relocations()
                pointer_type = pe.IMAGE_REL_BASED_DIR64 if image.is64 else pe.IMAGE_REL_BASED_HIGHLOW
                pointers = [where for kind, where in relocations if kind == pointer_type]
                self.assertGreater(len(pointers), 0, "the relocation directory moves no pointer")
                other = {kind for kind, _ in relocations} - {pointer_type, pe.IMAGE_REL_BASED_ABSOLUTE}
                self.assertEqual(other, set(), "relocation types this architecture does not use")
                outside = [hex(where) for where in pointers if not 0 < where < image.size_of_image]
                self.assertEqual(outside, [], "relocations outside the image")

    def test_no_section_of_either_exe_is_both_writable_and_executable(self):
        both = pe.IMAGE_SCN_MEM_WRITE | pe.IMAGE_SCN_MEM_EXECUTE
        for label, path, machine in EXES:
            with self.subTest(label):
                image = load(path, machine)
                executable = [s.name for s in image.sections if s.characteristics & pe.IMAGE_SCN_MEM_EXECUTE]
                self.assertIn(".text", executable)
                self.assertEqual([s.name for s in image.sections if s.characteristics & both == both], [])


class EmbeddedManifest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.manifests = {}
        for label, path, machine in EXES:
            cls.manifests[label] = load(path, machine).resources().get(pe.RT_MANIFEST, {})

    def manifest(self, label):
        """The manifest resource with id 1, parsed, and its text."""
        entries = self.manifests[label]
        self.assertEqual(list(entries), [1], "RT_MANIFEST must hold exactly one manifest, id 1")
        languages = entries[1]
        self.assertEqual(len(languages), 1, f"manifest 1 in {len(languages)} languages")
        data = next(iter(languages.values()))
        return ElementTree.fromstring(data), data.decode("utf-8")

    def test_each_exe_embeds_exactly_one_manifest_with_resource_id_1(self):
        for label, _, _ in EXES:
            with self.subTest(label):
                root, _ = self.manifest(label)
                self.assertEqual(root.tag, f"{{{ASM_V1}}}assembly")

    def test_the_manifest_runs_the_program_as_the_invoking_user_without_ui_access(self):
        for label, _, _ in EXES:
            with self.subTest(label):
                root, _ = self.manifest(label)
                levels = root.findall(f"{{{ASM_V3}}}trustInfo/{{{ASM_V3}}}security/{{{ASM_V3}}}requestedPrivileges/"
                                      f"{{{ASM_V3}}}requestedExecutionLevel")
                self.assertEqual(len(levels), 1, "one requestedExecutionLevel")
                self.assertEqual(levels[0].get("level"), "asInvoker")
                self.assertEqual(levels[0].get("uiAccess", "false").lower(), "false")

    def test_the_manifest_depends_on_version_6_of_the_common_controls(self):
        for label, _, _ in EXES:
            with self.subTest(label):
                root, _ = self.manifest(label)
                identities = root.findall(f"{{{ASM_V1}}}dependency/{{{ASM_V1}}}dependentAssembly/"
                                          f"{{{ASM_V1}}}assemblyIdentity")
                controls = [i for i in identities if i.get("name") == "Microsoft.Windows.Common-Controls"]
                self.assertEqual(len(controls), 1, [i.attrib for i in identities])
                identity = controls[0]
                self.assertEqual(identity.get("type"), "win32")
                self.assertEqual(identity.get("version"), "6.0.0.0")
                self.assertEqual(identity.get("publicKeyToken", "").lower(), "6595b64144ccf1df")

    def test_the_manifest_names_windows_7_8_8_1_and_10_as_supported_systems(self):
        for label, _, _ in EXES:
            with self.subTest(label):
                root, _ = self.manifest(label)
                ids = {e.get("Id", "").lower() for e in root.iter(f"{{{COMPATIBILITY_V1}}}supportedOS")}
                missing = [name for guid, name in SUPPORTED_OS.items() if guid not in ids]
                self.assertEqual(missing, [], f"supportedOS ids found: {sorted(ids)}")

    def test_the_manifest_declares_per_monitor_v2_awareness_with_the_older_claim_as_fallback(self):
        # Windows 10 1703 and later read dpiAwareness, a list tried in order;
        # earlier systems read only dpiAware, where "true/pm" is per monitor.
        # Both must sit in the asm.v3 application's windowsSettings to count.
        for label, _, _ in EXES:
            with self.subTest(label):
                root, _ = self.manifest(label)
                settings = [s for a in root.iter(f"{{{ASM_V3}}}application")
                            for s in a.iter(f"{{{ASM_V3}}}windowsSettings")]
                self.assertEqual(len(settings), 1, "one windowsSettings element")
                awareness = [e.text.strip() for e in settings[0].iter(f"{{{SETTINGS_2016}}}dpiAwareness")]
                self.assertEqual(len(awareness), 1)
                choices = [c.strip().lower() for c in awareness[0].split(",")]
                self.assertEqual(choices[0], "permonitorv2")
                self.assertIn("permonitor", choices[1:])
                older = [e.text.strip().lower() for e in settings[0].iter(f"{{{SETTINGS_2005}}}dpiAware")]
                self.assertEqual(older, ["true/pm"])
                self.assertNotIn("gdiScaling", {local_name(e.tag) for e in root.iter()},
                                 "GDI scaling would stretch what the program draws for itself")


if __name__ == "__main__":
    unittest.main()
