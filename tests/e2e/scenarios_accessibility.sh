# shellcheck shell=bash
# The program as a screen reader reads it: a private session bus and the accessibility bus on
# the private X server, and a real AT-SPI client (pyatspi) reading and pressing the controls.
# Sourced by run_scenario.sh after lib.sh.

# start_a11y_bus: a session bus of the test's own and the accessibility bus on it.
start_a11y_bus() {
  command -v dbus-daemon > /dev/null || fail "dbus-daemon is not installed"
  [[ -x /usr/libexec/at-spi-bus-launcher ]] || fail "at-spi2-core is not installed"
  local socket=$E2E_WORK/session-bus
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$socket" \
    > "$E2E_WORK/dbus.log" 2>&1 &
  e2e_track $!
  wait_until 10 test -S "$socket" || fail "the session bus did not start"
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$socket
  /usr/libexec/at-spi-bus-launcher --launch-immediately > "$E2E_WORK/at-spi.log" 2>&1 &
  e2e_track $!
  # The launcher names the accessibility bus on the X root window once it is up.
  wait_until 10 bash -c "xprop -root AT_SPI_BUS | grep -q unix:" ||
    fail "the accessibility bus did not start: $(cat "$E2E_WORK/at-spi.log")"
}

scenario_accessibility() {
  [[ -r ${XR_CATALOGUE:-} ]] || fail "XR_CATALOGUE does not name the catalogue file"
  start_xvfb
  start_a11y_bus
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 launch "$XR_PROGRAM"
  mw_await
  timeout 120 /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/a11y_client.py" \
    "$XR_CATALOGUE" "$E2E_ARTIFACTS/tree.txt" ||
    fail "the screen reader's view differs (tree so far in $E2E_ARTIFACTS)"
  e2e_log "tree read: $E2E_ARTIFACTS/tree.txt"
}
