#!/usr/bin/env bash
# Prize items for some people only, with real keys: a roster of five
# factories of four departments, an item for one factory and one department
# of another drawn to its end with Enter (every winner inside its scope, the
# draw record naming the scope), then an item for everybody, which takes
# from everybody else.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
PY=/usr/bin/python3
[ -x "$PY" ] || { echo "SKIP: $PY is missing"; exit 77; }
e2e_require || exit 77

e2e_start_xvfb 1024x768x24
e2e_make_runtime empty
e2e_write_settings "iTime=0"
db="$E2E_RUN/config.dll"

sql() { e2e_sql "$db" "$1"; }

"$PY" - "$db" <<'PYEOF' || e2e_fail "could not fill the database"
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
for f in range(1, 6):
    for d in range(1, 5):
        for n in range(1, 4):
            con.execute("insert into EmpNo(EmpCode, EmpName, CompCode, DartNo) values(?,?,?,?)",
                        (f"{f}{d}{n:02d}", f"员工{f}{d}{n}", f"第{f}厂", f"部门{d}"))
con.execute("insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum) "
            "values(1, '一厂专项奖', '电饭煲', 15, 5, 0, 0)")
a = con.execute("select max(RecNo) from AwardItem").fetchone()[0]
con.execute("insert into AwardScope(sTime, CompCode, DartNo) values(?, '第1厂', '')", (a,))
con.execute("insert into AwardScope(sTime, CompCode, DartNo) values(?, '第2厂', '部门2')", (a,))
con.execute("insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum) "
            "values(2, '普通奖', '水杯', 5, 5, 0, 0)")
con.commit()
PYEOF
scoped=$(sql "select RecNo from AwardItem where iSeq = 1")
open_item=$(sql "select RecNo from AwardItem where iSeq = 2")

# One press: Enter, the digits roll, Enter; waits until the item has $2 winners.
press() { # item want
  local deadline got=""
  e2e_focus "$main"
  e2e_key Return
  sleep 0.5
  e2e_key Return
  deadline=$((SECONDS + E2E_TIMEOUT))
  while [ $SECONDS -lt $deadline ]; do
    kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended during the press"
    got=$(sql "select count(*) from AwardList where sTime = $1")
    [ "$got" = "$2" ] && break
    sleep 0.2
  done
  [ "$got" = "$2" ] || e2e_fail "item $1 has $got winners after the press, expected $2"
  e2e_wait_still
}

e2e_start_program
main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_wait_still
for want in 5 10 15; do
  press "$scoped" "$want"
done
outside=$(sql "select sNo || '/' || sCompCode from AwardList where sTime = $scoped and not (sCompCode = '第1厂' or
  (sCompCode = '第2厂' and exists (select 1 from EmpNo where EmpCode = sNo and CompCode = sCompCode and DartNo = '部门2')))")
[ -z "$outside" ] || e2e_fail "winners outside the scope: $outside"
[ "$(sql "select IsExec from AwardItem where RecNo = $scoped")" = 1 ] || e2e_fail "the scoped item is not finished"
[ "$(sql "select count(*) from DrawLog where sEvent = '中奖' and sTime = $scoped and sScope = '第1厂；第2厂·部门2'")" = 15 ] \
  || e2e_fail "the draw record does not name the scope of every winner"
e2e_screenshot scope-after-scoped-item >/dev/null

press "$open_item" 5
again=$(sql "select count(*) from AwardList b where sTime = $open_item and exists
  (select 1 from AwardList a where a.sTime = $scoped and a.sNo = b.sNo and a.sCompCode = b.sCompCode)")
[ "$again" = 0 ] || e2e_fail "the item for everybody drew $again earlier winners"
[ "$(sql "select count(*) from DrawLog where sTime = $open_item and ifnull(sScope, '') = ''")" = 5 ] \
  || e2e_fail "the item for everybody has a scope in the draw record"
e2e_screenshot scope-after-open-item >/dev/null
echo "scoped item drawn within its scope; the next item drew from everybody else"
