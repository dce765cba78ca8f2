#!/usr/bin/env bash
# A start on a roster of a million people: the window is painted before the
# roster has been read, and the roster is then read to its end. The program
# notes both moments in the file PRIZEDRAW_START_REPORT names; their order is
# checked here, not their times (bench_start prints those).
set -uo pipefail
bin="${PRIZEDRAW_BIN_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/bin}"
[ -x "$bin/prizedraw" ] && [ -x "$bin/prizedraw-db" ] || { echo "SKIP: build the program first"; exit 77; }
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
cp -a "$bin"/. "$work"/
rm -f "$work/config.dll" "$work/config.ini"
"$work/prizedraw-db" demo "$work/config.dll" 1000000 || { echo "FAIL: the database was not made"; exit 1; }
report="$work/start-report.txt"
(cd / && QT_QPA_PLATFORM=offscreen PRIZEDRAW_START_REPORT="$report" exec "$work/prizedraw") >"$work/log" 2>&1 &
pid=$!
deadline=$((SECONDS + 240))
while [ $SECONDS -lt $deadline ] && ! grep -q '^roster-loaded' "$report" 2>/dev/null; do
  kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended"; cat "$work/log"; exit 1; }
  sleep 0.2
done
cat "$report" 2>/dev/null
order=$(cut -d' ' -f1 "$report" 2>/dev/null | tr '\n' ' ')
[ "$order" = "window-shown roster-loaded " ] || { echo "FAIL: expected the window before the roster, got: $order"; exit 1; }
echo "window painted before the roster of 1,000,000 was read"
