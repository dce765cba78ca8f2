#!/usr/bin/env bash
# iTime=2147483647 in config.ini: Enter starts, Enter stops, and Esc during
# the shuffle ends the press with its current winner; afterwards Esc asks
# before closing, as when idle.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77
command -v python3 >/dev/null || { echo "SKIP: python3 is missing"; exit 77; }

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
e2e_write_settings "iTime=2147483647"
e2e_start_program

main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
e2e_wait_painted

e2e_key Return # start
e2e_wait_rolling
e2e_key Return # stop: the shuffle of the first winner begins

winners() {
  python3 - "$E2E_RUN/config.dll" <<'PY'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
print(con.execute("select count(*) from AwardList").fetchone()[0])
PY
}
# Esc, the close command, ends the shuffle with the candidate it has, which
# is stored, and the press ends after that winner. An Esc handled while the
# roll is still ending is lost (the drawing has not begun), so Esc is given
# every half second until it asks to close, which it does only once the
# press is over; No keeps the program. The press of five must have ended
# early, with at least the winner whose shuffle Esc ended.
deadline=$((SECONDS + E2E_TIMEOUT))
question=""
while [ -z "$question" ]; do
  [ $SECONDS -lt $deadline ] || e2e_fail "Esc never asked to close: the press did not end ($(winners) winners)"
  kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended during the press"
  e2e_focus "$main"
  e2e_key Escape
  for _ in 1 2 3; do
    question=$(e2e_find_window "退出系统")
    [ -n "$question" ] && break
    sleep 0.2
  done
done
e2e_focus "$question"
e2e_key n
e2e_wait_gone "退出系统" || e2e_fail "No did not close the question"
ended=$(winners)
[ "$ended" -ge 1 ] && [ "$ended" -lt 5 ] || e2e_fail "Esc did not end the press early: $ended of 5 winners"
shot=$(e2e_screenshot huge-itime-after-esc)
echo "screenshot: $shot"

e2e_focus "$main"
e2e_key Escape
question=$(e2e_wait_window "退出系统") || e2e_fail "the press did not end: Esc did not ask"
e2e_focus "$question"
e2e_key y
e2e_wait_exit || e2e_fail "the program did not end after Yes"
[ "$(winners)" = "$ended" ] || e2e_fail "a winner was drawn after the press had ended: $(winners)"
echo "PASS: Esc ends a press with a huge iTime"
