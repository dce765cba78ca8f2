#!/usr/bin/env bash
# The real program under Xvfb on the demo database with a designated winner
# for the first prize item and a tenth of the roster excluded: the designation
# wins the first turn of the press and is marked used, no excluded person wins.
# Esc while the digits roll asks nothing; the picture "退出系统" then stops the
# roll like Enter, and the winners of the press are still drawn.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
PY=/usr/bin/python3
[ -x "$PY" ] || { echo "SKIP: $PY is missing"; exit 77; }
e2e_require || exit 77

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
e2e_write_settings "iTime=5" "showNo=1"
db="$E2E_RUN/config.dll"
sql() { e2e_sql "$db" "$1"; }
"$PY" - "$db" <<'PYEOF'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
first = con.execute("select min(RecNo) from AwardItem").fetchone()[0]
con.execute("insert into Award(sNo, sName, sTime, Checked, sCompCode)"
            " select EmpCode, EmpName, ?, 0, CompCode from EmpNo where EmpCode = '100251'", (first,))
con.execute("insert into AwardBlank(sNo, sName, sCompCode)"
            " select EmpCode, EmpName, CompCode from EmpNo where RecNo % 10 = 0")
con.commit()
PYEOF
first=$(sql "select min(RecNo) from AwardItem")
per=$(sql "select iNumber from AwardItem where RecNo = $first")

e2e_start_program
main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
e2e_wait_painted

# Esc while the digits roll, then the picture. Had Esc asked (a modal
# question), the click could not stop the roll; had it stopped the roll, the
# click would come during the drawing and end the press after its first
# winner. Either way the press would not store all its winners.
e2e_key Return
e2e_wait_rolling
e2e_key Escape
xdotool mousemove 836 692 click 1 # the picture "退出系统"
all_drawn() {
  [ -z "$(e2e_find_window "退出系统")" ] || e2e_fail "Esc or the picture asked to close during the press"
  [ "$(sql "select count(*) from AwardList")" = "$per" ]
}
e2e_wait_for "the $per winners of the press (Esc while the digits roll must neither ask nor stop)" all_drawn
e2e_wait_idle "$main"
[ -z "$(e2e_find_window "退出系统")" ] || e2e_fail "the picture asked to close during the press"
shot=$(e2e_screenshot designated-press)
echo "screenshot: $shot"

[ "$(sql "select count(*) from AwardList where sTime = $first")" = "$per" ] \
  || e2e_fail "the press drew $(sql "select count(*) from AwardList where sTime = $first") winners, expected $per"
[ "$(sql "select sNo from AwardList order by RecNo limit 1")" = 100251 ] \
  || e2e_fail "the designated winner did not win the first turn: $(sql "select sNo from AwardList order by RecNo")"
[ "$(sql "select Checked from Award")" = 1 ] || e2e_fail "the designation was not marked used"
[ "$(sql "select count(*) from AwardList l join AwardBlank b on b.sNo = l.sNo and b.sCompCode = l.sCompCode")" = 0 ] \
  || e2e_fail "an excluded person won"
[ "$(sql "select ExcNum from AwardItem where RecNo = $first")" = "$per" ] || e2e_fail "the item was not counted"
[ "$(sql "select count(*) from (select 1 from AwardList group by sNo, sCompCode having count(*) > 1)")" = 0 ] \
  || e2e_fail "somebody won twice"
echo "PASS: designated winner and exclusions end to end"
