# shellcheck shell=bash
# shellcheck disable=SC2034  # WIN_*, PTR_* and EXIT_CODE are results for the scenarios
# Helpers for end-to-end tests of the real program on a private X server: no window manager, no
# sound server, nothing of the caller's session. Sourced by run_scenario.sh.
#
# Everything a test starts is recorded and ended by the EXIT trap, whatever way the test ends.
# Screenshots and other evidence stay in $E2E_ARTIFACTS (under the build directory).

set -euo pipefail
# shellcheck source=scripts/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"

# Generous limits: the machine is shared, and a late window is not a fault of the program.
E2E_WINDOW_TIMEOUT=${E2E_WINDOW_TIMEOUT:-20}

E2E_WORK=
E2E_PIDS=()
E2E_PROGRAM_PID=
E2E_PROGRAM_ERR=

# now_ms: milliseconds on the monotonic-enough wall clock, for logs and guards (never asserted).
now_ms() { echo $(($(date +%s%N) / 1000000)); }

e2e_log() { echo "[e2e $(date +%T.%N | cut -c1-12)] $*"; }

fail() {
  echo "FAIL: $*" >&2
  e2e_report
  exit 1
}

# Prints what the failing test saw: the program's stderr and where the screenshots are.
e2e_report() {
  if [[ -n $E2E_PROGRAM_ERR && -s $E2E_PROGRAM_ERR ]]; then
    echo "--- program stderr ---" >&2
    cat "$E2E_PROGRAM_ERR" >&2
    echo "----------------------" >&2
  fi
  if [[ -n ${E2E_ARTIFACTS:-} ]]; then
    echo "evidence kept in $E2E_ARTIFACTS:" >&2
    ls -1 "$E2E_ARTIFACTS" >&2 || true
  fi
}

e2e_cleanup() {
  local pid
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
    pid=${E2E_PIDS[i]}
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 1 40); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
      done
      kill -9 "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
  done
  [[ -n $E2E_WORK ]] && rm -rf "$E2E_WORK"
  return 0
}

# e2e_init ARTIFACT_DIR: a private, empty environment and the EXIT trap.
e2e_init() {
  E2E_ARTIFACTS=$1
  rm -rf "$E2E_ARTIFACTS"
  mkdir -p "$E2E_ARTIFACTS"
  E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/xr-e2e.XXXXXX")
  trap e2e_cleanup EXIT

  export HOME=$E2E_WORK/home
  export XDG_RUNTIME_DIR=$E2E_WORK/run
  export XDG_CONFIG_HOME=$HOME/.config
  export XDG_CACHE_HOME=$HOME/.cache
  export XDG_DATA_HOME=$HOME/.local/share
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$HOME" "$XDG_RUNTIME_DIR"
  mkdir -p "$XDG_CONFIG_HOME/pulse"
  # No sound server here, and a client must not start one of its own that outlives the test.
  echo "autospawn = no" > "$XDG_CONFIG_HOME/pulse/client.conf"
  unset DISPLAY WAYLAND_DISPLAY PULSE_SERVER PULSE_SINK DBUS_SESSION_BUS_ADDRESS
  unset QT_QPA_PLATFORM QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR
  unset QT_ENABLE_HIGHDPI_SCALING QT_FONT_DPI QT_STYLE_OVERRIDE QT_QPA_PLATFORMTHEME
  unset XDG_CURRENT_DESKTOP XDG_SESSION_TYPE DESKTOP_SESSION
  export LC_ALL=C.UTF-8
}

# e2e_track PID: ends PID with the test.
e2e_track() { E2E_PIDS+=("$1"); }

# start_xvfb: the private X server (scripts/xvfb.sh), ended with the test; exports DISPLAY.
start_xvfb() {
  xvfb_start "$E2E_WORK" "$E2E_WINDOW_TIMEOUT" || fail "no X server"
  e2e_track "$XVFB_PID"
  e2e_log "Xvfb on $DISPLAY"
}

