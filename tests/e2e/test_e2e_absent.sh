#!/usr/bin/env bash
# The real program under Xvfb on a demo database whose first prize item is
# filled by one press: a press, F11 and Shift+Del on a winner who is not in
# the room, Esc, and the next press draws the freed place of the same item
# from the people still eligible. F12 in the winners list saves the draw
# record, which is read back with openpyxl and compared with the database.
# Every other item is finished: Del on a winner of the finished first item
# gives the place back, and the next press draws it (never "all drawn").
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77
PY=/usr/bin/python3
"$PY" -c 'import openpyxl' 2>/dev/null || { echo "SKIP: python3-openpyxl is not installed"; exit 77; }

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
e2e_write_settings "iTime=2"
db="$E2E_RUN/config.dll"
sql() { e2e_sql "$db" "$1"; }
first=$(sql "select RecNo from AwardItem order by RecNo limit 1")
sql "update AwardItem set SumNumber = 3, iNumber = 3 where RecNo = $first" >/dev/null
sql "update AwardItem set ExcNum = SumNumber, IsExec = 1 where RecNo <> $first" >/dev/null

# Waits until item $1 has $2 winner rows and the press has ended.
wait_for_press() {
  local item="$1" want="$2" deadline=$((SECONDS + E2E_TIMEOUT)) got=""
  while [ $SECONDS -lt $deadline ]; do
    kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended during the press"
    got=$(sql "select count(*) from AwardList where sTime = $item")
    [ "$got" = "$want" ] && break
    sleep 0.2
  done
  [ "$got" = "$want" ] || e2e_fail "item $item has $got winners after the press, expected $want"
  e2e_wait_idle "$main"
}
press() {
  e2e_focus "$main"
  e2e_key Return
  e2e_wait_rolling
  e2e_key Return
}
# Answers the question of the winners list with Yes.
answer_yes() {
  local question
  question=$(e2e_wait_window "系统提示") || e2e_fail "$1 did not ask"
  e2e_focus "$question"
  e2e_key y
  e2e_wait_gone "系统提示" || e2e_fail "Yes did not close the question after $1"
}

e2e_start_program
main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
e2e_wait_painted
press
wait_for_press "$first" 3
[ "$(sql "select IsExec from AwardItem where RecNo = $first")" = 1 ] || e2e_fail "the press did not finish the item"
# The list's first row is the item's first winner.
read -r absent factory <<<"$(sql "select sNo, sCompCode from AwardList where sTime = $first order by RecNo limit 1")"

e2e_focus "$main"
e2e_key F11
lists=$(e2e_wait_window "中奖名单") || e2e_fail "F11 did not open the winners list"
e2e_focus "$lists"
e2e_key shift+Delete
answer_yes "Shift+Del"
# The absence is one transaction: once the person is excluded, the rest holds.
excluded() { [ "$(sql "select count(*) from AwardBlank where sNo = '$absent' and sCompCode = '$factory'")" = 1 ]; }
e2e_wait_for "the absent winner to be excluded" excluded
[ -z "$(sql "select sNo from AwardList where sNo = '$absent' and sCompCode = '$factory'")" ] \
  || e2e_fail "the absent winner is still stored"
[ "$(sql "select ExcNum from AwardItem where RecNo = $first")" = 2 ] || e2e_fail "the item was not recounted"
e2e_wait_still 0.5 || e2e_fail "the winners list did not settle"
e2e_screenshot absent-winner-list >/dev/null
e2e_focus "$lists"
e2e_key Escape
e2e_wait_gone "中奖名单" || e2e_fail "Esc did not close the winners list"
e2e_wait_idle "$main"
e2e_screenshot absent-ready-line >/dev/null

# The next press draws one winner for the finished item, and nobody else.
press
wait_for_press "$first" 3
[ "$(sql "select count(*) from AwardList")" = 3 ] || e2e_fail "the press drew for another item"
[ -z "$(sql "select sNo from AwardList where sNo = '$absent' and sCompCode = '$factory'")" ] \
  || e2e_fail "the absent winner was drawn again"
e2e_screenshot absent-replacement >/dev/null

# F12 saves the draw record; the save dialog takes a typed path.
out="$E2E_WORK/record.xlsx"
e2e_focus "$main"
e2e_key F11
lists=$(e2e_wait_window "中奖名单") || e2e_fail "F11 did not open the winners list again"
e2e_focus "$lists"
e2e_key F12
dialog=$(e2e_wait_window "(Save As|另存为|保存|Save)") || e2e_fail "F12 did not open the save dialog"
e2e_focus "$dialog"
e2e_wait_still 0.5 || e2e_fail "the save dialog did not settle"
e2e_type "$out"
e2e_key Return
saved() { [ -s "$out" ]; }
e2e_wait_for "F12 to save the record at $out" saved
e2e_focus "$lists"
e2e_key Escape
e2e_wait_gone "中奖名单" || e2e_fail "Esc did not close the winners list"

"$PY" - "$db" "$out" "$absent" "$factory" "$first" <<'PYEOF' || e2e_fail "the exported record disagrees with the database"
import sqlite3, sys, openpyxl
db, path, absent, factory, item = sys.argv[1:]
con = sqlite3.connect(db)
stored = [[str(v) if v is not None else "" for v in r] for r in con.execute(
    "select RecNo, sWhen, sEvent, sTime, sItemName, sAwards, sNo, sName, sCompCode, sHow, sScope from DrawLog "
    "order by RecNo")]
sheet = openpyxl.load_workbook(path).worksheets[0]
rows = [["" if c is None else str(c) for c in r] for r in sheet.iter_rows(values_only=True)]
assert rows[0] == ["序号", "时间", "事件", "奖项编号", "奖项", "奖品", "中奖号码", "姓名", "工厂名称", "方式", "抽奖范围"], rows[0]
assert rows[1:] == stored, (rows[1:], stored)
# First the commitment of the seed the presses drew with, shown before them.
assert stored[0][2] == "承诺" and stored[0][10] == con.execute("select sCommit from DrawSeed").fetchone()[0], stored[0]
events = [(r[2], r[6], r[7 + 1], r[3], r[9]) for r in stored[1:]]
assert [e[0] for e in events] == ["中奖"] * 3 + ["弃奖", "中奖"], events
assert events[3][1:4] == (absent, factory, item), events[3]
assert all(e[3] == item and e[4] == "随机" for e in events if e[0] == "中奖"), events
print(f"{len(stored)} records read back")
PYEOF

# Del (not absent) on the finished item's first winner while every item is
# finished: the place returns and the next press draws it.
e2e_focus "$main"
e2e_key F11
lists=$(e2e_wait_window "中奖名单") || e2e_fail "F11 did not open the winners list a third time"
e2e_focus "$lists"
e2e_key Delete
answer_yes "Del"
two() { [ "$(sql "select count(*) from AwardList where sTime = $first")" = 2 ]; }
e2e_wait_for "Del to delete the winner" two
e2e_focus "$lists"
e2e_key Escape
e2e_wait_gone "中奖名单" || e2e_fail "Esc did not close the winners list"
e2e_wait_idle "$main"
press
wait_for_press "$first" 3
echo "PASS: absent winner replaced from the same item; record exported and read back; a deleted winner's place drawn"
