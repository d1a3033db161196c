#!/bin/sh
# The end-to-end tests' XR_CLIENT_AREA under Wine: wine_client in the program's Wine prefix.
# shellcheck source-path=SCRIPTDIR source=wine-prefix.sh
. "$(dirname "$0")/wine-prefix.sh"
xr_wine_prefix use
exec "$XR_WINE_RUN" "$prefix" "$XR_WINE_CLIENT" "$@"
