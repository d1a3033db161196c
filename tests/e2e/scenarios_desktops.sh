# shellcheck shell=bash
# Scenarios of the program on the desktops people run: a Wayland compositor with and without its
# X server, a real window manager, and scaled screens. Each starts its own compositor, window
# manager or X server; none depends on what the machine runs. Sourced by run_scenario.sh after
# lib.sh and the main window's scenarios.

# start_weston [--xwayland]: a headless Wayland compositor on a socket of its own; with its X
# server (XWayland) on DISPLAY when asked, with no DISPLAY otherwise.
start_weston() {
  command -v weston > /dev/null || fail "weston is not installed"
  local log=$E2E_WORK/weston.log
  unset DISPLAY
  weston --backend=headless-backend.so --socket=xr-wayland --width=1920 --height=1080 \
    --idle-time=0 "$@" > "$log" 2>&1 &
  e2e_track $!
  wait_until 20 test -S "$XDG_RUNTIME_DIR/xr-wayland" || fail "weston did not start: $(tail -3 "$log")"
  export WAYLAND_DISPLAY=xr-wayland
  [[ ${1:-} == --xwayland ]] || return 0
  wait_until 20 grep -q "xserver listening on display" "$log" || fail "weston started no X server"
  DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log" | head -1)
  export DISPLAY
}

# desk_wayland_row xwayland|wayland: the program in a Wayland session; with XWayland it must
# open its window on the X server, without it run on Wayland and say so in one line. Either
# way it leaves with status 0 when the session asks it to end.
desk_wayland_row() {
  local err=$E2E_ARTIFACTS/$1.stderr lines
  if [[ $1 == xwayland ]]; then start_weston --xwayland; else start_weston; fi
  launch "$XR_PROGRAM"
  if [[ $1 == xwayland ]]; then
    MW_ID=$(wait_window "$MW_TITLE")
    assert_title "$MW_ID" "$MW_TITLE"
  else
    wait_until 20 test -s "$E2E_PROGRAM_ERR" || fx_fail "nothing said on stderr on Wayland"
    sleep 1
  fi
  kill -0 "$E2E_PROGRAM_PID" || fx_fail "the program did not keep running"
  kill -TERM "$E2E_PROGRAM_PID"
  wait_exit "$E2E_PROGRAM_PID" 15
  cp "$E2E_PROGRAM_ERR" "$err"
  lines=$(grep -c . "$err" || true)
  e2e_log "[$1] exit $EXIT_CODE, stderr: $(cat "$err")"
  ((EXIT_CODE == 0)) || fx_fail "the program ended with status $EXIT_CODE"
  if [[ $1 == xwayland ]]; then
    ((lines == 0)) || fx_fail "$lines lines on stderr on the X server"
  else
    if ((lines != 1)) || ! grep -q "running on Wayland" "$err"; then
      fx_fail "expected one line about Wayland on stderr, saw $lines"
    fi
  fi
}

scenario_wayland() {
  local row
  for row in xwayland wayland; do fx_try "$row" desk_wayland_row "$row"; done
  fx_end
}

# ---- A real window manager ----

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; }

# start_openbox: openbox manages the private X server from now on.
start_openbox() {
  command -v openbox > /dev/null || fail "openbox is not installed"
  openbox --sm-disable > "$E2E_WORK/openbox.log" 2>&1 &
  e2e_track $!
  wait_until 20 wm_running ||
    fail "openbox did not take the screen: $(cat "$E2E_WORK/openbox.log")"
}

