#!/usr/bin/env bash
# Builds every package of 岫然计时器 into dist/:
#   xiuran-timer_VERSION_amd64.deb     Debian/Ubuntu, from a Release build in build/ with
#                                      Debian's build flags, checked by lintian
#   xiuran-timer-VERSION-win64.exe     the Windows installer (per user, no administrator rights)
#   xiuran-timer-VERSION-win64.zip     the Windows program alone, to run from anywhere
# each with its .sha256. On Debian 12 or Ubuntu, whatever is missing is installed first (apt-get,
# with sudo when not run as root). XR_JOBS sets the build's parallel jobs (2 by default);
# XR_DIST another folder for the packages, XR_WINDOWS_BUILD another for the Windows tree.
#
#   scripts/package.sh [deb] [windows]     (both when neither is named)
#
# The Windows packages need no Wine: the program is only cross-built, never run.
set -euo pipefail
shopt -s nullglob
cd "$(dirname "${BASH_SOURCE[0]}")/.."

parts=("$@")
((${#parts[@]})) || parts=(deb windows)
for part in "${parts[@]}"; do
  [[ $part == deb || $part == windows ]] || {
    echo "usage: $0 [deb] [windows]" >&2
    exit 2
  }
done
jobs=${XR_JOBS:-2}
dist=${XR_DIST:-dist}
windows_tree=${XR_WINDOWS_BUILD:-build-windows}
# shellcheck source=scripts/deps.sh
source scripts/deps.sh

mkdir -p "$dist"
# cpack's working files stay in the build tree; only the packages go to the dist folder.
pack() { # TREE GENERATOR...
  local tree=$1 g
  shift
  rm -rf "$tree/cpack"
  for g in "$@"; do
    cpack -G "$g" -B "$tree/cpack" --config "$tree/CPackConfig.cmake" > "$tree/cpack-$g.log" ||
      { cat "$tree/cpack-$g.log" >&2; exit 1; }
  done
  local made=("$tree"/cpack/*.{deb,exe,zip,sha256})
  cp "${made[@]}" "$dist/"
}

if [[ " ${parts[*]} " == *" deb "* ]]; then
  echo "== the Debian package"
  install_missing "${xr_build_packages[@]}" "${xr_package_packages[@]}"
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DXR_BUILD_TESTS=OFF \
    -DXR_DEBIAN_BUILDFLAGS=ON > /dev/null
  cmake --build build -j "$jobs"
  pack build DEB
  # Debian's own checks, as a distribution would run them: nothing may be said at all.
  debs=(build/cpack/*.deb)
  said=$(lintian --pedantic -I --fail-on none "${debs[@]}" 2> /dev/null)
  [[ -z $said ]] || {
    echo "lintian on ${debs[*]}:" >&2
    echo "$said" >&2
    exit 1
  }
fi

if [[ " ${parts[*]} " == *" windows "* ]]; then
  echo "== the Windows installer and zip"
  install_missing "${xr_package_packages[@]}"
  XR_JOBS=$jobs XR_WINDOWS_BUILD=$windows_tree scripts/build-windows.sh --no-test
  pack "$windows_tree" NSIS ZIP
fi

echo "== $dist/"
(cd "$dist" && for f in *.deb *.exe *.zip; do printf '%10s  %s\n' "$(stat -c %s "$f")" "$f"; done)
