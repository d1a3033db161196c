#!/usr/bin/env bash
# Cross-builds the native Windows program and runs the Windows tree's tests under Wine.
#
#   scripts/build-windows.sh                builds the program and its tests, runs the tests
#   scripts/build-windows.sh --no-test      builds the program alone: no Wine, no test packages
#   scripts/build-windows.sh --build-tests  builds the program and its tests, runs nothing
#
# build-windows/ next to the sources (XR_WINDOWS_BUILD names another folder): the core, the Win32
# layer, build-windows/xiuran-timer.exe (static, GUI subsystem, resources inside) and the tests,
# which ctest runs through Wine in the tree's own Wine prefix (build-windows/wine-prefix). On
# Debian 12 or Ubuntu, whatever is missing is installed first. XR_JOBS sets the parallel jobs
# (2 by default).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

mode=${1:-}
case $mode in
  '' | --no-test | --build-tests) ;;
  *)
    echo "usage: $0 [--no-test | --build-tests]" >&2
    exit 2
    ;;
esac
jobs=${XR_JOBS:-2}
tree=${XR_WINDOWS_BUILD:-build-windows}
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
configure=()
if [[ $mode == --no-test ]]; then
  install_missing "${xr_windows_build_packages[@]}"
  # A new tree leaves the tests out, which would want GoogleTest's sources; one made for them
  # keeps them, as only the program is built below.
  [[ -f $tree/CMakeCache.txt ]] || configure=(-DXR_BUILD_TESTS=OFF)
else
  install_missing "${xr_windows_packages[@]}"
  configure=(-DXR_BUILD_TESTS=ON)
fi

cmake -S . -B "$tree" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DXR_BUILD_QT=OFF -DXR_WERROR=ON \
  "${configure[@]}" > /dev/null
if [[ $mode == --no-test ]]; then
  cmake --build "$tree" -j "$jobs" --target xiuran-timer
else
  cmake --build "$tree" -j "$jobs"
fi
cp "$tree/app/xiuran-timer.exe" "$tree/xiuran-timer.exe"
echo "$tree/xiuran-timer.exe: $(stat -c %s "$tree/xiuran-timer.exe") bytes"

[[ -z $mode ]] || exit 0
runtime=$(mktemp -d "${TMPDIR:-/tmp}/xr-win-runtime.XXXXXX")
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
env -u DISPLAY -u WAYLAND_DISPLAY -u PULSE_SERVER -u DBUS_SESSION_BUS_ADDRESS \
  XDG_RUNTIME_DIR="$runtime" \
  ctest --test-dir "$tree" --output-on-failure -j "$jobs" --timeout 300