# frame_geometry ID: sets CL_X CL_Y CL_W CL_H (the client area, as xwininfo places it) and
# FR_X FR_Y FR_W FR_H (the window manager's frame round it, from _NET_FRAME_EXTENTS).
frame_geometry() {
  local info ext l=0 r=0 t=0 b=0
  info=$(xwininfo -id "$1") || fail "no window $1"
  CL_X=$(awk '/Absolute upper-left X/ { print $NF }' <<< "$info")
  CL_Y=$(awk '/Absolute upper-left Y/ { print $NF }' <<< "$info")
  CL_W=$(awk '/^ *Width:/ { print $NF }' <<< "$info")
  CL_H=$(awk '/^ *Height:/ { print $NF }' <<< "$info")
  ext=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')
  [[ -n $ext ]] && IFS=, read -r l r t b <<< "$ext"
  FR_X=$((CL_X - l)) FR_Y=$((CL_Y - t)) FR_W=$((CL_W + l + r)) FR_H=$((CL_H + t + b))
}

# frame_is ID W H, client_is ID W H: whether the frame, or the client area, has that size.
frame_is() {
  frame_geometry "$1"
  ((FR_W == $2 && FR_H == $3))
}
client_is() {
  frame_geometry "$1"
  ((CL_W == $2 && CL_H == $3))
}

# shown_again ID: whether the window is among the visible ones.
shown_again() { xdotool search --onlyvisible --name '' 2> /dev/null | grep -qx "$1"; }

# frame_centred ID: whether the frame stands in the middle of the 1920x1080 screen.
frame_centred() {
  frame_geometry "$1"
  ((FR_X == (1920 - FR_W) / 2 && FR_Y == (1080 - FR_H) / 2))
}

# ob_click ID X Y [COUNT]: clicks at client coordinates, wherever the frame puts the client.
ob_click() {
  frame_geometry "$1"
  xdotool mousemove $((CL_X + $2)) $((CL_Y + $3))
  xdotool click --repeat "${4:-1}" --delay 120 1
}

# mw_scaled_ink SHOT NAME SX SY: "W H X Y" of the ink in the control's box, the window scaled
# by SX and SY.
mw_scaled_ink() {
  local l t w h
  read -r l t w h <<< "${MW_RECT[$2]}"
  read -r l t w h < <(awk -v l="$l" -v t="$t" -v w="$w" -v h="$h" -v x="$3" -v y="$4" \
    'BEGIN { printf "%d %d %d %d\n", l * x / 15, t * y / 15, w * x / 15, h * y / 15 }')
  crop "$1" "$l" "$t" "$w" "$h" "$E2E_WORK/scaled.png"
  dark_bbox "$E2E_WORK/scaled.png"
}

# mw_now_like FILE REFERENCE: whether the window looks as in REFERENCE; the shading of its
# buttons may follow whether the window manager has it active, its layout may not.
mw_now_like() {
  mw_shot "$1"
  [[ $(pixels_differing "$1" "$2" 10) == 0 ]]
}

