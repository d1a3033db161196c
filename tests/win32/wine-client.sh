#!/bin/sh
# The end-to-end tests' XR_CLIENT_AREA under Wine: wine_client in the program's Wine prefix.
exec "$XR_WINE_RUN" "$XR_WINE_PREFIX" "$XR_WINE_CLIENT" "$@"
