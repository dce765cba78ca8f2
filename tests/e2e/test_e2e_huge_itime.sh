#!/usr/bin/env bash
# iTime=2147483647 in config.ini: Enter starts, Enter stops, and Esc during
# the endless shuffle ends the press within seconds with its current winner;
# afterwards Esc asks before closing, as when idle.
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
sleep 1

e2e_key Return # start
sleep 1
e2e_key Return # stop: the shuffle of the first winner begins
sleep 1.5
e2e_key Escape # the close command: the press ends after its current winner

winners() {
  python3 - "$E2E_RUN/config.dll" <<'PY'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
print(con.execute("select count(*) from AwardList").fetchone()[0])
PY
}
# The winner the shuffle had when Esc came is stored (a designated winner
# before it may have been stored already), and then the press is over: the
# count stays where it is.
for _ in $(seq 1 20); do
  [ "$(winners)" -ge 1 ] && break
  sleep 0.5
done
[ "$(winners)" -ge 1 ] || e2e_fail "expected the press to end with its current winner, found none"
sleep 2 # the pause after the winner and the end of the press
ended=$(winners)
sleep 2
[ "$(winners)" = "$ended" ] || e2e_fail "the shuffle went on after Esc: $ended, then $(winners) winners"
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
