#!/usr/bin/env bash
# Builds 岫然计时器 (Release, in build/) and opens it.
#
#   scripts/run.sh
#
# On Debian 12 or Ubuntu, installs whatever the build needs and is missing first (apt-get, with
# sudo when not run as root). Once everything is there it only rebuilds what changed.
# XR_JOBS sets the build's parallel jobs (2 by default).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_missing "${xr_build_packages[@]}"

if [[ ! -f build/CMakeCache.txt ]]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DXR_BUILD_TESTS=OFF
fi
# The program and its sound module only: the tools and benchmarks of the tree are not needed to
# run it.
cmake --build build -j "${XR_JOBS:-2}" --target xiuran-timer
exec build/app/xiuran-timer "$@"