# launch PROGRAM [ARGS...]: starts the program in the background on the private display.
launch() {
  E2E_PROGRAM_ERR=$E2E_ARTIFACTS/program.stderr
  "$@" > "$E2E_ARTIFACTS/program.stdout" 2> "$E2E_PROGRAM_ERR" &
  E2E_PROGRAM_PID=$!
  e2e_track "$E2E_PROGRAM_PID"
  e2e_log "started $(basename "$1") as pid $E2E_PROGRAM_PID"
}

# find_windows NAME: ids of the visible windows whose title is exactly NAME, one a line.
find_windows() {
  local ids
  ids=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true)
  [[ -n $ids ]] && echo "$ids"
  return 0
}

# wait_window NAME [TIMEOUT_S] [EXCEPT_ID...]: polls every 50 ms for a visible window titled
# NAME other than the EXCEPT ids; prints its id. (xdotool's own --sync polls every 500 ms.)
wait_window() {
  local name=$1 timeout=${2:-$E2E_WINDOW_TIMEOUT}
  shift $(($# >= 2 ? 2 : 1))
  local except=" $* " id
  for _ in $(seq 1 $((timeout * 20))); do
    for id in $(find_windows "$name"); do
      [[ $except == *" $id "* ]] && continue
      echo "$id"
      return 0
    done
    if [[ -n $E2E_PROGRAM_PID ]] && ! kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; then
      fail "the program exited while waiting for window \"$name\""
    fi
    sleep 0.05
  done
  # Whether the window was there but never shown, or not there at all.
  xwininfo -root -tree > "$E2E_ARTIFACTS/windows.txt" 2>&1 || true
  fail "no visible window \"$name\" within ${timeout}s"
}

# wait_gone ID [TIMEOUT_S]: polls until the window is no longer visible.
wait_gone() {
  local id=$1 timeout=${2:-$E2E_WINDOW_TIMEOUT}
  for _ in $(seq 1 $((timeout * 20))); do
    xdotool search --onlyvisible --name '' 2>/dev/null | grep -qx "$id" || return 0
    sleep 0.05
  done
  fail "window $id still visible after ${timeout}s"
}

# wait_until TIMEOUT_S COMMAND...: polls COMMAND every 100 ms until it succeeds; false when it
# never does.
wait_until() {
  local limit=$1
  shift
  for _ in $(seq 1 $((limit * 10))); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# window_geometry ID: sets WIN_X WIN_Y WIN_W WIN_H (the window's place on the screen). With no
# window manager the frame is the client area itself.
window_geometry() {
  local out
  out=$(xdotool getwindowgeometry --shell "$1") || fail "no geometry for window $1"
  WIN_X=$(sed -n 's/^X=//p' <<< "$out")
  WIN_Y=$(sed -n 's/^Y=//p' <<< "$out")
  WIN_W=$(sed -n 's/^WIDTH=//p' <<< "$out")
  WIN_H=$(sed -n 's/^HEIGHT=//p' <<< "$out")
  to_client_area "$1"
}

# assert_title ID TEXT: both title properties of the window, the one a window manager shows
# (_NET_WM_NAME) included, read from the X server, are exactly TEXT.
assert_title() {
  local prop got
  for prop in WM_NAME _NET_WM_NAME; do
    got=$(LC_ALL=C.UTF-8 xprop -id "$1" -notype "$prop" | sed -n 's/^[^=]* = "\(.*\)"$/\1/p')
    [[ $got == "$2" ]] || fail "$prop of window $1 is \"$got\", not \"$2\""
  done
}

# pointer_location: sets PTR_X PTR_Y.
pointer_location() {
  local out
  out=$(xdotool getmouselocation --shell)
  PTR_X=$(sed -n 's/^X=//p' <<< "$out")
  PTR_Y=$(sed -n 's/^Y=//p' <<< "$out")
}

# click_client ID X Y [COUNT]: clicks COUNT times at client coordinates of the window.
click_client() {
  local id=$1 x=$2 y=$3 count=${4:-1}
  window_geometry "$id"
  # xdotool moves on the first X screen unless told another (E2E_SCREEN).
  xdotool mousemove ${E2E_SCREEN:+--screen "$E2E_SCREEN"} $((WIN_X + x)) $((WIN_Y + y))
  xdotool click --repeat "$count" --delay 120 1
}

# shot ID|root FILE: a screenshot of the window's client area or of the whole screen.
shot() {
  local what=$1 file=$2
  if [[ $what == root ]]; then
    import -silent -window root "$file"
  else
    # import waits for ever on a window that has gone.
    timeout 20 import -silent -window "$what" "$file"
    client_inset "$what"
    ((INSET_L + INSET_T + INSET_R + INSET_B == 0)) ||
      convert "$file" -gravity NorthWest -chop "${INSET_L}x$INSET_T" \
        -gravity SouthEast -chop "${INSET_R}x$INSET_B" +repage "$file"
  fi
}

# crop IN X Y W H OUT
crop() { convert "$1" -crop "${4}x${5}+${2}+${3}" +repage "$6"; }

# twips_crop IN LEFT TOP WIDTH HEIGHT OUT [SCALE]: crop of a control given in twips at the design
# size, the window scaled by SCALE (1 by default).
twips_crop() {
  local s=${7:-1}
  crop "$1" $((${2} * s / 15)) $((${3} * s / 15)) $((${4} * s / 15)) $((${5} * s / 15)) "$6"
}

# pixels_differing A B [FUZZ%]: number of pixels in which two images of one size differ.
pixels_differing() {
  local out
  out=$(compare -metric AE -fuzz "${3:-0}%" "$1" "$2" null: 2>&1 || true)
  awk '{ printf "%d\n", $1 }' <<< "$out"
}

# pixels_unlike IMAGE COLOR [FUZZ%]: number of pixels farther than FUZZ from COLOR.
pixels_unlike() {
  local size
  size=$(identify -format '%wx%h' "$1")
  convert -size "$size" "xc:$2" "$E2E_WORK/solid.png"
  pixels_differing "$1" "$E2E_WORK/solid.png" "${3:-10}"
}

# pixel_color IMAGE X Y: the colour of one pixel as "srgb(r,g,b)".
pixel_color() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }

# dark_bbox IMAGE: "W H X Y" of the smallest box holding every dark pixel (below 50% grey);
# "0 0 0 0" when there is none.
dark_bbox() {
  local geometry
  geometry=$(convert "$1" -alpha off -colorspace Gray -threshold 50% -negate \
    -bordercolor black -border 1 -format '%@' info:)
  if [[ $geometry =~ ^([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)$ ]]; then
    local w=${BASH_REMATCH[1]} h=${BASH_REMATCH[2]} x=${BASH_REMATCH[3]} y=${BASH_REMATCH[4]}
    if ((w <= 1 && h <= 1)); then
      echo "0 0 0 0"
    else
      echo "$w $h $((x - 1)) $((y - 1))"
    fi
  else
    echo "0 0 0 0"
  fi
}

# red_pixels IMAGE: number of clearly red pixels (red high, green and blue low).
red_pixels() {
  convert "$1" -alpha off -fx 'r > 0.6 && g < 0.35 && b < 0.35 ? 1 : 0' \
    -format '%[fx:round(mean*w*h)]' info:
}

# dark_components IMAGE: the dark 8-connected pieces of ink (below 60% grey, at least 3 pixels),
# one "WxH area" a line.
dark_components() {
  convert "$1" -alpha off -colorspace Gray -threshold 60% \
    -define connected-components:verbose=true -connected-components 8 null: |
    awk '$NF ~ /gray\(0\)|black|srgb\(0,0,0\)/ && $(NF-1) + 0 >= 3 {
           split($2, g, "+"); print g[1], $(NF-1) + 0 }'
}

# cursor_state: "visible" or "blank", from the server's current pointer image.
cursor_state() {
  local out
  out=$("$XR_XCURSOR" 2>&1) || true
  echo "${out%% *}"
}

# wait_exit PID TIMEOUT_S: waits for the process to end; sets EXIT_CODE, or fails.
wait_exit() {
  local pid=$1 timeout=$2
  for _ in $(seq 1 $((timeout * 20))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$pid" 2>/dev/null && fail "process $pid still running after ${timeout}s"
  EXIT_CODE=0
  wait "$pid" || EXIT_CODE=$?
}

# no_chinese_fontconfig DIR: DIR/fonts.conf, the system's fonts less any that covers Chinese.
no_chinese_fontconfig() {
  mkdir -p "$1"
  cat > "$1/fonts.conf" << EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <cachedir>$1/cache</cachedir>
  <selectfont><rejectfont>
    <pattern><patelt name="charset"><charset><int>0x6B63</int></charset></patelt></pattern>
    <pattern><patelt name="lang"><string>zh-cn</string></patelt></pattern>
    <pattern><patelt name="lang"><string>zh-tw</string></patelt></pattern>
    <pattern><patelt name="lang"><string>ja</string></patelt></pattern>
  </rejectfont></selectfont>
</fontconfig>
EOF
}

# ---- A frame drawn inside the window's own X window (Wine's, with no window manager) ----
# XR_CLIENT_AREA, when set, is a command that the program's own toolkit answers:
#   CMD inset ID     prints "LEFT TOP RIGHT BOTTOM", how far the client area of the window with
#                    that X id lies inside the X window;
#   CMD resize ID W H  gives the client area that size (such a program may ignore a size set on
#                    its X window from outside).
# Unset, the X window is the client area.

# client_inset ID: sets INSET_L INSET_T INSET_R INSET_B; a window's inset is asked for once.
client_inset() {
  INSET_L=0 INSET_T=0 INSET_R=0 INSET_B=0
  [[ -n ${XR_CLIENT_AREA:-} ]] || return 0
  local cache=$E2E_WORK/inset-$1
  if [[ ! -s $cache ]]; then
    "$XR_CLIENT_AREA" inset "$1" | tr -d '\r' > "$cache.new" || fail "no client inset for window $1"
    mv "$cache.new" "$cache"
  fi
  read -r INSET_L INSET_T INSET_R INSET_B < "$cache"
  [[ $INSET_L$INSET_T$INSET_R$INSET_B =~ ^[0-9]+$ ]] || fail "client inset of $1: $(cat "$cache")"
}

# to_client_area ID: narrows WIN_X WIN_Y WIN_W WIN_H from the X window to the client area.
to_client_area() {
  client_inset "$1"
  WIN_X=$((WIN_X + INSET_L)) WIN_Y=$((WIN_Y + INSET_T))
  WIN_W=$((WIN_W - INSET_L - INSET_R)) WIN_H=$((WIN_H - INSET_T - INSET_B))
}

# resize_client ID W H: gives the window's client area that size.
resize_client() {
  if [[ -n ${XR_CLIENT_AREA:-} ]]; then
    "$XR_CLIENT_AREA" resize "$@" || fail "could not resize window $1"
  else
    xdotool windowsize "$@"
  fi
}

# start_cue_capture: what the program plays goes to $E2E_WORK/rec.raw, raw signed 16-bit
# little-endian stereo at 44,100 frames a second. XR_CUE_CAPTURE=alsa-file: ALSA's default device
# writes it there (Wine plays through ALSA when no sound server runs); otherwise a private
# PulseAudio's null sink is recorded (start_sound_server).
start_cue_capture() {
  if [[ ${XR_CUE_CAPTURE:-} == alsa-file ]]; then
    : > "$E2E_WORK/rec.raw"
    cat > "$HOME/.asoundrc" << EOF
pcm.!default { type plug slave { pcm "xr_file" format S16_LE rate 44100 channels 2 } }
pcm.xr_file { type file slave.pcm "null" file "$E2E_WORK/rec.raw" format "raw" }
EOF
  else
    start_sound_server
  fi
}

# ---- The fault matrix: shared checks of scenarios_faults.sh ----
# Each row starts the real program in a damaged setting and then holds it to the same promises:
# the window opens and scales, the clock keeps its seconds, nothing is written but the cue file,
# and no relative path is used. A row runs in a subshell of its own, so that one failing row
# does not hide how the others fare; rows that cannot be staged here are skipped, with the reason.

FX_ROW=    # the current row's name
FX_CUE=    # where the row's cue file goes; empty where it has nowhere to go
FX_SEEN=   # that file's directory as the test sees it afterwards (another, when a mount hid it)
FX_SETUP=  # commands run in a private mount namespace before the program; FX_AFTER after it
FX_AFTER=
FX_BEFORE= # a function run once the window is open, before the clock
FX_WRAP=() # a command that runs the program (its arguments follow), e.g. to set a limit
FX_TRACE=
FX_PID=    # the program itself (E2E_PROGRAM_PID is strace's, whose status is the program's)
FX_RESULTS=()
FX_FAILED=0

fx_fail() { fail "[$FX_ROW] $*"; }

# fx_init: a private working directory, in which any relative path the program uses would land.
fx_init() {
  strace -qq -o /dev/null true 2> /dev/null || fail "strace cannot trace a process here"
  mkdir -p "$E2E_WORK/cwd"
  cd "$E2E_WORK/cwd"
}

# fx_skip REASON: ends the row as skipped.
fx_skip() {
  e2e_log "SKIP [$FX_ROW]: $1"
  exit 77
}

# fx_can_unshare: whether a private mount namespace can be had (an unprivileged user namespace).
fx_can_unshare() { unshare -cm true 2> /dev/null; }

# fx_try NAME COMMAND...: runs one row in a subshell with its own processes; records the outcome.
# FX_ONLY=NAME in the environment runs that row alone.
fx_try() {
  [[ -z ${FX_ONLY:-} || $1 == "$FX_ONLY" ]] || return 0
  local rc
  # Not "( ... ) || rc=$?": that would switch off errexit for everything inside.
  set +e
  (
    set -e
    fx_in_row "$@"
  )
  rc=$?
  set -e
  case $rc in
    0) FX_RESULTS+=("$1: pass") ;;
    77) FX_RESULTS+=("$1: skipped") ;;
    *) FX_RESULTS+=("$1: FAIL") FX_FAILED=1 ;;
  esac
}

