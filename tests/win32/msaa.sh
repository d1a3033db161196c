#!/usr/bin/env bash
# The Windows program as a screen reader reads it through MSAA under Wine: msaa_client, in the
# program's own Wine session, reads and presses it, listens to what it is told and closes it;
# then, in a second session, the keyboard alone sets and starts a countdown.
#
#   msaa.sh ARTIFACT_DIR    (XR_PROGRAM and XR_READER: the program and the client, as ctest sets)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/lib.sh
source "$here/../e2e/lib.sh"

e2e_init "$1"
# Wine's first start in a prefix is slow; that is not the program's.
E2E_WINDOW_TIMEOUT=60
start_xvfb
# Wine's SetThreadExecutionState only notes the state it is asked for, in its warnings: the
# program's stderr is the one place to read what it asked for.
launch env WINEDEBUG=-all,warn+ntdll "$XR_PROGRAM"
wait_window 岫然计时器 > /dev/null
"$XR_READER" > "$E2E_ARTIFACTS/reader.txt" 2>&1 || {
  cat "$E2E_ARTIFACTS/reader.txt" >&2
  fail "the screen reader's view differs"
}
cat "$E2E_ARTIFACTS/reader.txt"
wait_exit "$E2E_PROGRAM_PID" 30
((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE after the reader closed the window"
# The reader started the clock, paused it and closed the window: display and system held once,
# let go once.
held=$(sed -n 's/.*NtSetThreadExecutionState (\(0x[0-9a-f]*\).*/\1/p' "$E2E_PROGRAM_ERR" | paste -sd' ')
[[ $held == "0x80000003 0x80000000" ]] || fail "execution states asked for: ${held:-none}"

launch "$XR_PROGRAM"
wait_window 岫然计时器 > /dev/null
"$XR_READER" keys > "$E2E_ARTIFACTS/keys.txt" 2>&1 || {
  cat "$E2E_ARTIFACTS/keys.txt" >&2
  fail "the keyboard did not set and start the countdown"
}
wait_exit "$E2E_PROGRAM_PID" 30
((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE after the keyboard's countdown"
