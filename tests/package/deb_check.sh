#!/usr/bin/env bash
# The .deb as cpack makes it from this tree: its Depends, its files, its metadata as the desktop
# tools read them, and the program it carries, started from where the package puts it, finding
# its sound module once a clock runs.
#
#   XR_XCLOSE=CLOSE_HELPER deb_check.sh BUILD_DIR ARTIFACT_DIR
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/lib.sh
source "$here/../e2e/lib.sh"
# shellcheck source=tests/e2e/scenarios_main_window.sh
source "$here/../e2e/scenarios_main_window.sh"

build=$1
e2e_init "$2"
out=$E2E_WORK/cpack
cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" > "$E2E_ARTIFACTS/cpack.log" 2>&1 ||
  fail "cpack failed: $(tail -5 "$E2E_ARTIFACTS/cpack.log")"
debs=("$out"/*.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || fail "cpack made ${#debs[@]} .deb files"
deb=${debs[0]}
e2e_log "$(basename "$deb"): $(stat -c %s "$deb") bytes"
depends=$(dpkg-deb -f "$deb" Depends)
e2e_log "Depends: $depends"

# Each needed package once, as a name of its own (not a prefix of another's).
IFS=', ' read -r -a names <<< "$(sed -E 's/ \([^)]*\)//g; s/ *\| */,/g' <<< "$depends")"
for need in fonts-arphic-uming fonts-arphic-ukai libqt6multimedia6 libqt6widgets6; do
  printf '%s\n' "${names[@]}" | grep -qx "$need" || fail "Depends lacks $need: $depends"
done

root=$E2E_WORK/root
dpkg-deb -x "$deb" "$root"
metainfo=usr/share/metainfo/io.github.xiuran.XiuranTimer.metainfo.xml
for file in usr/bin/xiuran-timer usr/lib/xiuran-timer/libxiuran-timer-sound.so \
  usr/share/applications/xiuran-timer.desktop "$metainfo" \
  usr/share/icons/hicolor/{16x16,48x48,128x128}/apps/xiuran-timer.png; do
  [[ -s $root/$file ]] || fail "the package lacks /$file"
done
[[ -x $root/usr/bin/xiuran-timer ]] || fail "/usr/bin/xiuran-timer is not executable"

appstreamcli validate --no-net "$root/$metainfo" || fail "appstreamcli rejects the metainfo"
desktop-file-validate "$root/usr/share/applications/xiuran-timer.desktop" ||
  fail "desktop-file-validate rejects the desktop entry"
# What software centres launch is the entry the package installs, with the icon it installs.
launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$root/$metainfo")
[[ -f $root/usr/share/applications/$launchable ]] || fail "launchable '$launchable' not in the package"
icon=$(sed -n 's/^Icon=//p' "$root/usr/share/applications/$launchable")
[[ -f $root/usr/share/icons/hicolor/48x48/apps/$icon.png ]] || fail "icon '$icon' not in the package"

# The packaged program, from where the package puts it: its window, then a count-up run, which
# loads the packaged sound module.
start_xvfb
launch "$root/usr/bin/xiuran-timer"
mw_await
mw_click zjs
mw_click start
module=$root/usr/lib/xiuran-timer/libxiuran-timer-sound.so
loaded() { grep -qF "$module" "/proc/$E2E_PROGRAM_PID/maps"; }
wait_until 20 loaded || fail "the program did not load $module: $(cat "$E2E_PROGRAM_ERR")"
"$XR_XCLOSE" "$MW_ID" || fail "could not ask the main window to close"
wait_exit "$E2E_PROGRAM_PID" 30
((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE after the close box"
e2e_log "the packaged program loaded its packaged sound module"