# fx_in_row NAME COMMAND...: the body of fx_try's subshell; what it sets stays there.
fx_in_row() {
  FX_ROW=$1 E2E_PIDS=() E2E_WORK=$E2E_WORK/row-$1
  mkdir -p "$E2E_WORK"
  trap e2e_cleanup EXIT
  e2e_log "row [$FX_ROW]"
  shift
  "$@"
}

# fx_end: prints the table; fails when a row did.
fx_end() {
  printf '  %s\n' "${FX_RESULTS[@]}"
  ((FX_FAILED == 0)) || fail "some rows failed (see above)"
}

# fx_launch ENVARG...: starts the program with env's arguments (-u NAME first, then NAME=VALUE)
# under strace, which records its file-system calls. As root it loses the capabilities that let root
# ignore permissions: an unwritable place is then unwritable to it, as to any user.
fx_launch() {
  FX_TRACE=$E2E_ARTIFACTS/trace
  local cmd=(strace -f -qq --seccomp-bpf -e trace=%file -o "$FX_TRACE"
    sh -c 'echo $$ >&3; exec 3>&- "$@"' sh env "$@" "${FX_WRAP[@]}" "$XR_PROGRAM")
  # shellcheck disable=SC2054  # one argument, commas and all
  ((EUID != 0)) || cmd=(setpriv --bounding-set=-dac_override,-dac_read_search,-fowner
    "${cmd[@]}")
  [[ -z $FX_SETUP ]] ||
    cmd=(unshare -cm sh -ec "$FX_SETUP"$'\nrc=0; "$@" || rc=$?\n'"${FX_AFTER:-:}"$'\nexit $rc' \
      sh "${cmd[@]}")
  : > "$E2E_WORK/pid"
  exec 3> "$E2E_WORK/pid"
  launch "${cmd[@]}"
  exec 3>&-
  wait_until 20 test -s "$E2E_WORK/pid" || fx_fail "the program never started"
  FX_PID=$(< "$E2E_WORK/pid")
  e2e_track "$FX_PID"
}

