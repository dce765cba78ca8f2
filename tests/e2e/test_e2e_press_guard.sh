#!/usr/bin/env bash
# One press of the real program under Xvfb on a demo database: Enter rolls,
# the settings key does nothing while the press runs, Enter stops, the five
# winners of the first prize item are drawn and stored with their count, and
# afterwards the commands answer again.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77
command -v python3 >/dev/null || { echo "SKIP: python3 is missing"; exit 77; }

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
e2e_write_settings "iTime=0" "showNo=1"
e2e_start_program

main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
e2e_wait_painted

# F10 while the digits roll, Enter, and F10 again while the first of the
# winners is drawn (about one second each). A settings screen opened by
# either would be modal: the Enter behind it could not stop the roll, or the
# drawing would stand still, and the five winners would never be stored.
e2e_key Return
e2e_wait_rolling
e2e_screenshot draw-rolling >/dev/null
e2e_key F10 Return F10

winners() {
  python3 - "$E2E_RUN/config.dll" <<'PY'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
item = con.execute("select RecNo from AwardItem order by iSeq limit 1").fetchone()[0]
rows = con.execute("select count(*) from AwardList where sTime = ?", (item,)).fetchone()[0]
exc = con.execute("select ExcNum from AwardItem where RecNo = ?", (item,)).fetchone()[0]
dup = con.execute("select count(*) from (select 1 from AwardList group by sNo, sCompCode having count(*) > 1)").fetchone()[0]
print(rows, exc, dup)
PY
}
five() { [ "$(winners)" = "5 5 0" ]; }
e2e_wait_for "5 winners counted once each (a settings screen opened under the press stops them)" five
[ -z "$(e2e_find_window "系统设置")" ] || e2e_fail "the settings screen opened during the press"
e2e_wait_idle "$main"
[ "$(winners)" = "5 5 0" ] || e2e_fail "expected 5 winners counted once each, found (rows count duplicates) $(winners)"
shot=$(e2e_screenshot draw-after-press)
echo "screenshot: $shot"

# The press has ended: Esc asks before closing again.
e2e_focus "$main"
e2e_key Escape
question=$(e2e_wait_window "退出系统") || e2e_fail "Esc did not ask after the press had ended"
e2e_focus "$question"
e2e_key y
e2e_wait_exit || e2e_fail "the program did not end after Yes"
echo "PASS: one press end to end"
