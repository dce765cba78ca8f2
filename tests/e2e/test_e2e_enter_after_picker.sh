#!/usr/bin/env bash
# F9, the second open prize item chosen and Enter pressed at once behind the
# Enter that closes the picker: with a roster of 100,000 the refresh after the
# picker takes a moment, and the second Enter must start the press for the
# item just chosen, never for the one before it.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77
command -v python3 >/dev/null || { echo "SKIP: python3 is missing"; exit 77; }

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
e2e_write_settings "iTime=0"
# A large roster, so that the refresh lets events through for a while.
python3 - "$E2E_RUN/config.dll" <<'PY' || e2e_fail "could not enlarge the roster"
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
con.executemany("insert into EmpNo(EmpCode, EmpName, CompCode, DartNo) values(?, ?, '五厂', '生产部')",
                ((str(500000 + i), "员工%d" % i) for i in range(100000)))
con.commit()
PY
# The item the picker shows second: the second open item in draw order,
# read before the press (which may finish it, and the order with it).
read -r chosen per <<<"$(python3 - "$E2E_RUN/config.dll" <<'PY'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
rows = con.execute("select RecNo, iNumber from AwardItem where ExcNum < SumNumber order by iSeq, RecNo").fetchall()
print(rows[1][0], min(rows[1][1], 20))
PY
)"
e2e_start_program

# A roster of 100,000 takes a while to load on a busy machine.
main=$(E2E_TIMEOUT=$((E2E_TIMEOUT * 3)) e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
e2e_wait_painted

# differs FILE: the display now differs from the picture FILE.
differs() {
  import -window root "$E2E_WORK/now.png"
  [ "$(compare -metric AE "$1" "$E2E_WORK/now.png" null: 2>&1)" != "0" ]
}
import -window root "$E2E_WORK/before-picker.png"
e2e_key F9
picker=$(e2e_wait_window "选择奖项") || e2e_fail "the current prize picker did not open"
e2e_focus "$picker"
e2e_wait_for "the picker to be painted" differs "$E2E_WORK/before-picker.png"
e2e_wait_still 0.3 || e2e_fail "the picker did not settle"
# Down moves the picker's mark to the second item: wait until it shows.
import -window root "$E2E_WORK/picker-first.png"
e2e_key Down
e2e_wait_for "Down to mark the second item in the picker" differs "$E2E_WORK/picker-first.png"
# Choose, then Enter at once on the main screen. No window manager moves the
# focus back to the main window, so the same xdotool call does it at once.
xdotool key Return windowfocus "$main" key Return
e2e_wait_gone "选择奖项" || e2e_fail "the picker did not close"

# The press starts once the refresh is over: wait until the digits roll (two
# pictures of the digits band differ), then stop it.
digits() { import -window root -crop 1024x180+0+480 "$E2E_WORK/$1.png"; }
rolling=""
deadline=$((SECONDS + E2E_TIMEOUT * 3))
digits roll-a
while [ $SECONDS -lt $deadline ]; do
  sleep 0.4
  digits roll-b
  if [ "$(compare -metric AE "$E2E_WORK/roll-a.png" "$E2E_WORK/roll-b.png" null: 2>&1)" != "0" ]; then
    rolling=yes
    break
  fi
done
[ -n "$rolling" ] || e2e_fail "the Enter given right after the picker started no press"
e2e_focus "$main"
e2e_key Return # stop: the winners of the press are drawn

stored() {
  python3 - "$E2E_RUN/config.dll" "$chosen" <<'PY'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
item = int(sys.argv[2])
mine = con.execute("select count(*) from AwardList where sTime = ?", (item,)).fetchone()[0]
other = con.execute("select count(*) from AwardList where sTime <> ?", (item,)).fetchone()[0]
exc = con.execute("select ExcNum from AwardItem where RecNo = ?", (item,)).fetchone()[0]
print(mine, other, exc)
PY
}
deadline=$((SECONDS + E2E_TIMEOUT * 3))
while [ "$(stored)" != "$per 0 $per" ] && [ $SECONDS -lt $deadline ]; do sleep 0.3; done
shot=$(e2e_screenshot enter-after-picker)
echo "screenshot: $shot"
[ "$(stored)" = "$per 0 $per" ] || e2e_fail "expected $per winners of item $chosen and none of another, found (chosen other count) $(stored)"
echo "PASS: Enter right after the picker draws for the chosen item"
