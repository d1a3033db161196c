# shellcheck shell=bash
# Scenarios of the program on the desktops people run: a Wayland compositor with and without its
# X server, a real window manager, and scaled screens. Each starts what it needs itself.

# start_weston [--xwayland]: a headless Wayland compositor, with its X server on DISPLAY if asked.
start_weston() {
  local log=$E2E_WORK/weston.log
  unset DISPLAY
  weston --backend=headless-backend.so --socket=xr-wl --width=1920 --height=1080 --idle-time=0 \
    "$@" > "$log" 2>&1 &
  e2e_track $!
  wait_until 20 test -S "$XDG_RUNTIME_DIR/xr-wl" || fail "weston did not start: $(tail -3 "$log")"
  export WAYLAND_DISPLAY=xr-wl
  [[ ${1:-} == --xwayland ]] || return 0
  wait_until 20 grep -q "xserver listening on display" "$log" || fail "weston started no X server"
  DISPLAY=:$(sed -n 's/.*xserver listening on display :\([0-9]*\).*/\1/p' "$log")
  export DISPLAY
}

# With XWayland the window opens on the X server, silently; without, the program says in one
# line that it runs on Wayland. Either way the session's SIGTERM ends it with status 0.
desk_wayland_row() {
  start_weston ${1:+--xwayland}
  launch "$XR_PROGRAM"
  if [[ -n $1 ]]; then
    assert_title "$(wait_window "$MW_TITLE")" "$MW_TITLE"
  else
    wait_until 20 test -s "$E2E_PROGRAM_ERR" && sleep 1
  fi
  kill -TERM "$E2E_PROGRAM_PID"
  wait_exit "$E2E_PROGRAM_PID" 15
  e2e_log "[$FX_ROW] exit $EXIT_CODE, stderr: $(cat "$E2E_PROGRAM_ERR")"
  ((EXIT_CODE == 0)) || fx_fail "the program ended with status $EXIT_CODE"
  if [[ -n $1 ]]; then
    [[ ! -s $E2E_PROGRAM_ERR ]] || fx_fail "the program said something on the X server"
  elif [[ $(grep -c . "$E2E_PROGRAM_ERR") != 1 ]] || ! grep -q "on Wayland" "$E2E_PROGRAM_ERR"; then
    fx_fail "not one line about Wayland on stderr"
  fi
}

scenario_wayland() {
  fx_try xwayland desk_wayland_row 1
  fx_try wayland-only desk_wayland_row ""
  fx_end
}

# frame_geometry ID: CL_X CL_Y CL_W CL_H, the client area where xwininfo finds it, and FR_X FR_Y
# FR_W FR_H, the window manager's frame round it (_NET_FRAME_EXTENTS; none without one).
frame_geometry() {
  local info l=0 r=0 t=0 b=0
  info=$(xwininfo -id "$1") || fail "no window $1"
  read -r CL_X CL_Y CL_W CL_H < <(awk '/Absolute upper-left [XY]|^ *(Width|Height):/ {
    printf "%s ", $NF } END { print "" }' <<< "$info")
  IFS=, read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ') ||
    true
  FR_X=$((CL_X - ${l:-0})) FR_Y=$((CL_Y - ${t:-0}))
  FR_W=$((CL_W + ${l:-0} + ${r:-0})) FR_H=$((CL_H + ${t:-0} + ${b:-0}))
}

# sized ID FR|CL W H: whether the frame or the client area has that size.
sized() {
  frame_geometry "$1"
  local w=${2}_W h=${2}_H
  ((${!w} == $3 && ${!h} == $4))
}

frame_centred() {
  frame_geometry "$1"
  ((FR_X == (1920 - FR_W) / 2 && FR_Y == (1080 - FR_H) / 2))
}

# desk_click ID X Y [SCALE]: a click at client coordinates of the design times SCALE, on the
# screen at CLICK_X CLICK_Y.
desk_click() {
  frame_geometry "$1"
  read -r CLICK_X CLICK_Y <<< "$(awk -v x="$CL_X" -v y="$CL_Y" -v u="$2" -v v="$3" \
    -v s="${4:-1}" 'BEGIN { print int(x + u * s), int(y + v * s) }')"
  xdotool mousemove "$CLICK_X" "$CLICK_Y" click 1
}

# title_click COUNT: clicks on the main window's title bar (openbox maximises on a double click).
title_click() {
  frame_geometry "$MW_ID"
  xdotool mousemove $((FR_X + FR_W / 2)) $(((FR_Y + CL_Y) / 2)) click --repeat 2 --delay 80 1
  xdotool mousemove 5 1075
}

# ink_of SHOT NAME SX SY: "W H X Y" of the ink in the control's box, the window scaled by SX, SY.
ink_of() {
  local l t w h
  read -r l t w h <<< "${MW_RECT[$2]}"
  # shellcheck disable=SC2046
  crop "$1" $(awk -v l="$l" -v t="$t" -v w="$w" -v h="$h" -v x="$3" -v y="$4" \
    'BEGIN { print int(l * x / 15), int(t * y / 15), int(w * x / 15), int(h * y / 15) }') \
    "$E2E_WORK/ink.png"
  dark_bbox "$E2E_WORK/ink.png"
}

