#!/usr/bin/env bash
# Builds the timer as a web page and runs the web tree's tests.
#
#   scripts/build-web.sh                builds the page and its tests, runs the tests
#   scripts/build-web.sh --no-test      builds the page alone
#   scripts/build-web.sh --build-tests  builds the page and its tests, runs nothing
#
# build-web/ next to the sources (XR_WEB_BUILD names another folder): index.html with its script,
# its module and the pictures it shows, everything the page loads; serve it with
# scripts/serve-web.sh. The core's tests run under Node, the page's scenarios in a headless
# chromium, and its basic flow in Firefox ESR (through puppeteer-core from npm, into
# build-web/npm/) and WebKit. On Debian 12 or Ubuntu, whatever is missing is installed first. XR_JOBS sets the
# parallel jobs (2 by default).
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
tree=${XR_WEB_BUILD:-build-web}
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_missing "${xr_web_packages[@]}"
configure=(-DXR_BUILD_TESTS=ON)
if [[ $mode == --no-test ]]; then
  [[ -f $tree/CMakeCache.txt ]] || configure=(-DXR_BUILD_TESTS=OFF)
fi

# emcc's JavaScript optimiser needs Debian's Node modules, which a Node from elsewhere does not
# search; that Node's fetch cannot read a module from a file, which the tests' loader needs.
export NODE_PATH=/usr/share/nodejs
node=$(command -v node || command -v nodejs)
emcmake cmake -S . -B "$tree" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DXR_BUILD_QT=OFF -DXR_WERROR=ON "-DCMAKE_CROSSCOMPILING_EMULATOR=$node;--no-experimental-fetch" \
  "${configure[@]}" > /dev/null
if [[ $mode == --no-test ]]; then
  cmake --build "$tree" -j "$jobs" --target xiuran-timer xr_page_files
else
  cmake --build "$tree" -j "$jobs"
fi
if [[ $mode != --no-test ]]; then
  # The one package from npm, at its pinned version, for the tests alone.
  want=${xr_web_npm_packages[0]}
  if ! grep -qs "\"version\": \"${want##*@}\"" "$tree/npm/node_modules/${want%@*}/package.json"; then
    mkdir -p "$tree/npm"
    env -u NODE_PATH npm install --prefix "$tree/npm" --no-save --no-package-lock --no-audit \
      --no-fund --loglevel=error "${xr_web_npm_packages[@]}"
  fi
fi
echo "$tree/index.html: $(du -cb "$tree"/index.html "$tree"/v/*/index.{js,wasm} | tail -1 | cut -f1) bytes with its script and module"

[[ -z $mode ]] || exit 0
runtime=$(mktemp -d "${TMPDIR:-/tmp}/xr-web-runtime.XXXXXX")
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
env -u DISPLAY -u WAYLAND_DISPLAY -u PULSE_SERVER -u DBUS_SESSION_BUS_ADDRESS \
  XDG_RUNTIME_DIR="$runtime" \
  ctest --test-dir "$tree" --output-on-failure -j "$jobs" --timeout 300
