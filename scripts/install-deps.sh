#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Silent and quick
# when everything is present; otherwise installs what is missing with apt-get.
# `install-deps.sh fuzz` adds clang and its libFuzzer runtime (scripts/fuzz.sh).
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-qpa-plugins libx11-dev
  xvfb xauth xdotool openbox x11-utils
  sigrok-cli
  libxlsxwriter-dev python3-openpyxl
  libsdl2-dev espeak-ng
)
# The Debian package (`make package`): icons drawn from the SVG, dependencies
# from the binaries, and the checks of the package, its metainfo and menu entry.
packages+=(librsvg2-bin dpkg-dev fakeroot file lintian appstream desktop-file-utils)
# The serial line: termios, openpty and <linux/serial.h>.
packages+=(libc6-dev linux-libc-dev)
# The USB sensor board: its firmware (avr-gcc), the simulator its tests run it
# in (simavr, with libelf to load the program), and avrdude to flash a board.
packages+=(gcc-avr avr-libc binutils-avr simavr libsimavr-dev libelf-dev avrdude)
# The spectators' web server (Qt HttpServer and WebSockets), its QR code
# (libqrencode), the snapshot's JSON (nlohmann-json), and the browser its test
# drives (chromium) with node for the driver (puppeteer-core, tests/web).
packages+=(qt6-httpserver-dev qt6-websockets-dev libqrencode-dev nlohmann-json3-dev chromium)
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
# The load of the benchmarks' loaded runs (docs/performance.md).
packages+=(stress-ng)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# The browser test's driver from npm into tests/web/node_modules (the browser
# itself is Debian's; none is downloaded).
web_driver() {
  local dir
  dir="$(cd "$(dirname "$0")/../tests/web" && pwd)"
  if [ ! -d "$dir/node_modules/puppeteer-core" ] && command -v npm >/dev/null 2>&1; then
    PUPPETEER_SKIP_DOWNLOAD=1 npm ci --prefix "$dir" --no-audit --no-fund --loglevel=error >/dev/null
  fi
}
if [ ${#missing[@]} -eq 0 ]; then
  web_driver
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo_cmd=(sudo); else
    echo "Please install as root: apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
web_driver
