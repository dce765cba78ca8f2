#!/usr/bin/env bash
# The real program under Xvfb on a demo database with twelve winners: F11 opens
# the winners list over the whole screen, Del asks and No keeps the winner,
# Del and Yes deletes the selected winner and recounts its prize item (a
# snapshot of the twelve is kept first), Esc closes the list and the main
# screen shows the drawing line again; 恢复数据 in the settings screen brings
# the deleted winner back.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77
PY=/usr/bin/python3

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
db="$E2E_RUN/config.dll"
sql() { "$PY" - "$db" "$1" <<'PYEOF'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
rows = con.execute(sys.argv[2]).fetchall()
con.commit()
print("\n".join(" ".join(str(v) for v in r) for r in rows))
PYEOF
}
# Twelve winners spread over the prize items, counted on their items.
"$PY" - "$db" <<'PYEOF'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
items = [r[0] for r in con.execute("select RecNo from AwardItem order by RecNo")]
people = con.execute("select EmpCode, EmpName, CompCode from EmpNo order by RecNo limit 12").fetchall()
for n, (code, name, factory) in enumerate(people):
    con.execute("insert into AwardList(sNo, sName, sTime, sCompCode) values(?,?,?,?)",
                (code, name, items[n % len(items)], factory))
con.execute("update AwardItem set ExcNum = (select count(*) from AwardList where sTime = AwardItem.RecNo)")
con.commit()
PYEOF
first_item=$(sql "select min(RecNo) from AwardItem")
first_winner=$(sql "select sNo from AwardList where sTime = $first_item order by RecNo limit 1")
count_before=$(sql "select ExcNum from AwardItem where RecNo = $first_item")

e2e_start_program
main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
e2e_wait_painted

e2e_key F11
lists=$(e2e_wait_window "中奖名单") || e2e_fail "F11 did not open the winners list"
geometry=$(xdotool getwindowgeometry "$lists")
grep -q "Geometry: 1024x768" <<<"$geometry" || e2e_fail "the winners list does not fill the screen: $geometry"
e2e_focus "$lists"
e2e_wait_still 0.5 || e2e_fail "the winners list did not settle"
shot=$(e2e_screenshot winners-list)
echo "screenshot: $shot"
check() { # x y "r g b" what
  e2e_pixel_near "$shot" "$1" "$2" "$3" || e2e_fail "$4 at $1,$2 is $(e2e_pixel "$shot" "$1" "$2"), expected about $3"
}
check 100 400 "255 0 0" "red row indicator of the list"
check 245 430 "255 0 0" "red cell of the list"
check 930 400 "190 27 20" "background picture right of the list"
check 512 130 "244 196 69" "gold rule of the background picture"

# Del, No: nothing changes.
e2e_key Delete
question=$(e2e_wait_window "系统提示") || e2e_fail "Del did not ask"
e2e_screenshot delete-question >/dev/null
e2e_focus "$question"
e2e_key n
e2e_wait_gone "系统提示" || e2e_fail "No did not close the question"
[ "$(sql "select count(*) from AwardList")" = 12 ] || e2e_fail "No deleted a winner"

# Del, Yes: the first row's winner is gone and the item recounted.
e2e_focus "$lists"
e2e_key Delete
question=$(e2e_wait_window "系统提示") || e2e_fail "Del did not ask a second time"
e2e_focus "$question"
e2e_key y
e2e_wait_gone "系统提示" || e2e_fail "Yes did not close the question"
eleven() { [ "$(sql "select count(*) from AwardList")" = 11 ]; }
e2e_wait_for "Yes to delete the winner" eleven
[ -z "$(sql "select sNo from AwardList where sNo = '$first_winner'")" ] || e2e_fail "the selected winner is still stored"
[ "$(sql "select ExcNum from AwardItem where RecNo = $first_item")" = $((count_before - 1)) ] \
  || e2e_fail "the prize item was not recounted"
e2e_screenshot winners-list-after-delete >/dev/null
snapshots=("$E2E_RUN"/backups/config.*.删除中奖者.dll)
[ "${#snapshots[@]}" = 1 ] && [ -f "${snapshots[0]}" ] || e2e_fail "no snapshot before the deletion: $(ls "$E2E_RUN/backups" 2>&1)"
[ "$(db="${snapshots[0]}" sql "select count(*) from AwardList")" = 12 ] || e2e_fail "the snapshot does not hold the twelve"

# Esc closes the list; the program goes on with the main screen.
e2e_focus "$lists"
e2e_key Escape
e2e_wait_gone "中奖名单" || e2e_fail "Esc did not close the winners list"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended with the winners list"
e2e_wait_idle "$main"
e2e_screenshot after-winners-list >/dev/null

# 恢复数据 (settings screen, bottom row), the newest snapshot (Return), the
# question and the closing message: the twelve are back and the settings
# screen has closed.
e2e_focus "$main"
e2e_key F10
setup=$(e2e_wait_window "系统设置") || e2e_fail "F10 did not open the settings screen"
e2e_focus "$setup"
e2e_wait_still 0.5 || e2e_fail "the settings screen did not settle"
xdotool mousemove --window "$setup" 156 456 click 1
picker=$(e2e_wait_window "恢复数据") || e2e_fail "恢复数据 did not open the list of snapshots"
e2e_focus "$picker"
e2e_wait_still 0.5 || e2e_fail "the list of snapshots did not settle"
e2e_screenshot restore-list >/dev/null
e2e_key Return
question=$(e2e_wait_window "系统提示") || e2e_fail "the restore did not ask"
e2e_focus "$question"
e2e_key Return
twelve() { [ "$(sql "select count(*) from AwardList")" = 12 ]; }
e2e_wait_for "the restore to bring the deleted winner back" twelve
done_box=$(e2e_wait_window "系统提示") || e2e_fail "no message after the restore"
e2e_focus "$done_box"
e2e_key Return
e2e_wait_gone "系统设置" || e2e_fail "the settings screen stayed open after the restore"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended with the restore"
e2e_wait_idle "$main"
ls "$E2E_RUN"/backups/config.*.恢复.dll >/dev/null 2>&1 || e2e_fail "the data replaced by the restore was not kept"
exit 0
