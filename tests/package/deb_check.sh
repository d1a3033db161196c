#!/usr/bin/env bash
# The .deb cpack makes from this tree: its Depends, lintian's verdict, its files, its metadata as
# the desktop tools read them, and the program it carries, run from where the package puts it, loading the sound
# module the package puts beside it once a clock runs.
#
#   XR_XCLOSE=CLOSE_HELPER [XR_DEBIAN_BUILDFLAGS=1] deb_check.sh BUILD_DIR ARTIFACT_DIR
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/lib.sh
source "$here/../e2e/lib.sh"
# shellcheck source=tests/e2e/scenarios_main_window.sh
source "$here/../e2e/scenarios_main_window.sh"
e2e_init "$2"

cpack -G DEB -B "$E2E_WORK/cpack" --config "$1/CPackConfig.cmake" > "$E2E_ARTIFACTS/cpack.log" 2>&1 ||
  fail "cpack failed"
deb=$(echo "$E2E_WORK"/cpack/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
e2e_log "$(basename "$deb"): $(stat -c %s "$deb") bytes; Depends: $depends"
# Each as a package name of its own, not the prefix of another's.
names=$(sed -E 's/ \([^)]*\)//g; s/ *[,|] */\n/g' <<< "$depends")
for need in fonts-arphic-uming fonts-arphic-ukai libpulse0 libqt6widgets6; do
  grep -qx "$need" <<< "$names" || fail "Depends lacks $need"
done

# Debian's own checks, pedantic ones and hints included: any tag is a fault, but for the hardening
# of a tree built without Debian's flags (scripts/package.sh builds the .deb with them).
lintian_args=(--pedantic -I --fail-on none)
((${XR_DEBIAN_BUILDFLAGS:-0})) ||
  lintian_args+=(--suppress-tags "hardening-no-bindnow,hardening-no-fortify-functions")
lintian "${lintian_args[@]}" "$deb" > "$E2E_ARTIFACTS/lintian.txt" 2> /dev/null
[[ ! -s $E2E_ARTIFACTS/lintian.txt ]] || fail "lintian: $(cat "$E2E_ARTIFACTS/lintian.txt")"

root=$E2E_WORK/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share
metainfo=$share/metainfo/io.github.xiuran.XiuranTimer.metainfo.xml
module=$root/usr/libexec/xiuran-timer/libxiuran-timer-sound.so
for file in "$root/usr/bin/xiuran-timer" "$module" "$metainfo" \
  "$share"/icons/hicolor/{16x16,48x48,128x128}/apps/xiuran-timer.png; do
  [[ -s $file ]] || fail "the package lacks ${file#"$root"}"
done
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
# What software centres launch is an entry the package installs, valid, with an icon it installs.
entry=$share/applications/$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
[[ -f $share/icons/hicolor/48x48/apps/$(sed -n 's/^Icon=//p' "$entry").png ]] || fail "no icon of $entry"

start_xvfb
launch "$root/usr/bin/xiuran-timer"
mw_await
# A countdown: only a run that ends in the cue readies the sound.
mw_click djs
mw_click jm0 4
mw_click start
loaded() { grep -qF "$module" "/proc/$E2E_PROGRAM_PID/maps"; }
wait_until 20 loaded || fail "the program did not load its module: $(cat "$E2E_PROGRAM_ERR")"
"$XR_XCLOSE" "$MW_ID" || fail "could not ask the main window to close"
wait_exit "$E2E_PROGRAM_PID" 30
((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE after the close box"
