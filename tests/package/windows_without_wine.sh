#!/usr/bin/env bash
# The Windows packages made on a machine that cannot run Windows programs: with wine and wine64
# failing wherever they are called, scripts/package.sh cross-builds the program in a fresh tree
# and makes the installer and the zip, and no Wine prefix comes to be.
#
#   windows_without_wine.sh SOURCE_DIR WORK_DIR
set -euo pipefail
src=$1 work=$2
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
rm -rf "$work"
mkdir -p "$work/bin"
for name in wine wine64; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/called"\nexit 1\n' "$name" "$work" > "$work/bin/$name"
  chmod +x "$work/bin/$name"
done

PATH=$work/bin:$PATH XR_WINDOWS_BUILD=$work/build XR_DIST=$work/dist \
  "$src/scripts/package.sh" windows > "$work/package.log" 2>&1 ||
  fail "package.sh failed: $(tail -n 30 "$work/package.log")"
[[ ! -e $work/called ]] || fail "Wine was called: $(cat "$work/called")"
[[ ! -e $work/build/wine-prefix ]] || fail "a Wine prefix was made"
shopt -s nullglob
installers=("$work"/dist/*-win64.exe) zips=("$work"/dist/*-win64.zip)
((${#installers[@]} == 1 && ${#zips[@]} == 1)) || fail "not one installer and one zip: $(ls "$work/dist")"
# The program comes with its licence and the notices of the runtime code linked into it.
listed=$(python3 -m zipfile -l "${zips[0]}")
for file in xiuran-timer.exe LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  grep -q "/$file " <<< "$listed" || fail "the zip lacks $file: $listed"
done
echo "made without Wine: $(basename "${installers[0]}"), $(basename "${zips[0]}")"