# The main window under openbox: centred with its frame, the pointer on the frame's centre at a
# start, maximised with a scaled face, minimised and restored to the same picture; the
# companion windows with their titles and sizes.
scenario_openbox() {
  local A=$E2E_ARTIFACTS
  start_xvfb
  start_openbox
  mw_open
  assert_title "$MW_ID" "$MW_TITLE"
  wait_until 5 frame_centred "$MW_ID" ||
    fail "frame ${FR_W}x$FR_H at $FR_X,$FR_Y is not centred on the screen"
  ((CL_W == 520 && CL_H == 363)) || fail "client area ${CL_W}x$CL_H, designed 520x363"
  e2e_log "frame ${FR_W}x$FR_H at $FR_X,$FR_Y round the client at $CL_X,$CL_Y"

  # A count-up start puts the pointer on the frame's centre.
  # shellcheck disable=SC2046
  ob_click "$MW_ID" $(mw_centre zjs)
  sleep 0.3
  # shellcheck disable=SC2046
  ob_click "$MW_ID" $(mw_centre start)
  wait_until 5 mw_now_button_gone "$A/running.png" || fail "the start did not hide the button"
  pointer_location
  local want_x=$((FR_X + FR_W / 2)) want_y=$((FR_Y + FR_H / 2))
  e2e_log "pointer at $PTR_X,$PTR_Y after the start; frame centre $want_x,$want_y"
  [[ $PTR_X == "$want_x" && $PTR_Y == "$want_y" ]] ||
    fail "the pointer landed at $PTR_X,$PTR_Y, not on the frame's centre $want_x,$want_y"
  # Back over the hidden button, which shows again with the pointer moving, and pause.
  local bx by
  read -r bx by <<< "$(mw_centre start)"
  xdotool mousemove $((CL_X + bx)) $((CL_Y + by))
  wait_until 5 mw_now_chrome_shown "$A/moved.png" || fail "the controls did not come back"
  xdotool click 1
  xdotool mousemove 5 1075
  mw_settled_shot "$A/normal.png"

  # Maximised by the title bar, the window fills the screen and the face scales with it.
  local design_ink max_ink sx sy
  design_ink=$(mw_scaled_ink "$A/normal.png" f1 1 1)
  xdotool mousemove $((FR_X + FR_W / 2)) $((FR_Y + (CL_Y - FR_Y) / 2)) click --repeat 2 --delay 80 1
  xdotool mousemove 5 1075
  wait_until 10 frame_is "$MW_ID" 1920 1080 ||
    fail "maximised, the frame is ${FR_W}x$FR_H at $FR_X,$FR_Y"
  mw_settled_shot "$A/maximised.png"
  sx=$(awk -v w="$CL_W" 'BEGIN { print w / 520 }')
  sy=$(awk -v h="$CL_H" 'BEGIN { print h / 363 }')
  max_ink=$(mw_scaled_ink "$A/maximised.png" f1 "$sx" "$sy")
  e2e_log "client ${CL_W}x$CL_H maximised; ink of f1 $design_ink became $max_ink"
  awk -v d="$design_ink" -v m="$max_ink" -v sy="$sy" 'BEGIN { split(d, a); split(m, b)
    exit !(a[2] > 0 && b[2] / a[2] > 0.9 * sy && b[2] / a[2] < 1.1 * sy) }' ||
    fail "the digit's ink $design_ink did not grow with the window's height ($max_ink, x$sy)"

  # Restored, then minimised and restored: the same window, pixel for pixel.
  xdotool mousemove $((FR_X + FR_W / 2)) $((FR_Y + (CL_Y - FR_Y) / 2)) click --repeat 2 --delay 80 1
  xdotool mousemove 5 1075
  wait_until 10 client_is "$MW_ID" 520 363 ||
    fail "restored, the client is ${CL_W}x$CL_H"
  wait_until 10 mw_now_like "$A/restored.png" "$A/normal.png" ||
    fail "restored from maximised, the window differs ($A/restored.png)"
  xdotool windowminimize "$MW_ID"
  wait_gone "$MW_ID"
  xdotool windowactivate "$MW_ID"
  wait_until 10 shown_again "$MW_ID" || fail "the window did not come back from minimised"
  wait_until 10 mw_now_like "$A/unminimised.png" "$A/normal.png" ||
    fail "minimised and restored, the window differs ($A/unminimised.png)"

  # The companion windows, framed, with their own titles and client sizes.
  local yylb lxzz
  # shellcheck disable=SC2046
  ob_click "$MW_ID" $(mw_centre more)
  yylb=$(wait_window 应用列表)
  assert_title "$yylb" 应用列表
  frame_geometry "$yylb"
  ((CL_W == 531 && CL_H == 366)) || fail "more-apps client is ${CL_W}x$CL_H, not 531x366"
  ((FR_H > CL_H)) || fail "the more-apps window has no frame"
  ob_click "$yylb" $(((4680 + 1935 / 2) / 15)) $(((4560 + 495 / 2) / 15))
  lxzz=$(wait_window 联系作者)
  assert_title "$lxzz" 联系作者
  frame_geometry "$lxzz"
  ((CL_W == 720 && CL_H == 404)) || fail "contact client is ${CL_W}x$CL_H, not 720x404"
  "$XR_XCLOSE" "$MW_ID" || fail "could not ask the main window to close"
  wait_exit "$E2E_PROGRAM_PID" 10
  ((EXIT_CODE == 0)) || fail "the program ended with status $EXIT_CODE"
}

