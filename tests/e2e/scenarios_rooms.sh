# shellcheck shell=bash
# The program where nobody touches it for long, or touches only its keyboard: X's screen saver set
# to a few seconds, a desktop's idle inhibitor stood in for on a private session bus, and a user
# with no pointer.

# rooms_saver_on: whether X's screen saver has blanked the display.
rooms_saver_on() { "$XR_XSAVER" > /dev/null; }

# rooms_key KEY...: keys typed into the main window, one at a time.
rooms_key() { xdotool key --window "$MW_ID" --delay 60 "$@" 2> /dev/null; }

# rooms_count_up: from the first showing, count up with the keyboard alone (the selector is the
# fourth stop, the run button the first) and wait until the run has hidden the controls.
rooms_count_up() {
  rooms_key Tab Tab Tab space shift+Tab shift+Tab shift+Tab "${1:-Return}"
  wait_until 5 mw_now_button_gone "$E2E_WORK/running.png" || fail "the keyboard did not start"
}

# rooms_wake_and_pause: the pointer brings the controls back; Space then pauses.
rooms_wake_and_pause() {
  xdotool mousemove_relative 5 5
  wait_until 5 mw_now_chrome_shown "$E2E_WORK/woken.png" || fail "the pointer did not wake"
  rooms_key space
}

scenario_screen_kept_awake() {
  [[ -x ${XR_XSAVER:-} ]] || fail "XR_XSAVER is not set to a built program"
  start_xvfb
  xset s 3 0
  # No session bus at all: the clock runs and nothing is said about it.
  unset DBUS_SESSION_BUS_ADDRESS
  mw_open
  rooms_count_up
  local end=$(($(now_ms) + 12000))
  while (($(now_ms) < end)); do
    ! rooms_saver_on || fail "the display blanked while the clock ran"
    sleep 0.25
  done
  rooms_wake_and_pause
  wait_until 8 rooms_saver_on || fail "the display never blanked once the clock was paused"
  [[ ! -s $E2E_PROGRAM_ERR ]] || fail "the program wrote to stderr: $(head -c 300 "$E2E_PROGRAM_ERR")"
}

# One row a desktop: which inhibitor serves the bus, and what the program does to it.
scenario_screen_inhibitors() {
  local kind socket log
  for kind in screensaver portal; do
    start_xvfb
    socket=$E2E_WORK/bus-$kind log=$E2E_ARTIFACTS/inhibitor-$kind.log
    dbus-daemon --session --nofork --nopidfile --address="unix:path=$socket" 2> /dev/null &
    e2e_track $!
    wait_until 10 test -S "$socket" || fail "[$kind] the session bus did not start"
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$socket
    /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/inhibitor_standin.py" "$kind" "$log" \
      2> "$E2E_ARTIFACTS/standin-$kind.err" &
    e2e_track $!
    wait_until 10 grep -qx ready "$log" || fail "[$kind] the stand-in did not start"
    mw_open
    rooms_count_up
    wait_until 10 grep -qx inhibit "$log" || fail "[$kind] no inhibition while the clock ran"
    rooms_wake_and_pause
    wait_until 10 grep -qx release "$log" || fail "[$kind] the inhibition outlived the pause"
    # Started again, then ended as a session ends a program: let go on the way out.
    rooms_key space
    wait_until 10 bash -c "[[ \$(grep -cx inhibit '$log') == 2 ]]" ||
      fail "[$kind] no inhibition for the second run"
    kill -TERM "$E2E_PROGRAM_PID"
    wait_exit "$E2E_PROGRAM_PID" 10
    wait_until 10 bash -c "[[ \$(grep -cx release '$log') == 2 ]]" ||
      fail "[$kind] SIGTERM left the inhibition behind: $(tr '\n' ' ' < "$log")"
    [[ $(tr '\n' ' ' < "$log") == "ready inhibit release inhibit release " ]] ||
      fail "[$kind] the inhibitor saw: $(tr '\n' ' ' < "$log")"
  done
}

# A user without a pointer sets 00:05 and counts down with Tab, Space and Enter alone; after the
# pointer brings the controls back during a run, Space pauses rather than pressing whatever the
# hidden focus had moved on to.
scenario_keyboard_only() {
  start_xvfb
  mw_open
  mw_settled_shot "$E2E_WORK/design.png"
  mw_crop "$E2E_WORK/design.png" m0 "$E2E_WORK/m0-design.png"
  # 开 始, 重 置, 更多应用, 正计时, 倒计时, then the "+" row: the seconds' units are the ninth stop.
  rooms_key Tab Tab Tab Tab Tab Tab Tab Tab space space space Return space
  wait_until 5 mw_fresh_cell_differs m0 "$E2E_WORK/m0-design.png" ||
    fail "Space and Enter on the seconds' \"+\" changed nothing"
  mw_settled_shot "$E2E_WORK/set.png"
  mw_crop "$E2E_WORK/set.png" m0 "$E2E_WORK/m0-set.png"
  rooms_key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space
  wait_until 5 mw_now_button_gone "$E2E_WORK/running.png" || fail "Space on 开 始 did not start"
  wait_until 5 mw_fresh_cell_differs m0 "$E2E_WORK/m0-set.png" || fail "the countdown did not run"
  # 00:05 runs out: the controls come back by themselves, and the focus with them.
  wait_until 10 mw_now_chrome_shown "$E2E_WORK/ended.png" || fail "the countdown never ended"
  rooms_count_up space
  rooms_wake_and_pause
  # Only a stopped clock settles: a running one blinks its colon.
  mw_settled_shot "$E2E_WORK/paused.png"
  [[ -z $(find_windows 应用列表) ]] || fail "Space after the pointer's wake opened the more-apps window"
}
