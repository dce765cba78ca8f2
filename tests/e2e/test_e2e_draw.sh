#!/usr/bin/env bash
# The real program under Xvfb on the demo database: Enter rolls the digits,
# Enter stops them and the press draws the current prize item's winners per
# press; a second press completes the item and the next one becomes current.
# After each press the database must be consistent (every item's count equals
# its winner rows, nobody has won twice, every winner is in the roster), the
# board must show one label per winner in its grid places, and the digits must
# show a winner's code. Esc and Enter on the close question end the program.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
PY=/usr/bin/python3
[ -x "$PY" ] || { echo "SKIP: $PY is missing"; exit 77; }
e2e_require || exit 77

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
e2e_write_settings "ATltle=年终抽奖" "iTime=5" "showNo=0"
db="$E2E_RUN/config.dll"

sql() { e2e_sql "$db" "$1"; }

# Prints nothing when the stored draw is consistent, else one line per fault.
consistency_faults() {
  "$PY" - "$db" <<'PYEOF'
import sqlite3, sys
con = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True, timeout=5)
for recno, name, exc, total, done in con.execute("select RecNo, ItemName, ExcNum, SumNumber, IsExec from AwardItem"):
    rows = con.execute("select count(*) from AwardList where sTime = ?", (recno,)).fetchone()[0]
    if rows != exc:
        print(f"item {recno} {name}: ExcNum {exc} but {rows} winner rows")
    if rows > total:
        print(f"item {recno} {name}: {rows} winners for {total} places")
    if bool(done) != (rows >= total):
        print(f"item {recno} {name}: IsExec {done} with {rows} of {total} drawn")
for code, factory, n in con.execute(
        "select sNo, sCompCode, count(*) from AwardList group by sNo, sCompCode having count(*) > 1"):
    print(f"{code}/{factory} won {n} times")
for code, factory in con.execute(
        "select sNo, sCompCode from AwardList l where not exists"
        " (select 1 from EmpNo e where e.EmpCode = l.sNo and e.CompCode = l.sCompCode)"):
    print(f"winner {code}/{factory} is not in the roster")
for code, in con.execute("select sNo from AwardList where sNo = '' or sNo is null or sNo = '000000'"):
    print(f"winner with code '{code}'")
PYEOF
}

# Waits until item $1 has $2 winner rows and the press has ended (the last
# winner's one-second pause and the preparation of the next item).
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
  e2e_wait_still 0.5 || e2e_fail "the screen did not settle after the press"
}

# Fraction (0..1) of pure-blue board text pixels in a rectangle of a picture.
blue_share() { # png w h x y
  convert "$1" -crop "$2x$3+$4+$5" +repage -fuzz 20% -fill black +opaque "rgb(0,0,255)" \
    -fill white -opaque "rgb(0,0,255)" -colorspace Gray -format '%[fx:mean]' info:
}

# Board place of label n (1-based) on the screen: the draw panel starts at 80.
check_board() { # png count
  local png="$1" count="$2" n c r x y share
  for n in $(seq 1 8); do
    c=$(((n - 1) % 4)); r=$(((n - 1) / 4))
    # The upper part of a place only: a label's second line reaches into the
    # row below.
    x=$((180 + c * 200)); y=$((80 + 10 + r * 57))
    share=$(blue_share "$png" 100 30 "$x" $((y + 5)))
    if [ "$n" -le "$count" ]; then
      awk -v s="$share" 'BEGIN { exit !(s > 0.02) }' || e2e_fail "board label $n missing at $x,$y (blue share $share)"
    else
      awk -v s="$share" 'BEGIN { exit !(s < 0.005) }' || e2e_fail "unexpected board label $n at $x,$y (blue share $share)"
    fi
  done
}

# The digits panel starts at 480; number k stands at 150 + (k-1) * 151, top 19.
digit_differs() { # png-before png-after k
  local x=$((150 + ($3 - 1) * 151)) ae
  ae=$(compare -metric AE -crop "66x142+$x+499" "$1" "$2" null: 2>&1)
  ae=${ae%% *}
  [ "${ae%.*}" -gt 200 ]
}

e2e_start_program
main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
e2e_wait_painted
before=$(e2e_screenshot draw-before)

first=$(sql "select RecNo from AwardItem order by RecNo limit 1")
read -r per total <<<"$(sql "select iNumber, SumNumber from AwardItem where RecNo = $first")"
[ "$per" -ge 1 ] && [ "$total" -gt "$per" ] || e2e_fail "demo item $first is not drawn in two presses ($per of $total)"

# First press.
e2e_key Return
e2e_wait_rolling
rolling=$(e2e_screenshot draw-rolling)
[ "$(sql "select count(*) from AwardList")" = 0 ] || e2e_fail "winners were stored while the digits roll"
e2e_focus "$main"
e2e_key Return
wait_for_press "$first" "$per"
faults=$(consistency_faults)
[ -z "$faults" ] || e2e_fail "after the first press: $faults"
[ "$(sql "select count(*) from AwardList")" = "$per" ] || e2e_fail "the first press stored winners for another item"
shot=$(e2e_screenshot draw-after-first-press)
echo "screenshots: $before $rolling $shot"
check_board "$shot" "$per"
digit_differs "$before" "$shot" 1 || e2e_fail "the first digit still shows 0 after the press"
last_code=$(sql "select sNo from AwardList order by RecNo desc limit 1")
[ "$last_code" != "000000" ] || e2e_fail "the last winner's code is 000000"

# Second press: the item gets what is left of its places and becomes complete.
left=$((total - per)); [ "$left" -gt "$per" ] && left=$per
e2e_focus "$main"
e2e_key Return
e2e_wait_rolling
e2e_key Return
wait_for_press "$first" $((per + left))
faults=$(consistency_faults)
[ -z "$faults" ] || e2e_fail "after the second press: $faults"
[ "$(sql "select count(*) from AwardList")" = $((per + left)) ] || e2e_fail "the second press stored winners for another item"
[ "$(sql "select IsExec from AwardItem where RecNo = $first")" = 1 ] \
  || [ $((per + left)) -lt "$total" ] || e2e_fail "the completed item is not marked done"
shot2=$(e2e_screenshot draw-after-second-press)
echo "screenshot: $shot2"
check_board "$shot2" "$left"
[ "$(compare -metric AE -crop 760x250+170+85 "$shot" "$shot2" null: 2>&1 | cut -d' ' -f1)" != 0 ] \
  || e2e_fail "the board did not change between the presses"

# Esc asks; Enter takes the default answer, Yes, and the program ends.
e2e_focus "$main"
e2e_key Escape
question=$(e2e_wait_window "退出系统") || e2e_fail "Esc did not ask before closing"
e2e_focus "$question"
e2e_key Return
e2e_wait_exit || e2e_fail "the program did not end after Enter on the close question"
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "the program ended with status $E2E_EXIT"
faults=$(consistency_faults)
[ -z "$faults" ] || e2e_fail "after the end: $faults"
echo "PASS: two presses end to end"
