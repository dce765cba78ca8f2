#!/usr/bin/env bash
# Set up, build and open the program from build/bin. A runtime folder whose
# database holds no rows yet gets the demo database, so the first Enter draws somebody.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/setup.sh"
bin="$build/bin"
# An untouched (row-less) database is replaced by the demo one.
"$bin/prizedraw-db" demo-if-empty "$bin/config.dll"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat <<MSG
No display is available, so the program cannot open its window here.
Run it on a virtual display instead:
  xvfb-run -a -s '-screen 0 1024x768x24' $bin/prizedraw
MSG
  exit 1
fi
exec "$bin/prizedraw"