# looks_like FILE REFERENCE: the window as in REFERENCE, up to the shading of an active window.
looks_like() {
  mw_shot "$1"
  [[ $(pixels_differing "$1" "$2" 10) == 0 ]]
}

# Under openbox: the frame centred, the pointer on its centre at a start, the face scaled when
# maximised, the same window after restoring and after minimising, the companion windows framed
# with their titles and sizes.
scenario_openbox() {
  local A=$E2E_ARTIFACTS small big sy bx by
  start_xvfb
  openbox --sm-disable > "$A/openbox.log" 2>&1 &
  e2e_track $!
  # Qt learns of a frame only from a window manager that was there when it connected.
  wait_until 20 eval 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    fail "openbox did not start"
  mw_open
  wait_until 5 frame_centred "$MW_ID" || fail "frame ${FR_W}x$FR_H at $FR_X,$FR_Y is not centred"
  ((CL_W == 520 && CL_H == 363 && FR_H > CL_H)) || fail "client ${CL_W}x$CL_H, frame height $FR_H"
  e2e_log "frame ${FR_W}x$FR_H at $FR_X,$FR_Y round the client at $CL_X,$CL_Y"
  # shellcheck disable=SC2046
  desk_click "$MW_ID" $(mw_centre zjs)
  # shellcheck disable=SC2046
  desk_click "$MW_ID" $(mw_centre start)
  wait_until 5 mw_now_button_gone "$A/running.png" || fail "the start did not hide the button"
  pointer_location
  e2e_log "pointer at $PTR_X,$PTR_Y; frame centre $((FR_X + FR_W / 2)),$((FR_Y + FR_H / 2))"
  ((PTR_X == FR_X + FR_W / 2 && PTR_Y == FR_Y + FR_H / 2)) || fail "pointer off the frame's centre"
  read -r bx by <<< "$(mw_centre start)"
  xdotool mousemove $((CL_X + bx)) $((CL_Y + by))
  wait_until 5 mw_now_chrome_shown "$A/moved.png" || fail "the controls did not come back"
  xdotool click 1 mousemove 5 1075
  mw_settled_shot "$A/normal.png"

  small=$(ink_of "$A/normal.png" f1 1 1)
  title_click
  wait_until 10 sized "$MW_ID" FR 1920 1080 || fail "maximised, the frame is ${FR_W}x$FR_H"
  mw_settled_shot "$A/maximised.png"
  sy=$(awk -v h="$CL_H" 'BEGIN { print h / 363 }')
  big=$(ink_of "$A/maximised.png" f1 "$(awk -v w="$CL_W" 'BEGIN { print w / 520 }')" "$sy")
  e2e_log "maximised to ${CL_W}x$CL_H: the ink of f1, $small, became $big"
  awk -v a="$small" -v b="$big" -v s="$sy" 'BEGIN { split(a, x); split(b, y)
    exit !(x[2] > 0 && y[2] / x[2] > 0.9 * s && y[2] / x[2] < 1.1 * s) }' ||
    fail "the digit did not grow with the window's height"
  title_click
  wait_until 10 sized "$MW_ID" CL 520 363 || fail "restored, the client is ${CL_W}x$CL_H"
  wait_until 10 looks_like "$A/restored.png" "$A/normal.png" || fail "restored, the window differs"
  xdotool windowminimize "$MW_ID"
  wait_gone "$MW_ID"
  xdotool windowactivate "$MW_ID"
  wait_until 10 looks_like "$A/unminimised.png" "$A/normal.png" || fail "unminimised, it differs"

  # shellcheck disable=SC2046
  desk_click "$MW_ID" $(mw_centre more)
  local yylb lxzz
  yylb=$(wait_window 应用列表)
  assert_title "$yylb" 应用列表
  if ! sized "$yylb" CL 531 366 || ((FR_H == CL_H)); then
    fail "more-apps client ${CL_W}x$CL_H, framed to a height of $FR_H"
  fi
  desk_click "$yylb" $(((4680 + 1935 / 2) / 15)) $(((4560 + 495 / 2) / 15))
  lxzz=$(wait_window 联系作者)
  assert_title "$lxzz" 联系作者
  sized "$lxzz" CL 720 404 || fail "contact client is ${CL_W}x$CL_H, not 720x404"
}

# edge_band IMAGE: pixels of the glyphs' smoothed edges (20% to 80% grey) per hundred of ink. A
# glyph drawn at the screen's resolution has edges a pixel wide; one enlarged, as wide as that.
edge_band() {
  local band ink
  band=$(convert "$1" -alpha off -colorspace Gray -fx 'u > 0.2 && u < 0.8' \
    -format '%[fx:mean*w*h]' info:)
  ink=$(convert "$1" -alpha off -colorspace Gray -threshold 50% -negate \
    -format '%[fx:mean*w*h]' info:)
  awk -v b="$band" -v i="$ink" 'BEGIN { if (i > 0) printf "%.1f\n", 100 * b / i }'
}

