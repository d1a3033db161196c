# shellcheck shell=bash
# shellcheck disable=SC2034  # FX_* settings are read by lib.sh's fx_row
# The real program where its surroundings are damaged: one scenario per family of faults, each a
# table of rows run by fx_try and held to the checks of fx_row (lib.sh). Sourced by
# run_scenario.sh after lib.sh.

FX_CUE_NAME=xiuran-timer/3sdjs.wav

# The cue's directory, or what stands at the cue file's path, in each damaged state. Where no
# cue can be written whole none is left, and none is written through a link or into what was
# planted there.
scenario_faults_cue_location() {
  fx_init
  start_xvfb
  local W=$E2E_WORK c=$XDG_CACHE_HOME
  local d=$c/${FX_CUE_NAME%/*} f=$c/$FX_CUE_NAME row
  local rows=(
    "usable|:|whole"
    "unwritable|mkdir -p $d; chmod 500 $d|none"
    "missing-parent-unwritable|mkdir -p $c; chmod 500 $c|none"
    "full-file-system|fxc_full|none"
    "directory-is-a-link|mkdir -p $c; ln -s $W/victim-dir $d|none"
    "file-is-a-link|mkdir -p -m 700 $d; ln -s $W/victim $f|none"
    "file-is-a-directory|mkdir -p -m 700 $f|none"
    "file-is-a-fifo|mkdir -p -m 700 $d; mkfifo $f|none"
    "file-is-dev-null|mkdir -p -m 700 $d; ln -s /dev/null $f|none"
    "file-is-a-device|fxc_root; mkdir -p -m 700 $d; mknod $f c 1 5 || fxc_cannot|none"
    "directory-of-another-user|fxc_root; fxc_give_away $d|none"
    "directory-group-writable|mkdir -p $d; chmod 770 $d|none"
    "file-size-limit|FX_WRAP=(prlimit --fsize=102400 --)|none"
    "file-size-limit-over-a-whole-cue|fxc_whole; FX_WRAP=(prlimit --fsize=102400 --)|none"
  )
  for row in "${rows[@]}"; do
    IFS='|' read -r name setup want <<< "$row"
    chmod -R u+rwx "$c" 2> /dev/null || true
    rm -rf "$c" "$W/victim-dir"
    mkdir -p "$W/victim-dir"
    : > "$W/victim"
    fx_try "$name" fxc_row "$setup" "$want"
  done
  fx_end
}

fxc_row() {
  eval "$1"
  fx_row "$f" "$2"
  [[ ! -s $W/victim && -z $(ls -A "$W/victim-dir") ]] || fx_fail "written through a link"
  [[ ! -d $f || -z $(ls -A "$f") ]] || fx_fail "written into the directory at the cue's path"
}

fxc_whole() { mkdir -p "$c" && mkdir -m 700 "$d" && cp "$XR_CUE_WAV" "$f"; }
fxc_root() { ((EUID == 0)) || fx_skip "only root can stage this"; }
fxc_cannot() { fx_skip "this system does not let root stage it"; }

# fxc_give_away DIR: a directory of another user, in which we may write all the same.
fxc_give_away() {
  mkdir -p "$1"
  chmod 707 "$1"
  chown nobody:nogroup "$1" || fxc_cannot
}

# A file system too small for the cue, in a private mount namespace; what the program left on it
# is copied out before the namespace ends.
fxc_full() {
  fx_can_unshare || fx_skip "no private mount namespace (unshare -cm) here"
  mkdir -p "$c"
  FX_SETUP="mount -t tmpfs -o size=256k,mode=700 tmpfs $c"
  FX_AFTER="cp -a $c/. $W/seen/"
  FX_SEEN=$W/seen/${FX_CUE_NAME%/*}
  mkdir -p "$W/seen"
}

# HOME and XDG_CACHE_HOME unset, relative, or under a regular file, and no Chinese font. Where
# the program may turn to the password database's home, that home is replaced by an empty
# directory in a private mount namespace: the test never writes to the real one.
scenario_faults_environment() {
  fx_init
  start_xvfb
  local W=$E2E_WORK pw
  pw=$(getent passwd "$(id -u)" | cut -d: -f6)
  : > "$W/file"
  no_chinese_fontconfig "$W/fontconfig"
  fx_try home-unset fxe_row passwd whole -u HOME -u XDG_CACHE_HOME
  fx_try home-relative fxe_row passwd whole-or-none -u XDG_CACHE_HOME HOME=home
  fx_try home-under-a-file fxe_row passwd whole-or-none -u XDG_CACHE_HOME HOME="$W/file/home"
  fx_try cache-relative fxe_row home whole XDG_CACHE_HOME=cache
  fx_try cache-under-a-file fxe_row home whole-or-none XDG_CACHE_HOME="$W/file/cache"
  fx_try no-home-anywhere fxe_no_home
  fx_try no-chinese-font fxe_font
  fx_try no-session-bus fxe_no_bus
  fx_end
}

# fxe_row passwd|home WANT ENVARG...: the cue expected in that home's cache.
fxe_row() {
  local cue=$HOME/.cache/$FX_CUE_NAME
  rm -rf "$HOME/.cache"
  if [[ $1 == passwd ]]; then
    fx_can_unshare || fx_skip "no private mount namespace (unshare -cm) here"
    [[ -d $pw ]] || fx_skip "the password database's home $pw is not a directory"
    rm -rf "$W/pwhome"
    mkdir -p "$W/pwhome"
    FX_SETUP="mount --bind $(printf %q "$W/pwhome") $(printf %q "$pw")"
    cue=$pw/.cache/$FX_CUE_NAME
    FX_SEEN=$W/pwhome/.cache/${FX_CUE_NAME%/*}
  fi
  fx_row "$cue" "$2" "" "${@:3}"
}

# No HOME, no XDG_CACHE_HOME, and no home in the password database: nowhere for the cue at all.
fxe_no_home() {
  fx_can_unshare || fx_skip "no private mount namespace (unshare -cm) here"
  awk -F: -v OFS=: -v uid="$(id -u)" '$3 == uid { $6 = "" } 1' /etc/passwd > "$W/passwd"
  FX_SETUP="mount --bind $(printf %q "$W/passwd") /etc/passwd"
  fx_row "" none "" -u HOME -u XDG_CACHE_HOME
}

# With no session bus given, the program starts none (no dbus-launch, even a missing one, tried).
fxe_no_bus() {
  fx_row "$HOME/.cache/$FX_CUE_NAME" whole "" -u DBUS_SESSION_BUS_ADDRESS
  ! grep -E 'execve\("[^"]*dbus-launch"' "$FX_TRACE" || fx_fail "a session bus was launched"
}

# Without a Chinese font the program says so in one line, and works.
fxe_font() {
  fx_row "$HOME/.cache/$FX_CUE_NAME" whole "" FONTCONFIG_FILE="$W/fontconfig/fonts.conf"
  local n
  n=$(grep -c "Chinese font" "$E2E_PROGRAM_ERR" || true)
  ((n == 1)) || fx_fail "$n lines about the missing Chinese font on stderr, not one"
}

# No sound server, one that accepts and never answers, and one killed while the cue plays.
scenario_faults_sound_server() {
  fx_init
  start_xvfb
  local cue=$XDG_CACHE_HOME/$FX_CUE_NAME
  fx_try none fx_row "$cue" whole
  fx_try wedged fxs_wedged
  fx_try dies-mid-cue fxs_dies
  fx_try stderr-reader-gone fxs_stderr_gone
  fx_try home-not-utf-8 fxs_home_not_utf8
  fx_try stalled-when-the-cue-is-due fxs_stalled
  fx_try stalled-for-two-seconds fxs_late
  fx_try away-for-ten-seconds fxs_back
  fx_end
}

# The server dies during a cue and is back 10 s later: the next countdown's cue is heard.
fxs_back() {
  start_sound_server
  FX_BEFORE=fxs_away
  fx_row "$cue" whole fxs_wait_heard
}
fxs_away() {
  mw_click jm0 4
  mw_click start
  fxs_wait_heard
  kill -9 "$E2E_SOUND_PID"
  sleep 10
  start_sound_server
  wait_until 10 mw_now_chrome_shown "$E2E_WORK/over.png" || fx_fail "the countdown did not end"
  mw_click reset
}

# The server stalls just before the cue is due and comes back 15 s later: the cue, ten seconds
# out of place by then, is not played. A count-up first has the player connect to the server.
fxs_stalled() {
  start_sound_server
  FX_BEFORE=fxs_stall
  fx_row "$cue" whole
}
fxs_stall() {
  mw_click zjs
  mw_click start
  sleep 2
  xdotool mousemove_relative 5 5
  wait_until 5 mw_now_chrome_shown "$E2E_WORK/woken.png" || fx_fail "the controls stayed hidden"
  mw_click reset
  mw_click djs
  mw_click jm0 4
  kill -STOP "$E2E_SOUND_PID"
  mw_click start
  sleep 15
  kill -CONT "$E2E_SOUND_PID"
  sleep 3
  ! fxs_heard || fx_fail "the cue was played when the server came back"
  mw_click reset
}

# The server stalls from half a second before the cue is due until two seconds after: the cue
# starts two seconds into itself, or not at all, never whole and after the countdown is over.
fxs_late() {
  start_sound_server
  FX_BEFORE=fxs_late_cue
  fx_row "$cue" whole
}
fxs_late_cue() {
  mw_click jm0 5
  sleep 0.3
  mw_click start
  sleep 1.5 # the cue is due at the tick that leaves 00:03, two seconds after the start
  kill -STOP "$E2E_SOUND_PID"
  sleep 2.5
  kill -CONT "$E2E_SOUND_PID"
  wait_until 10 mw_now_chrome_shown "$E2E_WORK/ended.png" || fx_fail "the countdown never ended"
  sleep 3 # whatever is still to come of the cue
  local heard
  heard=$(/usr/bin/python3 -c 'import array, sys
a = array.array("h", open(sys.argv[1], "rb").read())
loud = [i for i in range(0, len(a), 2) if abs(a[i]) > 64]
print("%.2f" % ((loud[-1] - loud[0]) / 88200 if loud else 0))' "$E2E_WORK/rec.raw")
  e2e_log "[$FX_ROW] the cue sounded for $heard s"
  awk -v s="$heard" 'BEGIN { exit !(s < 3.5) }' || fx_fail "the whole cue, $heard s, came late"
  : > "$E2E_WORK/rec.raw"
  mw_click reset
}

# A diagnostic that cannot be written is lost, never fatal.
fxs_stderr_gone() {
  FX_WRAP=(bash -c 'exec 2> >(exec true); wait $!; exec "$@"' bash)
  fx_row "$cue" whole
}

# The cue is heard from a home whose name is not UTF-8.
fxs_home_not_utf8() {
  local home=$E2E_WORK/home-$'\xe9'
  mkdir -m 700 "$home"
  start_sound_server
  fx_row "$home/.cache/$FX_CUE_NAME" whole fxs_wait_heard -u XDG_CACHE_HOME HOME="$home"
}
fxs_wait_heard() { wait_until 10 fxs_heard || fx_fail "the cue was never heard"; }

fxs_wedged() {
  [[ -x ${XR_MUTE_SERVER:-} ]] || fx_fail "XR_MUTE_SERVER is not set to a built program"
  "$XR_MUTE_SERVER" "$E2E_WORK/wedged" &
  e2e_track $!
  wait_until 10 test -S "$E2E_WORK/wedged" || fx_fail "the wedged server did not start"
  fx_row "$cue" whole "" PULSE_SERVER="unix:$E2E_WORK/wedged"
}

fxs_dies() {
  start_sound_server
  fx_row "$cue" whole fxs_kill_server
}

# Once the cue is heard, the server dies.
fxs_kill_server() {
  wait_until 10 fxs_heard || fx_fail "the cue never reached the sound server"
  kill -9 "$E2E_SOUND_PID"
  e2e_log "[$FX_ROW] sound server killed while the cue played"
}
fxs_heard() { [[ -n $(tr -d '\0' < "$E2E_WORK/rec.raw" | head -c 1) ]]; }

# A link clicked in the more-apps window with no URL opener at all, and with one that never
# returns; the opener stands in for a browser and tells on stderr that it ran.
scenario_faults_outside_programs() {
  fx_init
  start_xvfb
  local W=$E2E_WORK cue=$XDG_CACHE_HOME/$FX_CUE_NAME
  mkdir -p "$W/empty" "$W/hang"
  printf '#!/bin/sh\necho "xdg-open $$ $*" >&2\nexec sleep 120\n' > "$W/hang/xdg-open"
  chmod +x "$W/hang/xdg-open"
  FX_BEFORE=fxo_click_link
  fx_try no-opener fx_row "$cue" whole "" -u BROWSER PATH="$W/empty"
  fx_try opener-never-returns fx_row "$cue" whole "" PATH="$W/hang:$PATH"
  FX_BEFORE=
  fx_end
}

fxo_click_link() {
  local yylb before pid=
  mw_click more
  yylb=$(wait_window 应用列表)
  before=$(visible_windows)
  # shellcheck disable=SC2046
  click_client "$yylb" $(twips_centre 420 1200 2175 495)
  if [[ $FX_ROW == opener-never-returns ]]; then
    wait_until 10 grep -q '^xdg-open ' "$E2E_PROGRAM_ERR" || fx_fail "the opener never ran"
    pid=$(sed -n 's/^xdg-open \([0-9]*\) .*/\1/p' "$E2E_PROGRAM_ERR")
    e2e_track "$pid"
  fi
  sleep 1
  kill -0 "$FX_PID" || fx_fail "the program died when the link was clicked"
  [[ $(visible_windows) == "$before" ]] || fx_fail "the link showed a window"
  # The more-apps window stands over the main window's buttons: its 关 闭 takes it away.
  # shellcheck disable=SC2046
  click_client "$yylb" $(twips_centre 1560 4560 2055 495)
  wait_gone "$yylb"
  # That window answered while the opener hung; strace would wait for the opener to end.
  [[ -z $pid ]] || kill "$pid"
}

# The X server killed while the program is idle and while it counts: one line on stderr, a
# failure status, no crash.
scenario_faults_display() {
  fx_init
  fx_try server-killed-idle fxd_row
  fx_try server-killed-counting fxd_row count
  fx_try second-screen fxd_second_screen
  fx_end
}

# On the second of two X screens a start puts the pointer on the window's centre there, and the
# chrome and the pointer go after their rest.
fxd_second_screen() {
  XVFB_MORE_SCREENS=(-screen 1 1024x768x24)
  start_xvfb
  export DISPLAY=$DISPLAY.1
  launch "$XR_PROGRAM"
  mw_await
  E2E_SCREEN=1
  mw_click zjs
  mw_click start
  wait_until 5 mw_now_button_gone "$E2E_ARTIFACTS/running.png" || fx_fail "the clock did not start"
  local at
  at=$(xdotool getmouselocation)
  [[ $at == *"screen:1 "* ]] || fx_fail "the start took the pointer to another screen: $at"
  wait_until 8 bash -c '[[ $("$XR_XCURSOR") == blank* ]]' || fx_fail "the pointer never hid"
}

fxd_row() {
  FX_CUE=$XDG_CACHE_HOME/$FX_CUE_NAME
  mkdir -p "$E2E_ARTIFACTS/$FX_ROW"
  E2E_ARTIFACTS=$E2E_ARTIFACTS/$FX_ROW
  start_xvfb
  fx_launch
  mw_await
  if [[ -n ${1:-} ]]; then
    mw_click zjs
    mw_click start
    wait_until 5 mw_now_button_gone "$E2E_ARTIFACTS/running.png" ||
      fx_fail "the clock did not start"
  fi
  # What the program said before, about other things, is not counted.
  local lines
  lines=$(wc -l < "$E2E_PROGRAM_ERR")
  kill -9 "$XVFB_PID"
  wait_exit "$E2E_PROGRAM_PID" 15
  lines=$(($(wc -l < "$E2E_PROGRAM_ERR") - lines))
  e2e_log "[$FX_ROW] exit $EXIT_CODE, stderr: $(cat "$E2E_PROGRAM_ERR")"
  ((EXIT_CODE != 0 && EXIT_CODE < 128)) || fx_fail "the program ended with status $EXIT_CODE"
  ((lines == 1)) || fx_fail "$lines lines on stderr when the server went, not one"
  ! grep -qi "core dump" "$E2E_PROGRAM_ERR" || fx_fail "a core dump"
  fx_check_trace
}

# Near the limit on open files, with a sound server: a countdown runs to its end and the window
# grows with its face, at worst without its cue. One row a limit, the soft one below the hard.
scenario_faults_open_files() {
  fx_init
  start_xvfb
  local cue=$XDG_CACHE_HOME/$FX_CUE_NAME limit
  for limit in 12:12 14:14 16:16 17:17 18:18 20:20 24:24 17:4096; do
    fx_try "open-files-$limit" fxo_row "$limit"
  done
  fx_end
}
fxo_row() {
  start_sound_server
  FX_WRAP=(prlimit --nofile="$1" --)
  fx_row "$cue" whole-or-none
}
