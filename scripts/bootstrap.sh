#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those
# that are missing. Safe to run any number of times: when everything is there
# it only checks and says so.
set -euo pipefail

packages=(
  cmake make g++ googletest libgtest-dev libjpeg-dev pkg-config
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 wine wine32:i386 xvfb xserver-xephyr xdotool x11-xserver-utils x11-utils imagemagick
  fonts-wine fonts-dejavu-core python3 zip
)
# wine32:i386 is the 32-bit Wine loader (/usr/lib/wine/wine) that runs the
# i686 exe; it lives in Debian's i386 architecture, added below when missing.

installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

command -v dpkg-query >/dev/null 2>&1 || {
  echo "bootstrap: dpkg-query not found: this script needs a Debian-based system (Debian 12)." >&2
  exit 1
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "bootstrap: all ${#packages[@]} packages are installed"
  exit 0
fi

command -v apt-get >/dev/null 2>&1 || {
  echo "bootstrap: apt-get not found; install these packages by hand: ${missing[*]}" >&2
  exit 1
}
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || {
    echo "bootstrap: not root and no sudo; as root run: apt-get install ${missing[*]}" >&2
    exit 1
  }
  sudo=(sudo)
fi

apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
   ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "bootstrap: adding the i386 architecture (for the 32-bit Wine loader)"
  "${sudo[@]}" dpkg --add-architecture i386
fi
echo "bootstrap: installing ${missing[*]}"
"${apt[@]}" update -q
# With recommends: Wine's X11 driver draws through the X extension libraries
# (libxrender1, libxrandr2, ...) that libwine only recommends.
"${apt[@]}" install -y -q "${missing[@]}"

still=()
for p in "${missing[@]}"; do
  installed "$p" || still+=("$p")
done
if [ ${#still[@]} -ne 0 ]; then
  echo "bootstrap: could not install: ${still[*]}" >&2
  exit 1
fi
echo "bootstrap: done"
