#!/usr/bin/env bash
# Builds every package of 岫然计时器 into dist/:
#   xiuran-timer_VERSION_amd64.deb     Debian/Ubuntu, from a Release build in build/
#   xiuran-timer-VERSION-win64.exe     the Windows installer (per user, no administrator rights)
#   xiuran-timer-VERSION-win64.zip     the Windows program alone, to run from anywhere
# each with its .sha256. On Debian 12 or Ubuntu, whatever is missing is installed first (apt-get,
# with sudo when not run as root). XR_JOBS sets the build's parallel jobs (2 by default).
#
#   scripts/package.sh
set -euo pipefail
shopt -s nullglob
cd "$(dirname "${BASH_SOURCE[0]}")/.."

jobs=${XR_JOBS:-2}
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_missing "${xr_build_packages[@]}" "${xr_package_packages[@]}"

mkdir -p dist
# cpack's working files stay in the build tree; only the packages go to dist/.
pack() { # TREE GENERATOR...
  local tree=$1 g
  shift
  rm -rf "$tree/cpack"
  for g in "$@"; do
    cpack -G "$g" -B "$tree/cpack" --config "$tree/CPackConfig.cmake" > "$tree/cpack-$g.log" ||
      { cat "$tree/cpack-$g.log" >&2; exit 1; }
  done
  local made=("$tree"/cpack/*.{deb,exe,zip,sha256})
  cp "${made[@]}" dist/
}

echo "== the Debian package"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DXR_BUILD_TESTS=OFF > /dev/null
cmake --build build -j "$jobs"
pack build DEB

echo "== the Windows installer and zip"
XR_JOBS=$jobs scripts/build-windows.sh --no-test
pack build-windows NSIS ZIP

echo "== dist/"
(cd dist && for f in *.deb *.exe *.zip; do printf '%10s  %s\n' "$(stat -c %s "$f")" "$f"; done)
