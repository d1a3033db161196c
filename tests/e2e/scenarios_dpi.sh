# shellcheck shell=bash
# The Windows program on a screen of 144 dpi, which it learns from its Wine prefix (see
# tests/win32/wine-prefix.sh). The Qt program's scaled screens are in scenarios_desktops.sh.

# On a screen of 144 dpi (150 %) the window is half as large again in physical pixels, and a
# start still puts the pointer on its centre.
scenario_scaled_150() {
  export XR_WINE_LOGPIXELS=144
  start_xvfb
  mw_open
  window_geometry "$MW_ID"
  # 363 px at 1.5 are 544.5: either rounding.
  ((WIN_W == 780 && (WIN_H == 544 || WIN_H == 545))) ||
    fail "client area ${WIN_W}x$WIN_H at 150 %, not 780x545"
  local name x y
  # 00:01, then the start.
  for name in jm0 start; do
    read -r x y <<< "$(mw_centre "$name")"
    click_client "$MW_ID" $((x * 3 / 2)) $((y * 3 / 2))
    sleep 0.3
  done
  # The centre of the whole window, as in scenario_running_clock, give or take the rounding of
  # logical pixels to physical ones.
  local want_x=$((WIN_X - INSET_L + (WIN_W + INSET_L + INSET_R) / 2))
  local want_y=$((WIN_Y - INSET_T + (WIN_H + INSET_T + INSET_B) / 2))
  # shellcheck disable=SC2317  # called through wait_until
  centred() {
    pointer_location
    ((PTR_X - want_x <= 1 && want_x - PTR_X <= 1 && PTR_Y - want_y <= 1 && want_y - PTR_Y <= 1))
  }
  wait_until 5 centred ||
    fail "the start left the pointer at $PTR_X,$PTR_Y, not at the window's centre $want_x,$want_y"
  e2e_log "pointer at $PTR_X,$PTR_Y; window centre $want_x,$want_y"
}
