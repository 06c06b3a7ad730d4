"""The release archive (scripts/dist.sh, `make dist`): built twice from clean in
different directories, it comes out byte for byte the same, holds the two exes,
the readme, the licence and checksums that verify, and names no build path."""

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

TMP = None
RUNS = {}  # "a"/"b" -> {"build_root", "dist_dir", "archive", "output"}
VERSION = None


def project_version():
    with open(os.path.join(harness.TREE_DIR, "CMakeLists.txt"), encoding="utf-8") as f:
        m = re.search(r"^project\(ExitButton VERSION (\d+\.\d+\.\d+)", f.read(), re.M)
    if not m:
        raise AssertionError("CMakeLists.txt names no project version")
    return m.group(1)


def run_dist(build_root, dist_dir):
    env = dict(os.environ)
    # Not the make job server of an enclosing `make test`.
    for name in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL"):
        env.pop(name, None)
    env.update(BUILD_ROOT=build_root, DIST_DIR=dist_dir, SOURCE_DATE_EPOCH=str(SOURCE_DATE_EPOCH))
    result = subprocess.run([SCRIPT], env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=900)
    output = (result.stdout + result.stderr).decode(errors="replace")
    if result.returncode != 0:
        raise AssertionError(f"{SCRIPT} failed ({result.returncode}):\n{output}")
    return output


def setUpModule():
    global TMP, VERSION
    VERSION = project_version()
    TMP = tempfile.mkdtemp(prefix="exitbutton-dist-")
    unittest.addModuleCleanup(shutil.rmtree, TMP, ignore_errors=True)
    # Two build roots of different depth and length, so that any path or
    # path length reaching the output would make the two archives differ.
    roots = {"a": os.path.join(TMP, "a"), "b": os.path.join(TMP, "second", "build-tree")}
    # A stale file in the second build tree: building from clean removes it.
    os.makedirs(os.path.join(roots["b"], "dist-win64"))
    with open(os.path.join(roots["b"], "dist-win64", "stale"), "w") as f:
        f.write("left from an earlier build\n")
    for key, build_root in roots.items():
        dist_dir = os.path.join(TMP, f"out-{key}")
        output = run_dist(build_root, dist_dir)
        RUNS[key] = {"build_root": build_root, "dist_dir": dist_dir, "output": output,
                     "archive": os.path.join(dist_dir, f"exitbutton-{VERSION}-windows.zip")}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def members(key):
    with zipfile.ZipFile(RUNS[key]["archive"]) as zf:
        return {info.filename: zf.read(info) for info in zf.infolist()}


class ArchiveIsReproducible(unittest.TestCase):

    def test_two_builds_from_clean_in_different_directories_give_byte_identical_archives(self):
        a, b = read(RUNS["a"]["archive"]), read(RUNS["b"]["archive"])
        if a != b:
            second = members("b")
            differing = [name for name, data in members("a").items() if second.get(name) != data]
            self.fail(f"the archives differ; entries whose contents differ: {differing} "
                      "(none: the names, order, times or attributes differ)")

    def test_two_builds_from_clean_give_byte_identical_exes(self):
        for flavour in ("win64", "win32"):
            with self.subTest(flavour):
                first = read(os.path.join(RUNS["a"]["build_root"], f"dist-{flavour}", "exitbutton.exe"))
                second = read(os.path.join(RUNS["b"]["build_root"], f"dist-{flavour}", "exitbutton.exe"))
                self.assertTrue(first == second, f"the two {flavour} builds differ")

    def test_each_build_starts_from_an_empty_build_tree(self):
        self.assertFalse(os.path.exists(os.path.join(RUNS["b"]["build_root"], "dist-win64", "stale")))

    def test_neither_exe_contains_the_source_or_a_build_directory_path(self):
        paths = [harness.TREE_DIR, RUNS["a"]["build_root"], RUNS["b"]["build_root"], TMP]
        for name in EXES:
            data = members("a")[name]
            for path in paths:
                for form in (path.encode(), path.encode("utf-16-le")):
                    with self.subTest(exe=name, path=path):
                        self.assertNotIn(form, data)

    def test_every_entry_carries_the_source_date_and_fixed_permissions(self):
        expected = time.gmtime(SOURCE_DATE_EPOCH)[:6]
        with zipfile.ZipFile(RUNS["a"]["archive"]) as zf:
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
        with zipfile.ZipFile(RUNS["a"]["archive"]) as zf:
            self.assertEqual(zf.namelist(), ENTRIES)
            self.assertIsNone(zf.testzip())

    def test_the_readme_and_the_licence_are_the_projects_own_files(self):
        entries = members("a")
        for name in ("README.md", "LICENSE"):
            with self.subTest(name):
                self.assertEqual(entries[name], read(os.path.join(harness.TREE_DIR, name)))

    def test_the_x64_and_x86_exes_are_gui_programs_of_their_architecture_without_a_link_time_stamp(self):
        unpacked = tempfile.mkdtemp(dir=TMP)
        with zipfile.ZipFile(RUNS["a"]["archive"]) as zf:
            zf.extractall(unpacked)
        for name, machine in EXES.items():
            with self.subTest(name):
                image = pe.PeFile(os.path.join(unpacked, name))
                self.assertEqual(image.machine, machine, f"machine {image.machine:#x}")
                self.assertEqual(image.subsystem, pe.IMAGE_SUBSYSTEM_WINDOWS_GUI)
                self.assertEqual(image.timestamp, 0)

    def test_sha256sum_verifies_both_exes_in_the_unpacked_archive(self):
        unpacked = tempfile.mkdtemp(dir=TMP)
        with zipfile.ZipFile(RUNS["a"]["archive"]) as zf:
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
