#!/usr/bin/env bash
# The Windows program as a screen reader reads it through MSAA under Wine: msaa_client, in the
# program's own Wine session, reads and presses it, listens to what it is told and closes it.
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
launch "$XR_PROGRAM"
wait_window 岫然计时器 > /dev/null
"$XR_READER" > "$E2E_ARTIFACTS/reader.txt" 2>&1 || {
  cat "$E2E_ARTIFACTS/reader.txt" >&2
  fail "the screen reader's view differs"
}
cat "$E2E_ARTIFACTS/reader.txt"
wait_exit "$E2E_PROGRAM_PID" 30
((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE after the reader closed the window"
