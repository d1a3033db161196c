#!/bin/sh
# The Windows program as the Qt program's end-to-end scenarios launch theirs: a plain command
# that becomes the program (exec), with the tree's Wine prefix and program taken from the
# environment.
# shellcheck source-path=SCRIPTDIR source=wine-prefix.sh
. "$(dirname "$0")/wine-prefix.sh"
xr_wine_prefix make
exec "$XR_WINE_RUN" "$prefix" "$XR_WINE_EXE" "$@"
