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

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-multimedia-dev # the program
  libqrencode-dev                 # the artwork generator in tools/art
  fonts-arphic-uming fonts-arphic-ukai # Chinese faces; without one the captions are boxes
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
    echo "run.sh: please install: ${missing[*]}" >&2
    exit 1
  fi
  local sudo=()
  if ((EUID != 0)); then
    command -v sudo > /dev/null || {
      echo "run.sh: not root and no sudo; please install: ${missing[*]}" >&2
      exit 1
    }
    sudo=(sudo)
  fi
  echo "run.sh: installing ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends "${missing[@]}"
}

if command -v dpkg-query > /dev/null; then
  install_missing "${packages[@]}"
fi

if [[ ! -f build/CMakeCache.txt ]]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DXR_BUILD_TESTS=OFF
fi
cmake --build build -j "${XR_JOBS:-2}"
exec build/app/xiuran-timer "$@"