# ---- Scaled screens ----

# edge_band IMAGE: pixels of the glyphs' smoothed edges (grey between 20% and 80%) per hundred
# pixels of ink. A glyph drawn at the screen's resolution has edges a pixel wide; one drawn
# small and enlarged has edges as wide as the enlargement.
edge_band() {
  local band ink
  band=$(convert "$1" -alpha off -colorspace Gray -fx 'u > 0.2 && u < 0.8 ? 1 : 0' \
    -format '%[fx:round(mean * w * h)]' info:)
  ink=$(convert "$1" -alpha off -colorspace Gray -threshold 50% -negate \
    -format '%[fx:round(mean * w * h)]' info:)
  awk -v b="$band" -v i="$ink" 'BEGIN { printf "%.1f\n", (i > 0 ? 100 * b / i : 999) }'
}

# rmse A B: the root-mean-square difference of two images of one size, in quantum units.
rmse() {
  local out
  out=$(compare -metric RMSE "$1" "$2" null: 2>&1 || true)
  awk '{ print $1 + 0 }' <<< "$out"
}

# desk_scaled_row SCALE: at QT_SCALE_FACTOR SCALE the window has SCALE times the design's
# pixels, its digit is drawn as the unscaled program draws it in a window of that many pixels
# (as sharp and as large), and a start puts the pointer within a logical pixel of the centre.
desk_scaled_row() {
  local s=$1 A=$E2E_ARTIFACTS/scale-$1 w h ref_ink ink ref_band band
  mkdir -p "$A"
  start_xvfb
  # The reference: the unscaled program, its window made as large as the scaled one will be.
  w=$(awk -v s="$s" 'BEGIN { printf "%d", 520 * s + 0.5 }')
  h=$(awk -v s="$s" 'BEGIN { printf "%d", 363 * s }')
  mw_open
  xdotool windowsize "$MW_ID" "$w" "$h"
  wait_until 10 mw_now_size "$w" "$h" || fx_fail "the window did not take ${w}x$h"
  mw_settled_shot "$A/reference.png"
  ref_ink=$(mw_scaled_ink "$A/reference.png" f1 "$s" "$s")
  ref_band=$(edge_band "$E2E_WORK/scaled.png")
  "$XR_XCLOSE" "$MW_ID"
  wait_exit "$E2E_PROGRAM_PID" 10

  QT_SCALE_FACTOR=$s launch "$XR_PROGRAM"
  mw_await
  window_geometry "$MW_ID"
  ((WIN_W == w && (WIN_H == h || WIN_H == h + 1))) ||
    fx_fail "the window has ${WIN_W}x$WIN_H pixels, not ${w}x$h"
  mw_settled_shot "$A/scaled.png"
  ink=$(mw_scaled_ink "$A/scaled.png" f1 "$s" "$s")
  band=$(edge_band "$E2E_WORK/scaled.png")
  e2e_log "[x$s] f1 ink $ink, edges $band per 100 ink px; unscaled at ${w}x$h: $ref_ink, $ref_band"
  awk -v a="$ink" -v b="$ref_ink" 'BEGIN { split(a, x); split(b, y)
    for (i = 1; i <= 4; i++) if (x[i] - y[i] > 3 || y[i] - x[i] > 3) exit 1 }' ||
    fx_fail "the digit's ink $ink is not where the unscaled program puts it ($ref_ink)"
  [[ $band =~ ^[0-9.]+$ && $ref_band =~ ^[0-9.]+$ ]] || fx_fail "no measure of the edges"
  awk -v a="$band" -v b="$ref_band" 'BEGIN { exit !(a <= 1.25 * b + 0.5) }' ||
    fx_fail "the digit's edges are blurred: $band against $ref_band"

  # The more-apps window's background, where no control stands (x 360-520, y 225-295), is the
  # picture drawn for the screen's pixels, not the design's picture enlarged.
  local x y want_x want_y yylb g pics=$XR_SOURCE_DIR/resources/pictures near far
  read -r x y <<< "$(mw_centre more)"
  click_client "$MW_ID" "$(awk -v v="$x" -v s="$s" 'BEGIN { printf "%d", v * s }')" \
    "$(awk -v v="$y" -v s="$s" 'BEGIN { printf "%d", v * s }')"
  yylb=$(wait_window 应用列表)
  sleep 0.5
  shot "$yylb" "$A/more-apps.png"
  g=$(awk -v s="$s" 'BEGIN { printf "%dx%d+%d+%d", 160 * s, 70 * s, 360 * s, 225 * s }')
  convert "$A/more-apps.png" -crop "$g" +repage "$E2E_WORK/bg-shot.png"
  convert "$pics/yylb_bg@2x.jpg" -filter Triangle -resize "$(awk -v s="$s" 'BEGIN { print 50 * s }')%" \
    -crop "$g" +repage "$E2E_WORK/bg-high.png"
  convert "$pics/yylb_bg.jpg" -filter Triangle -resize "$(awk -v s="$s" 'BEGIN { print 100 * s }')%" \
    -crop "$g" +repage "$E2E_WORK/bg-low.png"
  near=$(rmse "$E2E_WORK/bg-shot.png" "$E2E_WORK/bg-high.png")
  far=$(rmse "$E2E_WORK/bg-shot.png" "$E2E_WORK/bg-low.png")
  e2e_log "[x$s] more-apps background: $near from the fine picture, $far from the enlarged one"
  awk -v n="$near" -v f="$far" 'BEGIN { exit !(n < f) }' ||
    fx_fail "the more-apps background is the design's picture enlarged ($near against $far)"

  "$XR_XCLOSE" "$yylb"
  wait_gone "$yylb"
  read -r x y <<< "$(mw_centre zjs)"
  click_client "$MW_ID" "$(awk -v v="$x" -v s="$s" 'BEGIN { printf "%d", v * s }')" \
    "$(awk -v v="$y" -v s="$s" 'BEGIN { printf "%d", v * s }')"
  sleep 0.3
  read -r x y <<< "$(mw_centre start)"
  click_client "$MW_ID" "$(awk -v v="$x" -v s="$s" 'BEGIN { printf "%d", v * s }')" \
    "$(awk -v v="$y" -v s="$s" 'BEGIN { printf "%d", v * s }')"
  wait_until 5 pointer_above $((WIN_Y + WIN_H * 2 / 3)) ||
    fx_fail "the start did not move the pointer"
  want_x=$(awk -v x="$WIN_X" -v w="$WIN_W" 'BEGIN { print x + w / 2 }')
  want_y=$(awk -v y="$WIN_Y" -v h="$WIN_H" 'BEGIN { print y + h / 2 }')
  e2e_log "[x$s] pointer at $PTR_X,$PTR_Y; window centre $want_x,$want_y"
  awk -v p="$PTR_X" -v q="$PTR_Y" -v x="$want_x" -v y="$want_y" -v s="$s" \
    'BEGIN { exit !((p - x) ^ 2 <= s * s && (q - y) ^ 2 <= s * s) }' ||
    fx_fail "the pointer is more than a logical pixel off the centre"
}

# pointer_above Y: whether the pointer is above that line of the screen (sets PTR_X PTR_Y).
pointer_above() {
  pointer_location
  ((PTR_Y < $1))
}

scenario_scaled_screens() {
  local s
  for s in 1.5 2; do fx_try "$s" desk_scaled_row "$s"; done
  fx_end
}
