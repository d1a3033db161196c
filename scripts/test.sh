#!/usr/bin/env bash
# Builds everything and runs every test, headless.
#
#   scripts/test.sh
#
# Two build trees next to the sources:
#   build-san/   the core, the Qt layer and the tests that run them in-process, under
#                AddressSanitizer (leaks included) and UBSan, which stops at the first error;
#                neither the program nor its end-to-end tests nor the benchmarks;
#   build-test/  everything: the core, the Qt layer, the program, the tools and all tests;
#   build-windows/  the Windows program cross-built with mingw-w64 (as scripts/build-windows.sh
#                builds it) and its tests, which run under Wine in the tree's own Wine prefix;
#   build-web/   the web page built with emscripten (as scripts/build-web.sh builds it), the
#                core's tests under Node and the page's scenarios in a headless chromium.
# The tests get no display and no sound server from the caller: each one that needs an X
# server or PulseAudio starts its own. On Debian 12 or Ubuntu, whatever is missing is installed
# first (apt-get, with sudo when not run as root). Exits non-zero when anything fails.
# XR_JOBS sets the parallel jobs of builds and tests (2 by default).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

jobs=${XR_JOBS:-2}
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_missing "${xr_build_packages[@]}" "${xr_test_packages[@]}" "${xr_windows_packages[@]}" \
  "${xr_web_packages[@]}"

echo "== building build-san (core and Qt layer, sanitizers)"
cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DXR_BUILD_QT=ON -DXR_SANITIZE=ON -DXR_WERROR=ON > /dev/null
cmake --build build-san -j "$jobs"

echo "== building build-test (everything)"
cmake -S . -B build-test -G Ninja -DXR_WERROR=ON > /dev/null
cmake --build build-test -j "$jobs"

echo "== building build-windows (the Windows program, tests under Wine)"
XR_JOBS=$jobs scripts/build-windows.sh --build-tests

echo "== building build-web (the web page, tests under Node and chromium)"
XR_JOBS=$jobs scripts/build-web.sh --build-tests

# Nothing of the caller's session reaches the tests.
runtime=$(mktemp -d "${TMPDIR:-/tmp}/xr-test-runtime.XXXXXX")
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"

status=0
for tree in build-san build-test build-windows build-web; do
  echo "== testing $tree"
  rc=0
  env -u DISPLAY -u WAYLAND_DISPLAY -u PULSE_SERVER -u DBUS_SESSION_BUS_ADDRESS \
    XDG_RUNTIME_DIR="$runtime" UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$tree" --output-on-failure -j "$jobs" --timeout 600 \
    2>&1 | tee "$tree/ctest.log" || rc=$?
  ((rc == 0)) || status=1
done

echo
echo "== summary"
for tree in build-san build-test build-windows build-web; do
  echo "-- $tree"
  # From the pass count to the end: the count, the time and the list of failures, if any.
  sed -n '/tests passed, /,$p' "$tree/ctest.log" | sed '/^Label Time Summary:/,/^$/d'
done
exit "$status"
