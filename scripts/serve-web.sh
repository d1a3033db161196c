#!/usr/bin/env bash
# Serves the page built by scripts/build-web.sh on this machine only, and says where.
#
#   scripts/serve-web.sh [PORT]    8000 by default; XR_WEB_BUILD names another folder
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
tree=${XR_WEB_BUILD:-build-web}
port=${1:-8000}
[[ -f $tree/index.html ]] || {
  echo "$0: no $tree/index.html; build it with scripts/build-web.sh --no-test" >&2
  exit 1
}
echo "岫然计时器: http://127.0.0.1:$port/"
exec python3 -m http.server --bind 127.0.0.1 --directory "$tree" "$port"