# fx_clock [HOOK]: a countdown from 00:04 ends at 00:00, red, four seconds after its start (the
# bounds are generous: a late look is not a slow clock, but a stalled one is caught); HOOK runs
# once the clock runs. Then, at twice the window's size, the face is twice as large.
fx_clock() {
  local A=$E2E_ARTIFACTS t0 ms small big
  mw_settled_shot "$A/design.png"
  mw_caption_ink "$A/design.png" "$E2E_WORK/caption-start.png"
  mw_crop "$A/design.png" m0 "$E2E_WORK/m0.png"
  mw_click jm0 4
  wait_until 5 mw_fresh_cell_differs m0 "$E2E_WORK/m0.png" ||
    fx_fail "the + adjuster did nothing"
  sleep 0.3
  mw_click start
  t0=$(now_ms)
  wait_until 5 mw_now_button_gone "$A/running.png" || fx_fail "the start had no effect in 5 s"
  [[ -z ${1:-} ]] || "$1"
  wait_until 20 mw_now_caption "$A/end.png" "$E2E_WORK/caption-start.png" ||
    fx_fail "a countdown from 00:04 had not ended after 20 s"
  ms=$(($(now_ms) - t0))
  e2e_log "[$FX_ROW] the countdown from 00:04 was seen over after $ms ms"
  ((ms >= 3500 && ms <= 9000)) || fx_fail "a countdown from 00:04 took $ms ms"
  mw_settled_shot "$A/end.png"
  mw_face_reads_design "$A/end.png" "$A/design.png" || fx_fail "the face does not read 00:00"
  (($(mw_red_face "$A/end.png") > 1000)) || fx_fail "the face is not red at 00:00"

  mw_crop "$A/end.png" face "$E2E_WORK/face1.png"
  small=$(dark_bbox "$E2E_WORK/face1.png")
  resize_client "$MW_ID" 1040 726
  wait_until 10 mw_now_face_bbox_not "$A/double.png" "$small" 2 || fx_fail "the face did not scale"
  mw_settled_shot "$A/double.png"
  mw_crop "$A/double.png" face "$E2E_WORK/face2.png" 2
  big=$(dark_bbox "$E2E_WORK/face2.png")
  awk -v s="$small" -v b="$big" 'BEGIN { split(s, a); split(b, c); if (a[1] * a[2] == 0) exit 1
    rw = c[1] / a[1]; rh = c[2] / a[2]
    exit !(rw >= 1.8 && rw <= 2.2 && rh >= 1.8 && rh <= 2.2) }' ||
    fx_fail "face ink $small became $big at twice the window's size"
}

