# shellcheck shell=bash
# What the build and the tests need from Debian's packages, and how it gets installed. Sourced by
# the run.sh scripts and test.sh.

# shellcheck disable=SC2034  # used by the scripts that source this file
xr_build_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev                         # the program
  libxcb1-dev                          # the keyboard's state, asked of the X server
  libdbus-1-dev                        # the desktop's idle inhibitor while a clock runs
  libpulse-dev                         # the cue, straight to the sound server
  libqrencode-dev                      # the artwork generator in tools/art
  fonts-arphic-uming fonts-arphic-ukai # Chinese faces; without one the captions are boxes
)
# shellcheck disable=SC2034
xr_test_packages=(
  libgtest-dev                         # tests of the core
  clang-format                         # every source file as the formatter writes it
  qt6-translations-l10n                # Qt's Chinese, which must reach no diagnostic of ours
  xvfb xdotool x11-utils imagemagick   # the real window on a private X server
  x11-xserver-utils                    # xset: X's screen saver set short
  libx11-dev libxfixes-dev libxss-dev  # the pointer-image, close and screen-saver helpers
  python3-dbus python3-gi              # stand-ins for the desktop's idle inhibitors
  pulseaudio pulseaudio-utils          # the cue through a private sound server
  xdg-utils desktop-file-utils         # links and the desktop entry
  strace                               # the fault matrix: every file the program touches
  dpkg-dev file appstream lintian      # the .deb: its computed Depends, its metainfo, Debian's
                                       # own checks
  at-spi2-core dbus-daemon             # a screen reader's view: the accessibility bus on a
  python3-pyatspi                      # private session bus, read by a real AT-SPI client
  openbox                              # a real window manager round the windows
  weston xwayland qt6-wayland          # a Wayland session, with and without its X server
)
# shellcheck disable=SC2034
xr_package_packages=(
  dpkg-dev file lintian                # cpack's .deb: Depends computed by dpkg-shlibdeps, and
                                       # Debian's own checks of it
  nsis                                 # cpack's Windows installer
)
# shellcheck disable=SC2034
xr_bench_packages=(
  qt6-multimedia-dev                   # QSoundEffect, beside which bench/cue_latency plays the cue
  clang libclang-rt-dev                # libFuzzer for bench/fuzz (its runtime is only recommended)
)

# shellcheck disable=SC2034
xr_windows_build_packages=(
  cmake ninja-build g++                # g++: the catalogue's generator, run at build time
  g++-mingw-w64-x86-64-posix           # -posix: the win32 thread model cannot build GoogleTest
)
# shellcheck disable=SC2034
xr_windows_packages=(
  "${xr_windows_build_packages[@]}"
  googletest                           # the sources, built with the cross compiler
  wine wine64 fonts-wine               # the Windows tree's tests run under Wine
  xvfb xdotool x11-utils imagemagick   # its window, on a private X server
  gcc libx11-dev libxfixes-dev         # the end-to-end tests' helpers, built for this machine
  fonts-arphic-uming fonts-arphic-ukai # the faces that stand in for 宋体 and 楷体
  nsis binutils                        # the installer, and strings to read its shortcut
)
# shellcheck disable=SC2034
xr_web_packages=(
  cmake ninja-build g++                # g++: the catalogue's generator, run at build time
  emscripten nodejs                    # the page's module; Node runs the core's tests
  googletest                           # the sources, built with em++
  fonts-arphic-uming fonts-arphic-ukai # the faces the page carries, cut by
  python3-fonttools python3-brotli     # pyftsubset to its characters, as WOFF2
  chromium chromium-driver             # the page's scenarios in a headless browser
  python3-selenium
  firefox-esr                          # the basic flow in Gecko, driven by puppeteer-core
  webkit2gtk-driver xvfb               # and in WebKit, through WebKitWebDriver on an X server
)
# shellcheck disable=SC2034
xr_web_npm_packages=(
  puppeteer-core@25.19.0               # drives firefox-esr over WebDriver BiDi
)

# install_missing PACKAGE...: installs the packages that dpkg does not list as installed, with
# one update of the package lists beforehand; through sudo when not root.
install_missing() {
  command -v dpkg-query > /dev/null || return 0
  local me missing=() p
  me=$(basename "$0")
  for p in "$@"; do
    if [[ $(dpkg-query -W -f='${db:Status-Status}' "$p" 2> /dev/null) != installed ]]; then
      missing+=("$p")
    fi
  done
  ((${#missing[@]} == 0)) && return 0
  if ! command -v apt-get > /dev/null; then
    echo "$me: please install: ${missing[*]}" >&2
    exit 1
  fi
  local sudo=()
  if ((EUID != 0)); then
    command -v sudo > /dev/null || {
      echo "$me: not root and no sudo; please install: ${missing[*]}" >&2
      exit 1
    }
    sudo=(sudo)
  fi
  echo "$me: installing ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends "${missing[@]}"
}
