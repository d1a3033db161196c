# shellcheck shell=bash
# A private X server for the end-to-end tests and the benchmarks, sourced by tests/e2e/lib.sh
# and bench/lib.sh; the one place that starts Xvfb.

XVFB_PID=
# More X screens beside the first, as Xvfb's arguments: (-screen 1 1024x768x24).
XVFB_MORE_SCREENS=()

# xvfb_start DIR [WAIT_S]: starts Xvfb, 1920x1080x24, no TCP, logging to DIR/xvfb.log; exports
# DISPLAY and sets XVFB_PID, which the caller ends with the rest of its run. XR_XVFB_DISPLAY
# (":N" or "N"), when set, is the display to take; a display already served is an error, never
# someone else's server reused. Unset, the server picks a free number itself (-displayfd), which
# no other run can take between the choice and the listening. -noreset: a server that resets
# when its last client leaves refuses the next one. Returns 1, with the reason on stderr and no
# server left behind, when the server does not answer within WAIT_S seconds (20 by default).
xvfb_start() {
  local dir=$1 wait_s=${2:-20} where=() fd number='' part
  command -v Xvfb > /dev/null || {
    echo "Xvfb is not installed (apt-get install xvfb)" >&2
    return 1
  }
  command -v xdpyinfo > /dev/null || {
    echo "xdpyinfo is not installed (apt-get install x11-utils)" >&2
    return 1
  }
  if [[ -n ${XR_XVFB_DISPLAY:-} ]]; then
    [[ ${XR_XVFB_DISPLAY#:} =~ ^[0-9]+$ ]] || {
      echo "XR_XVFB_DISPLAY is \"$XR_XVFB_DISPLAY\", not a display number" >&2
      return 1
    }
    where=(":${XR_XVFB_DISPLAY#:}")
  fi
  # A pipe the server writes its number to once it listens (with a display given too).
  exec {fd}<> <(:)
  Xvfb "${where[@]}" -displayfd "$fd" -screen 0 1920x1080x24 "${XVFB_MORE_SCREENS[@]}" \
    -noreset -nolisten tcp \
    > "$dir/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq $((wait_s * 10))); do
    # A read that times out keeps what it got of the line.
    if read -r -t 0.1 -u "$fd" part; then
      number+=$part
      break
    fi
    number+=$part
    kill -0 "$XVFB_PID" 2> /dev/null || break
  done
  exec {fd}<&-
  if [[ $number =~ ^[0-9]+$ ]] && kill -0 "$XVFB_PID" 2> /dev/null; then
    export DISPLAY=:$number
    # Belt and braces: the server answers before anything relies on it.
    for _ in $(seq 100); do
      xdpyinfo > /dev/null 2>&1 && return 0
      kill -0 "$XVFB_PID" 2> /dev/null || break
      sleep 0.05
    done
  fi
  echo "Xvfb did not start${number:+ on :$number}: $(cat "$dir/xvfb.log")" >&2
  kill "$XVFB_PID" 2> /dev/null || true
  wait "$XVFB_PID" 2> /dev/null || true
  XVFB_PID=
  return 1
}