rmse() { compare -metric RMSE "$1" "$2" null: 2>&1 | awk '{ print $1 + 0 }' || true; }

# At QT_SCALE_FACTOR S: the digit as sharp, as large and where the unscaled program draws it in a
# window of as many pixels; the more-apps background the picture made for that many pixels,
# not the design's enlarged; a start puts the pointer within a logical pixel of the centre.
desk_scaled_row() {
  local s=$1 A=$E2E_ARTIFACTS/scale-$1 w h ref band ref_band ink g pics x y yylb
  mkdir -p "$A"
  start_xvfb
  read -r w h <<< "$(awk -v s="$s" 'BEGIN { print int(520 * s + 0.5), int(363 * s) }')"
  mw_open
  xdotool windowsize "$MW_ID" "$w" "$h"
  wait_until 10 mw_now_size "$w" "$h" || fx_fail "the window did not take ${w}x$h"
  mw_settled_shot "$A/reference.png"
  ref=$(ink_of "$A/reference.png" f1 "$s" "$s")
  ref_band=$(edge_band "$E2E_WORK/ink.png")
  "$XR_XCLOSE" "$MW_ID"
  wait_exit "$E2E_PROGRAM_PID" 10

  QT_SCALE_FACTOR=$s launch "$XR_PROGRAM"
  mw_await
  window_geometry "$MW_ID"
  ((WIN_W == w && WIN_H - h <= 1 && WIN_H >= h)) || fx_fail "${WIN_W}x$WIN_H pixels, not ${w}x$h"
  mw_settled_shot "$A/scaled.png"
  ink=$(ink_of "$A/scaled.png" f1 "$s" "$s")
  band=$(edge_band "$E2E_WORK/ink.png")
  e2e_log "[x$s] f1 ink $ink, edges $band; unscaled at ${w}x$h: $ref, $ref_band"
  awk -v a="$ink $band" -v b="$ref $ref_band" 'BEGIN { n = split(a, x); split(b, y)
    for (i = 1; i <= 4; i++) if ((x[i] - y[i]) ^ 2 > 9) exit 1
    exit !(n == 5 && x[5] <= 1.25 * y[5] + 0.5) }' || fx_fail "the digit is blurred or out of place"

  pics=$XR_SOURCE_DIR/resources/pictures
  # shellcheck disable=SC2046
  desk_click "$MW_ID" $(mw_centre more) "$s"
  yylb=$(wait_window 应用列表)
  sleep 0.5
  shot "$yylb" "$A/more-apps.png"
  g=$(awk -v s="$s" 'BEGIN { printf "%dx%d+%d+%d", 160 * s, 70 * s, 360 * s, 225 * s }')
  convert "$A/more-apps.png" -crop "$g" +repage "$E2E_WORK/bg.png"
  convert "$pics/yylb_bg@2x.jpg" -filter Triangle -resize "$(awk -v s="$s" 'BEGIN { print 50 * s }')%" \
    -crop "$g" +repage "$E2E_WORK/fine.png"
  convert "$pics/yylb_bg.jpg" -filter Triangle -resize "$(awk -v s="$s" 'BEGIN { print 100 * s }')%" \
    -crop "$g" +repage "$E2E_WORK/enlarged.png"
  read -r x y <<< "$(rmse "$E2E_WORK/bg.png" "$E2E_WORK/fine.png") $(rmse "$E2E_WORK/bg.png" \
    "$E2E_WORK/enlarged.png")"
  e2e_log "[x$s] more-apps background $x from the fine picture, $y from the enlarged one"
  awk -v a="$x" -v b="$y" 'BEGIN { exit !(a < b) }' || fx_fail "the background is enlarged"
  "$XR_XCLOSE" "$yylb"
  wait_gone "$yylb"

  # shellcheck disable=SC2046
  desk_click "$MW_ID" $(mw_centre zjs) "$s"
  # shellcheck disable=SC2046
  desk_click "$MW_ID" $(mw_centre start) "$s"
  wait_until 5 pointer_left "$CLICK_X" "$CLICK_Y" || fx_fail "the start did not move the pointer"
  e2e_log "[x$s] pointer at $PTR_X,$PTR_Y; window centre $((WIN_X + WIN_W / 2)),$((WIN_Y + WIN_H / 2))"
  awk -v p="$PTR_X $PTR_Y" -v c="$((2 * WIN_X + WIN_W)) $((2 * WIN_Y + WIN_H))" -v s="$s" \
    'BEGIN { split(p, a); split(c, b); exit !((2 * a[1] - b[1]) ^ 2 <= 4 * s * s &&
      (2 * a[2] - b[2]) ^ 2 <= 4 * s * s) }' || fx_fail "the pointer is off the centre"
}

# pointer_left X Y: whether the pointer has left that point (sets PTR_X PTR_Y).
pointer_left() {
  pointer_location
  [[ $PTR_X,$PTR_Y != "$1,$2" ]]
}

scenario_scaled_screens() {
  fx_try x1.5 desk_scaled_row 1.5
  fx_try x2 desk_scaled_row 2
  fx_end
}