# fx_paths [WRITES]: the trace's file-system calls as "CALL PATH" (PATH in the program's bytes);
# with WRITES only those that write. Calls relative to another directory's descriptor are left
# out, and so is all before the program itself starts (the shell and env that lead to it) and
# all that the programs it runs do.
fx_paths() {
  local calls='mkdir|mkdirat|unlink|unlinkat|rename|renameat|renameat2|link|linkat|symlink|'
  calls+='symlinkat|chmod|fchmodat|chown|lchown|fchownat|truncate|utime|utimes|utimensat|'
  calls+='mknod|mknodat'
  # getcwd's path is what it returns, not what it is given.
  local keep='^[0-9]+ +[a-z]' drop='^[0-9]+ +getcwd\('
  if [[ -n ${1:-} ]]; then
    keep="^[0-9]+ +(($calls)\(|(open|openat|openat2|creat)\(.*"
    keep+="(O_WRONLY|O_RDWR|O_CREAT|O_TRUNC))"
    drop='= -1 E[A-Z]+ \(' # what failed wrote nothing
  fi
  awk -v exe="execve(\"$XR_PROGRAM\"" '
    seen && $2 ~ /^execve\(/ && index($0, exe) == 0 { other[$1] = 1 }
    seen && !($1 in other); index($0, exe) { seen = 1 }' "$FX_TRACE" |
    grep -E "$keep" | grep -vE "$drop" |
    sed -nE 's/^[0-9]+ +([a-z0-9_]+)\((AT_FDCWD, )?"(([^"\\]|\\.)*)".*/\1 \3/p' |
    while read -r call path; do printf '%s %b\n' "$call" "$path"; done
}

# fx_check_trace: nothing written but in the cue file's own directory, the making of that
# directory and its parents, the session's runtime directory and the sound client's cookie (the
# sound server's client library keeps its own files there, whatever program uses it); no path
# relative to, or inside, the working directory ever used.
fx_check_trace() {
  local dir=${FX_CUE%/*} call path bad=0
  while read -r call path; do
    echo "[$FX_ROW] relative or working-directory path: $call $path" >&2
    bad=1
  done < <(fx_paths | awk -v cwd="$PWD" '$2 !~ /^\// || $2 == cwd || index($2, cwd "/") == 1')
  while read -r call path; do
    [[ -n $FX_CUE && ($path == "$dir"/* || ($call == mkdir* && $dir/ == "$path"/*)) ]] && continue
    [[ $path == /dev/null || $path == "$XDG_RUNTIME_DIR" || $path == "$XDG_RUNTIME_DIR"/* ||
      $path == "$XDG_CONFIG_HOME/pulse/cookie" ]] && continue
    echo "[$FX_ROW] wrote outside the cue file: $call $path" >&2
    bad=1
  done < <(fx_paths writes)
  ((bad == 0)) || fx_fail "file-system calls out of bounds (trace: $FX_TRACE)"
}

# fx_check_cue whole|none|whole-or-none: the cue file is the embedded sound byte for byte, or no
# regular file is there; either way nothing else is left in its directory.
fx_check_cue() {
  [[ -n $FX_CUE ]] || return 0
  local file=${FX_SEEN:-${FX_CUE%/*}}/${FX_CUE##*/} other
  if [[ -f $file && ! -L $file ]]; then
    [[ $1 != none ]] || fx_fail "a cue file of $(stat -c %s "$file") bytes where none should be"
    cmp -s "$file" "$XR_CUE_WAV" || fx_fail "the cue file is not whole: $(stat -c %s "$file") bytes"
  else
    [[ $1 != whole ]] || fx_fail "no cue file at $file"
  fi
  other=$(find "${file%/*}" -mindepth 1 -maxdepth 1 ! -name "${file##*/}" 2> /dev/null || true)
  [[ -z $other ]] || fx_fail "left in the cue directory: $other"
}

# fx_row CUE WANT [HOOK [ENVARG...]]: one whole row: open, FX_BEFORE, the clock (HOOK once it
# runs), close, then the trace and the cue file (fx_check_cue WANT).
fx_row() {
  FX_CUE=$1
  local want=$2 hook=${3:-}
  shift $(($# < 3 ? $# : 3))
  mkdir -p "$E2E_ARTIFACTS/$FX_ROW"
  E2E_ARTIFACTS=$E2E_ARTIFACTS/$FX_ROW
  fx_launch "$@"
  mw_await
  [[ -z $FX_BEFORE ]] || "$FX_BEFORE"
  fx_clock "$hook"
  "$XR_XCLOSE" "$MW_ID" || fx_fail "could not ask the main window to close"
  wait_exit "$E2E_PROGRAM_PID" 15
  ((EXIT_CODE == 0)) || fx_fail "the program ended with status $EXIT_CODE"
  fx_check_trace
  fx_check_cue "$want"
}
