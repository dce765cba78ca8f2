#!/usr/bin/env bash
# Presses of 50 and of 100 winners at 1920 x 1080, with the usual loop count
# (iTime 5): every winner of a press is on the board at once (check_board.py
# counts the boxes that hold one), and the press of 100 is timed from the stop
# press to its last winner and printed (the goal is 30 seconds).
# Screenshots: build/screenshots/large-press-50.png, large-press-100.png.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
PY=/usr/bin/python3
[ -x "$PY" ] || { echo "SKIP: $PY is missing"; exit 77; }
"$PY" -c 'import PIL' 2>/dev/null || { echo "SKIP: python3-pil is missing"; exit 77; }
e2e_require || exit 77
E2E_TIMEOUT=60

winners() {
  "$PY" -c 'import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute("select count(*) from AwardList").fetchone()[0])' \
    "$E2E_RUN/config.dll" 2>/dev/null
}

e2e_start_xvfb 1920x1080x24
e2e_make_runtime demo
# Two lucky-draw items of 50 and 100 winners a press, drawn first.
"$PY" - "$E2E_RUN/config.dll" <<'PYEOF' || e2e_fail "could not prepare the prize items"
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
items = [r[0] for r in con.execute("select RecNo from AwardItem order by RecNo")]
con.execute("update AwardItem set iSeq = iSeq + 2")
# The first item (lowest RecNo) is current at start, the second follows.
for recno, seq, name, prize, count in ((items[0], 1, "幸运奖", "购物卡", 50), (items[1], 2, "阳光普照奖", "红包", 100)):
    con.execute("update AwardItem set iSeq = ?, ItemName = ?, Awards = ?, SumNumber = ?, iNumber = ?, ExcNum = 0,"
                " IsExec = 0 where RecNo = ?", (seq, name, prize, count, count, recno))
con.commit()
PYEOF
e2e_write_settings "ATltle=2026年度员工抽奖晚会" "iTime=5" "showNo=0"
e2e_start_program
main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
sleep 1

# press N: starts the roll, stops it, waits for N more winners; prints the
# seconds from the stop press to the last of them.
press() {
  local want=$(($(winners) + $1)) start deadline now
  e2e_focus "$main"
  xdotool key Return
  sleep 0.5
  xdotool key Return
  start=$(date +%s.%N)
  deadline=$((SECONDS + 90))
  until [ "$(winners)" = "$want" ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "the press of $1 did not draw its winners (now $(winners))"
    # Not more often: each look starts a Python, which the press would feel.
    sleep 0.5
  done
  now=$(date +%s.%N)
  "$PY" -c 'import sys; print(round(float(sys.argv[2]) - float(sys.argv[1]), 1))' "$start" "$now"
}

take() {
  e2e_wait_still 1 || e2e_fail "the screen did not settle after the press of $1"
  local png
  png=$(e2e_screenshot "large-press-$1")
  "$PY" "$(dirname "${BASH_SOURCE[0]}")/check_board.py" "$png" "$1" \
    || e2e_fail "the board does not show the $1 winners of the press ($png)"
}

seconds=$(press 50)
echo "press of 50 winners (iTime 5): $seconds s from the stop press to the last winner"
take 50
seconds=$(press 100)
take 100
echo "press of 100 winners (iTime 5): $seconds s from the stop press to the last winner"
# The time is a figure to read (goal: 30 s on an idle machine), not a verdict:
# a loaded machine draws slower without anything being wrong.
if ! "$PY" -c 'import sys; sys.exit(float(sys.argv[1]) > 30)' "$seconds"; then
  echo "note: the press of 100 took ${seconds} s, above the 30 s goal (machine load: $(cut -d' ' -f1-3 /proc/loadavg))"
fi
echo "PASS: presses of 50 and 100 show every winner; 100 in ${seconds} s"
