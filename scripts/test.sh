#!/usr/bin/env bash
# Builds everything and runs every test, headless.
#
#   scripts/test.sh
#
# Two build trees next to the sources:
#   build-san/   the core and its tests alone, under AddressSanitizer and UBSan;
#   build-test/  everything: the core, the Qt layer, the program, the tools and all tests.
# The tests get no display and no sound server from the caller: each one that needs an X
# server or PulseAudio starts its own. On Debian 12 or Ubuntu, whatever is missing is installed
# first (apt-get, with sudo when not run as root). Exits non-zero when anything fails.
# XR_JOBS sets the parallel jobs of builds and tests (2 by default).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

jobs=${XR_JOBS:-2}
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-multimedia-dev libqrencode-dev
  fonts-arphic-uming fonts-arphic-ukai
  libgtest-dev                                      # tests of the core
  xvfb xdotool x11-utils imagemagick                # the real window on a private X server
  libx11-dev libxfixes-dev                          # the pointer-image and close helpers
  pulseaudio pulseaudio-utils                       # the cue through a private sound server
  xdg-utils desktop-file-utils                      # links and the desktop entry
)

# Installs the packages that dpkg does not list as installed, with one update of the package
# lists beforehand.
install_missing() {
  local missing=() p
  for p in "$@"; do
    if [[ $(dpkg-query -W -f='${db:Status-Status}' "$p" 2> /dev/null) != installed ]]; then
      missing+=("$p")
    fi
  done
  ((${#missing[@]} == 0)) && return 0
  if ! command -v apt-get > /dev/null; then
    echo "test.sh: please install: ${missing[*]}" >&2
    exit 1
  fi
  local sudo=()
  if ((EUID != 0)); then
    command -v sudo > /dev/null || {
      echo "test.sh: not root and no sudo; please install: ${missing[*]}" >&2
      exit 1
    }
    sudo=(sudo)
  fi
  echo "test.sh: installing ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends "${missing[@]}"
}

if command -v dpkg-query > /dev/null; then
  install_missing "${packages[@]}"
fi

echo "== building build-san (core, sanitizers)"
cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DXR_BUILD_QT=OFF -DXR_SANITIZE=ON -DXR_WERROR=ON > /dev/null
cmake --build build-san -j "$jobs"

echo "== building build-test (everything)"
cmake -S . -B build-test -G Ninja -DXR_WERROR=ON > /dev/null
cmake --build build-test -j "$jobs"

# Nothing of the caller's session reaches the tests.
runtime=$(mktemp -d "${TMPDIR:-/tmp}/xr-test-runtime.XXXXXX")
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"

status=0
for tree in build-san build-test; do
  echo "== testing $tree"
  rc=0
  env -u DISPLAY -u WAYLAND_DISPLAY -u PULSE_SERVER -u DBUS_SESSION_BUS_ADDRESS \
    XDG_RUNTIME_DIR="$runtime" \
    ctest --test-dir "$tree" --output-on-failure -j "$jobs" --timeout 600 \
    2>&1 | tee "$tree/ctest.log" || rc=$?
  ((rc == 0)) || status=1
done

echo
echo "== summary"
for tree in build-san build-test; do
  echo "-- $tree"
  # From the pass count to the end: the count, the time and the list of failures, if any.
  sed -n '/tests passed, /,$p' "$tree/ctest.log" | sed '/^Label Time Summary:/,/^$/d'
done
exit "$status"
