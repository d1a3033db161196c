# shellcheck shell=bash
# Scenarios of the windows opened from the main window: the more-apps window and its links, the
# contact window. Sourced by run_scenario.sh after lib.sh and the main window's scenarios.

# cat_value KEY: the value of KEY in the link catalogue the program was built with.
cat_value() { sed -n "s/^$1[[:space:]]*=[[:space:]]*//p" "$XR_CATALOGUE"; }

# twips_centre LEFT TOP WIDTH HEIGHT: "X Y" of a control's centre in client pixels.
twips_centre() { echo "$((($1 + $3 / 2) / 15)) $((($2 + $4 / 2) / 15))"; }

# visible_windows: ids of every visible window with a title, sorted.
visible_windows() { xdotool search --onlyvisible --name '.+' 2> /dev/null | sort || true; }

# update_doc SHOT NAME: keeps a screenshot for the README when asked to.
update_doc() {
  if [[ ${XR_UPDATE_SCREENSHOTS:-} == 1 ]]; then
    mkdir -p "$XR_SOURCE_DIR/docs"
    convert "$1" -strip -define png:exclude-chunks=date,time "$XR_SOURCE_DIR/docs/$2"
    e2e_log "updated $XR_SOURCE_DIR/docs/$2"
  fi
}

# A stand-in for the desktop's URL opener: records what it is given, or fails like a desktop
# without a browser.
install_fake_opener() {
  mkdir -p "$E2E_WORK/bin"
  cat > "$E2E_WORK/bin/xdg-open" << EOS
#!/bin/sh
printf '%s\n' "\$*" >> "$E2E_WORK/opened.txt"
[ -e "$E2E_WORK/no-browser" ] && exit 3
exit 0
EOS
  chmod +x "$E2E_WORK/bin/xdg-open"
  : > "$E2E_WORK/opened.txt"
  export PATH=$E2E_WORK/bin:$PATH
}

opened_count() { wc -l < "$E2E_WORK/opened.txt"; }

# opened_at_least N: whether the opener has been given N addresses so far (counted at each call,
# so that wait_until sees an opener that starts late).
opened_at_least() { (($(opened_count) >= $1)); }

# shows_picture ID SHOT PICTURE X Y W H: whether a fresh screenshot of the window shows its
# picture (drawn unscaled from the top-left) in that stretch, where no control stands.
shows_picture() {
  shot "$1" "$2"
  crop "$2" "$4" "$5" "$6" "$7" "$E2E_WORK/ground.png"
  crop "$XR_SOURCE_DIR/resources/pictures/$3" "$4" "$5" "$6" "$7" "$E2E_WORK/picture.png"
  (($(pixels_differing "$E2E_WORK/ground.png" "$E2E_WORK/picture.png" 4) * 20 < $6 * $7))
}

scenario_companion_windows() {
  local A=$E2E_ARTIFACTS
  [[ -r ${XR_CATALOGUE:-} ]] || fail "XR_CATALOGUE does not name the catalogue file"
  install_fake_opener
  start_xvfb
  mw_open
  mw_click more
  local yylb
  yylb=$(wait_window 应用列表)
  window_geometry "$yylb"
  [[ $WIN_W == 531 && $WIN_H == 366 ]] || fail "more-apps client is ${WIN_W}x$WIN_H, not 531x366"
  assert_title "$MW_ID" "$MW_TITLE"
  assert_title "$yylb" 应用列表
  # Left alone once shown, the window comes to show its picture: one painted before the picture
  # was ready, and never again, would stay white.
  wait_until 5 shows_picture "$yylb" "$A/more-apps.png" yylb_bg.jpg 0 0 24 366 ||
    fail "the more-apps window shows no picture at its left edge"
  update_doc "$A/more-apps.png" screenshot-more-apps.png

  # Link button 1 hands its own address to the desktop's opener, and nothing shows.
  local before
  before=$(visible_windows)
  # shellcheck disable=SC2046
  click_client "$yylb" $(twips_centre 420 1200 2175 495)
  wait_until 10 opened_at_least 1 || fail "the link reached no URL opener"
  local want got
  want=$(cat_value link1.target)
  got=$(head -n 1 "$E2E_WORK/opened.txt")
  [[ $got == "$want" ]] || fail "link 1 opened \"$got\", not \"$want\""
  sleep 0.5
  [[ $(visible_windows) == "$before" ]] || fail "opening a link showed a window"

  # With no browser the opener fails; nothing is shown and the program goes on.
  touch "$E2E_WORK/no-browser"
  # shellcheck disable=SC2046
  click_client "$yylb" $(twips_centre 420 3480 2175 495)
  wait_until 10 opened_at_least 2 || fail "softdown reached no URL opener"
  got=$(sed -n 2p "$E2E_WORK/opened.txt")
  [[ $got == "$(cat_value softdown.target)" ]] || fail "softdown opened \"$got\""
  sleep 0.5
  [[ $(visible_windows) == "$before" ]] || fail "a failed link showed a window"
  kill -0 "$E2E_PROGRAM_PID" || fail "the program died when no browser opened the link"

  # 联系作者 opens the contact window; its own button closes it again.
  # shellcheck disable=SC2046
  click_client "$yylb" $(twips_centre 4680 4560 1935 495)
  local lxzz
  lxzz=$(wait_window 联系作者)
  window_geometry "$lxzz"
  [[ $WIN_W == 720 && $WIN_H == 404 ]] || fail "contact client is ${WIN_W}x$WIN_H, not 720x404"
  assert_title "$lxzz" 联系作者
  wait_until 5 shows_picture "$lxzz" "$A/contact.png" lxzz_bg.jpg 0 388 720 16 ||
    fail "the contact window shows no picture along its bottom"
  update_doc "$A/contact.png" screenshot-contact.png
  # shellcheck disable=SC2046
  click_client "$lxzz" $(twips_centre 4200 5280 2055 495)
  wait_gone "$lxzz"
  [[ -n $(find_windows 应用列表) ]] || fail "closing the contact window closed the more-apps window"

  # The more-apps window's 关 闭 unloads it; the main window stays.
  # shellcheck disable=SC2046
  click_client "$yylb" $(twips_centre 1560 4560 2055 495)
  wait_gone "$yylb"
  [[ -n $(find_windows "$MW_TITLE") ]] || fail "the main window went with the more-apps window"

  # Opened again, then the main window closed: every window goes and the program ends.
  xdotool windowraise "$MW_ID"
  sleep 0.3
  mw_click more
  yylb=$(wait_window 应用列表)
  "$XR_XCLOSE" "$MW_ID"
  wait_until 10 bash -c "! kill -0 $E2E_PROGRAM_PID 2> /dev/null" ||
    fail "the program did not end when its main window was closed"
  wait "$E2E_PROGRAM_PID" || fail "the program exited with status $?"
  [[ -z $(find_windows 应用列表) ]] || fail "the more-apps window outlived the program"
}
