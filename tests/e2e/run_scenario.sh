#!/usr/bin/env bash
# Runs one end-to-end scenario of the real program.
#
#   run_scenario.sh SCENARIO ARTIFACT_DIR
#
# A scenario is a shell function scenario_NAME in one of the scenarios_*.sh files next to this
# script; the build registers one ctest test (e2e_NAME) per function found there, so a new group
# of scenarios, such as the companion windows', only needs a new file: its functions can open
# the program with mw_open and press 更多应用 with `mw_click more` (scenarios_main_window.sh),
# then wait_window for the new window's title. Paths come from the environment:
#   XR_PROGRAM   the program          XR_XCURSOR  pointer-image helper   XR_XCLOSE  close helper
#   XR_SOURCE_DIR  the source tree (docs/ is written there with XR_UPDATE_SCREENSHOTS=1)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$here/lib.sh"
for file in "$here"/scenarios_*.sh; do
  # shellcheck disable=SC1090
  source "$file"
done

if [[ $# -ne 2 ]]; then
  echo "usage: $0 SCENARIO ARTIFACT_DIR" >&2
  exit 2
fi
scenario=$1
if ! declare -F "scenario_$scenario" > /dev/null; then
  echo "unknown scenario: $scenario" >&2
  exit 2
fi
for var in XR_PROGRAM XR_XCURSOR XR_XCLOSE; do
  [[ -n ${!var:-} && -x ${!var} ]] || {
    echo "$var is not set to a built program" >&2
    exit 2
  }
done

e2e_init "$2"
"scenario_$scenario"
e2e_log "PASS: $scenario"
