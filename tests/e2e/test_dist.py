"""The release archive (scripts/dist.sh, `make dist`): built from clean, it
comes out byte for byte the same as the archive of the exes the tests ran
(built by `make build` in another build tree, of another depth), holds the two
exes, the readme, the licence and checksums that verify, and names no build
path."""

import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest
import zipfile

import harness
import pefile_lite as pe

SCRIPT = os.path.join(harness.TREE_DIR, "scripts", "dist.sh")
SOURCE_DATE_EPOCH = 1700000000  # 2023-11-14 22:13:20 UTC
ENTRIES = ["LICENSE", "README.md", "SHA256SUMS", "exitbutton-x64.exe", "exitbutton-x86.exe"]
EXES = {"exitbutton-x64.exe": pe.IMAGE_FILE_MACHINE_AMD64, "exitbutton-x86.exe": pe.IMAGE_FILE_MACHINE_I386}
TESTED_EXES = {"win64": harness.EXE64, "win32": harness.EXE32}

TMP = None
RUNS = {}  # "clean"/"tested" -> {"build_root", "dist_dir", "archive", "output"}
VERSION = None


def project_version():
    with open(os.path.join(harness.TREE_DIR, "CMakeLists.txt"), encoding="utf-8") as f:
        m = re.search(r"^project\(ExitButton VERSION (\d+\.\d+\.\d+)", f.read(), re.M)
    if not m:
        raise AssertionError("CMakeLists.txt names no project version")
    return m.group(1)


def run_dist(build_root, dist_dir, **extra):
    env = dict(os.environ)
    # Not the make job server of an enclosing `make test`.
    for name in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL"):
        env.pop(name, None)
    env.update(BUILD_ROOT=build_root, DIST_DIR=dist_dir, SOURCE_DATE_EPOCH=str(SOURCE_DATE_EPOCH), **extra)
    result = subprocess.run([SCRIPT], env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=900)
    output = (result.stdout + result.stderr).decode(errors="replace")
    if result.returncode != 0:
        raise AssertionError(f"{SCRIPT} failed ({result.returncode}):\n{output}")
    return output


def setUpModule():
    global TMP, VERSION
    VERSION = project_version()
    for path in TESTED_EXES.values():
        if not os.path.isfile(path):
            raise harness.HarnessError(f"not built: {path}")
    TMP = tempfile.mkdtemp(prefix="exitbutton-dist-")
    unittest.addModuleCleanup(shutil.rmtree, TMP, ignore_errors=True)
    # A stale file in the clean build's tree: building from clean removes it.
    clean_root = os.path.join(TMP, "second", "build-tree")
    os.makedirs(os.path.join(clean_root, "dist-win64"))
    with open(os.path.join(clean_root, "dist-win64", "stale"), "w") as f:
        f.write("left from an earlier build\n")
    runs = {"clean": (clean_root, {}),
            "tested": (os.path.join(TMP, "t"), {"DIST_EXE_X64": TESTED_EXES["win64"],
                                                "DIST_EXE_X86": TESTED_EXES["win32"]})}
    for key, (build_root, extra) in runs.items():
        dist_dir = os.path.join(TMP, f"out-{key}")
        output = run_dist(build_root, dist_dir, **extra)
        RUNS[key] = {"build_root": build_root, "dist_dir": dist_dir, "output": output,
                     "archive": os.path.join(dist_dir, f"exitbutton-{VERSION}-windows.zip")}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def members(key):
    with zipfile.ZipFile(RUNS[key]["archive"]) as zf:
        return {info.filename: zf.read(info) for info in zf.infolist()}


