#!/usr/bin/env bash
# Cross-builds the native Windows program and runs the Windows tree's tests under Wine.
#
#   scripts/build-windows.sh [--no-test]
#
# build-windows/ next to the sources: the core, the Win32 layer, build-windows/xiuran-timer.exe
# (static, GUI subsystem, resources inside) and the tests, which ctest runs through Wine in the
# tree's own Wine prefix (build-windows/wine-prefix). On Debian 12 or Ubuntu, whatever is missing
# is installed first. XR_JOBS sets the parallel jobs (2 by default).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

jobs=${XR_JOBS:-2}
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_missing "${xr_windows_packages[@]}"

cmake -S . -B build-windows -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DXR_BUILD_QT=OFF -DXR_WERROR=ON > /dev/null
cmake --build build-windows -j "$jobs"
cp build-windows/platform/win32/xiuran-timer.exe build-windows/xiuran-timer.exe
echo "build-windows/xiuran-timer.exe: $(stat -c %s build-windows/xiuran-timer.exe) bytes"

[[ ${1:-} == --no-test ]] && exit 0
runtime=$(mktemp -d "${TMPDIR:-/tmp}/xr-win-runtime.XXXXXX")
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
env -u DISPLAY -u WAYLAND_DISPLAY -u PULSE_SERVER -u DBUS_SESSION_BUS_ADDRESS \
  XDG_RUNTIME_DIR="$runtime" \
  ctest --test-dir build-windows --output-on-failure -j "$jobs" --timeout 300
