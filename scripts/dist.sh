#!/usr/bin/env bash
# Builds the release archive from clean: both exes in build trees of their own
# (the everyday build/win64 and build/win32 stay as they are), then
#
#   dist/exitbutton-VERSION-windows.zip
#     LICENSE  README.md  SHA256SUMS  exitbutton-x64.exe  exitbutton-x86.exe
#
# VERSION is the project version in CMakeLists.txt. The archive is
# reproducible: the exes carry no link time stamp and no build or source path
# (checked here), and the archive's entries come in a fixed order with fixed
# times and permissions. The entries' time is SOURCE_DATE_EPOCH when set,
# otherwise the time of the last commit.
#
# Environment: BUILD_ROOT (default build/) holds the build trees dist-win64 and
# dist-win32, DIST_DIR (default dist/) receives the archive, JOBS sets the
# parallel build jobs. DIST_EXE_X64 and DIST_EXE_X86, set together, name exes
# already built from these sources, packed instead of building from clean: the
# tests pack the exes they ran and compare that archive with one from clean.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_root=${BUILD_ROOT:-$root/build}
dist_dir=${DIST_DIR:-$root/dist}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
mkdir -p "$build_root" "$dist_dir"
build_root=$(cd "$build_root" && pwd)
dist_dir=$(cd "$dist_dir" && pwd)

version=$(sed -nE 's/^project\(ExitButton VERSION ([0-9]+\.[0-9]+\.[0-9]+).*/\1/p' "$root/CMakeLists.txt")
if [ -z "$version" ]; then
  echo "dist: no 'project(ExitButton VERSION x.y.z' line in CMakeLists.txt" >&2
  exit 1
fi

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || true)
  SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-315532800}  # no history: 1980-01-01, the earliest zip time
fi
export SOURCE_DATE_EPOCH

cd "$root"
if [ -n "${DIST_EXE_X64:-}" ] || [ -n "${DIST_EXE_X86:-}" ]; then
  if [ -z "${DIST_EXE_X64:-}" ] || [ -z "${DIST_EXE_X86:-}" ]; then
    echo "dist: set both DIST_EXE_X64 and DIST_EXE_X86, or neither" >&2
    exit 1
  fi
  exe64=$DIST_EXE_X64
  exe32=$DIST_EXE_X86
  echo "dist: packing $exe64 and $exe32"
else
  for flavour in win64 win32; do
    dir=$build_root/dist-$flavour
    echo "dist: building $flavour from clean in $dir"
    rm -rf "$dir"
    cmake --preset "$flavour" -B "$dir" --log-level=WARNING >/dev/null
    cmake --build "$dir" --target exitbutton -j "$jobs" >/dev/null
  done
  exe64=$build_root/dist-win64/exitbutton.exe
  exe32=$build_root/dist-win32/exitbutton.exe
fi

python3 - "$root" "$version" "$dist_dir" "$exe64" "$exe32" "$build_root" <<'EOF'
import hashlib, os, struct, sys, tempfile, time, zipfile

root, version, dist_dir, exe64, exe32, build_root = sys.argv[1:]
MACHINES = {"exitbutton-x64.exe": (exe64, 0x8664), "exitbutton-x86.exe": (exe32, 0x014C)}


def fail(message):
    sys.exit(f"dist: {message}")


exes = {}
for name, (path, machine) in MACHINES.items():
    with open(path, "rb") as f:
        data = f.read()
    pe, = struct.unpack_from("<I", data, 0x3C)
    found, _, stamp = struct.unpack_from("<HHI", data, pe + 4)
    if data[pe:pe + 4] != b"PE\0\0" or found != machine:
        fail(f"{path} is not the expected Windows exe (machine {found:#x})")
    if stamp != 0:
        fail(f"{path} carries a link time stamp ({stamp:#x})")
    for directory in {root, build_root, os.path.dirname(path)}:
        for form in (directory.encode(), directory.encode("utf-16-le")):
            if form in data:
                fail(f"{path} contains the path {directory}")
    exes[name] = data

sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in sorted(exes.items()))
entries = dict(exes)
entries["SHA256SUMS"] = sums.encode()
for name in ("README.md", "LICENSE"):
    with open(os.path.join(root, name), "rb") as f:
        entries[name] = f.read()

# Zip times are local-time fields from 1980 on, two-second steps: the UTC time, clamped.
epoch = max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800)
stamp = time.gmtime(epoch)[:6]
archive = os.path.join(dist_dir, f"exitbutton-{version}-windows.zip")
fd, partial = tempfile.mkstemp(dir=dist_dir, prefix=".exitbutton-", suffix=".zip.part")
try:
    with os.fdopen(fd, "wb") as out, zipfile.ZipFile(out, "w") as zf:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3  # Unix, so that the permissions below apply on unpacking
            info.external_attr = (0o100755 if name.endswith(".exe") else 0o100644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            zf.writestr(info, entries[name], compresslevel=9)
    os.chmod(partial, 0o644)
    os.replace(partial, archive)
except BaseException:
    os.unlink(partial)
    raise

with open(archive, "rb") as f:
    digest = hashlib.sha256(f.read()).hexdigest()
print(f"dist: {archive} ({os.path.getsize(archive)} bytes, sha256 {digest})")
for name in sorted(exes):
    print(f"dist:   {name}: {len(exes[name])} bytes")
EOF
