# shellcheck shell=bash
# The program as a screen reader reads it: a session bus of the test's own with the
# accessibility bus on it, and a real AT-SPI client (a11y_client.py) reading and pressing.

scenario_accessibility() {
  [[ -r ${XR_CATALOGUE:-} && -x /usr/libexec/at-spi-bus-launcher ]] ||
    fail "needs XR_CATALOGUE and at-spi2-core"
  start_xvfb
  local socket=$E2E_WORK/session-bus
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$socket" 2> /dev/null &
  e2e_track $!
  wait_until 10 test -S "$socket" || fail "the session bus did not start"
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$socket
  /usr/libexec/at-spi-bus-launcher --launch-immediately 2> "$E2E_ARTIFACTS/at-spi.log" &
  e2e_track $!
  # The launcher names the accessibility bus on the root window once it is up.
  wait_until 10 bash -c "xprop -root AT_SPI_BUS | grep -q unix:" || fail "no accessibility bus"
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 launch "$XR_PROGRAM"
  mw_await
  timeout 120 /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/a11y_client.py" \
    "$XR_CATALOGUE" "$E2E_ARTIFACTS/tree.txt" "$MW_ID" || fail "the screen reader's view differs"
}
