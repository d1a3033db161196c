#!/bin/sh
# The Windows program as the Qt program's end-to-end scenarios launch theirs: a plain command
# that becomes the program (exec), with the tree's Wine prefix and program taken from the
# environment.
exec "$XR_WINE_RUN" "$XR_WINE_PREFIX" "$XR_WINE_EXE" "$@"