class ArchiveIsReproducible(unittest.TestCase):

    def test_the_archive_from_clean_is_byte_identical_to_the_archive_of_the_tested_exes(self):
        a, b = read(RUNS["clean"]["archive"]), read(RUNS["tested"]["archive"])
        if a != b:
            second = members("tested")
            differing = [name for name, data in members("clean").items() if second.get(name) != data]
            self.fail(f"the archives differ; entries whose contents differ: {differing} "
                      "(none: the names, order, times or attributes differ)")

    def test_each_exe_built_from_clean_is_byte_identical_to_the_one_the_tests_ran(self):
        for flavour, tested in TESTED_EXES.items():
            with self.subTest(flavour):
                clean = read(os.path.join(RUNS["clean"]["build_root"], f"dist-{flavour}", "exitbutton.exe"))
                self.assertTrue(clean == read(tested), f"the {flavour} exe from clean differs from {tested}")

    def test_the_build_from_clean_starts_from_an_empty_build_tree(self):
        self.assertFalse(os.path.exists(os.path.join(RUNS["clean"]["build_root"], "dist-win64", "stale")))

    def test_neither_exe_contains_the_source_or_a_build_directory_path(self):
        paths = [harness.TREE_DIR, RUNS["clean"]["build_root"], TMP,
                 *(os.path.dirname(os.path.abspath(p)) for p in TESTED_EXES.values())]
        for key in RUNS:
            for name in EXES:
                data = members(key)[name]
                for path in paths:
                    for form in (path.encode(), path.encode("utf-16-le")):
                        with self.subTest(archive=key, exe=name, path=path):
                            self.assertNotIn(form, data)

    def test_every_entry_carries_the_source_date_and_fixed_permissions(self):
        expected = time.gmtime(SOURCE_DATE_EPOCH)[:6]
        with zipfile.ZipFile(RUNS["clean"]["archive"]) as zf:
            for info in zf.infolist():
                with self.subTest(info.filename):
                    self.assertEqual(info.date_time, expected)
                    mode = info.external_attr >> 16
                    self.assertEqual(mode, 0o100755 if info.filename.endswith(".exe") else 0o100644, oct(mode))


class ArchiveContents(unittest.TestCase):

    def test_the_dist_directory_holds_only_the_archive_named_after_the_project_version(self):
        for key in RUNS:
            with self.subTest(key):
                self.assertEqual(os.listdir(RUNS[key]["dist_dir"]), [f"exitbutton-{VERSION}-windows.zip"])

    def test_the_archive_holds_the_two_exes_the_readme_the_licence_and_the_checksums_in_name_order(self):
        with zipfile.ZipFile(RUNS["clean"]["archive"]) as zf:
            self.assertEqual(zf.namelist(), ENTRIES)
            self.assertIsNone(zf.testzip())

    def test_the_readme_and_the_licence_are_the_projects_own_files(self):
        entries = members("clean")
        for name in ("README.md", "LICENSE"):
            with self.subTest(name):
                self.assertEqual(entries[name], read(os.path.join(harness.TREE_DIR, name)))

    def test_the_x64_and_x86_exes_are_gui_programs_of_their_architecture_without_a_link_time_stamp(self):
        unpacked = tempfile.mkdtemp(dir=TMP)
        with zipfile.ZipFile(RUNS["clean"]["archive"]) as zf:
            zf.extractall(unpacked)
        for name, machine in EXES.items():
            with self.subTest(name):
                image = pe.PeFile(os.path.join(unpacked, name))
                self.assertEqual(image.machine, machine, f"machine {image.machine:#x}")
                self.assertEqual(image.subsystem, pe.IMAGE_SUBSYSTEM_WINDOWS_GUI)
                self.assertEqual(image.timestamp, 0)

    def test_sha256sum_verifies_both_exes_in_the_unpacked_archive(self):
        unpacked = tempfile.mkdtemp(dir=TMP)
        with zipfile.ZipFile(RUNS["clean"]["archive"]) as zf:
            zf.extractall(unpacked)
        with open(os.path.join(unpacked, "SHA256SUMS"), encoding="ascii") as f:
            listed = sorted(line.split("  ", 1)[1].rstrip("\n") for line in f)
        self.assertEqual(listed, sorted(EXES))
        result = subprocess.run(["sha256sum", "--strict", "-c", "SHA256SUMS"], cwd=unpacked,
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(sorted(result.stdout.splitlines()), [f"{name}: OK" for name in sorted(EXES)])


if __name__ == "__main__":
    unittest.main()
