# shellcheck shell=sh
# Sourced by the scenarios' Wine launchers. xr_wine_prefix use|make: sets prefix to the tree's Wine
# prefix or, when a scenario sets XR_WINE_LOGPIXELS, to a copy of it for a screen of that density
# (Wine reads it from the registry once a session). With "make" the copy is made afresh: its
# files hard links to the tree's prefix, its registry files its own.
xr_wine_prefix() {
  prefix=$XR_WINE_PREFIX
  [ -n "${XR_WINE_LOGPIXELS:-}" ] || return 0
  prefix=$XR_WINE_PREFIX-dpi$XR_WINE_LOGPIXELS
  [ "${1:-}" = make ] || return 0
  # The tree's prefix made first, if no test has made it yet.
  "$XR_WINE_RUN" "$XR_WINE_PREFIX"
  rm -rf "$prefix"
  cp -al "$XR_WINE_PREFIX" "$prefix"
  for reg in "$XR_WINE_PREFIX"/*.reg; do cp --remove-destination "$reg" "$prefix/"; done
  # A later section wins over an earlier one of the same key.
  printf '\n[Control Panel\\\\Desktop]\n"LogPixels"=dword:%08x\n' "$XR_WINE_LOGPIXELS" \
    >> "$prefix/user.reg"
}
