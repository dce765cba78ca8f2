#!/usr/bin/env bash
# The real program under Xvfb on a demo database, the grids edited with real
# keys: Insert in the settings screen's roster grid neither crashes nor writes
# an empty row, a typed new row is written; Insert and Esc in the prize grid
# take the new row back; a new item added with Down on the last row can be
# drawn; the operator's own password set in the settings screen (设置密码)
# is kept only as a hash and F2 then takes it, not 582; on F2 two codes are
# entered one after the other and both stay.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
e2e_start_program

main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
e2e_wait_painted

sql() {
  python3 - "$E2E_RUN/config.dll" "$1" <<'PY'
import sqlite3, sys
for row in sqlite3.connect(sys.argv[1]).execute(sys.argv[2]):
    print("|".join("" if v is None else str(v) for v in row))
PY
}

alive() { kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended: $1"; }

# Windows titled "系统设置" (or the third argument) of the given designed size
# (a screen may be shown scaled: the size then keeps its proportions).
find_screen() { # width height [title]
  local id geometry w h
  for id in $(xdotool search --onlyvisible --name "^${3:-系统设置}\$" 2>/dev/null); do
    geometry=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
    read -r w h <<<"$geometry"
    if [ $((w * $2)) -eq $((h * $1)) ] && [ "$w" -ge "$1" ]; then
      echo "$id"
      return 0
    fi
  done
  return 1
}
wait_screen() {
  local deadline=$((SECONDS + E2E_TIMEOUT))
  while [ $SECONDS -lt $deadline ]; do
    find_screen "$1" "$2" "${3:-}" && return 0
    sleep 0.2
  done
  return 1
}
# Clicks a point given in the screen's designed coordinates.
click_at() { # window designed-width x y
  local w
  w=$(xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  xdotool mousemove --window "$1" $(($3 * w / $2)) $(($4 * w / $2)) click 1
}
# An error report is a second window titled like the main one.
no_error_box() {
  [ "$(xdotool search --onlyvisible --name '^员工抽奖系统$' 2>/dev/null | wc -l)" -le 1 ] \
    || { e2e_screenshot "grids-error-$1" >/dev/null; e2e_fail "an error was reported: $1"; }
}

# The settings screen's fixed size, by which its window is found.
SETUP_W=761 SETUP_H=476

# --- F10: roster grid ---
# Insert, leaving the untouched new row, then Insert, a typed code and Enter:
# once the typed row is written, the roster must have exactly one row more
# (an empty row written by Insert or by leaving would make it two).
e2e_key F10
setup=$(wait_screen $SETUP_W $SETUP_H) || e2e_fail "F10 did not open the settings screen"
e2e_focus "$setup"
# Clicks land where the screen is painted, not where it is still being placed.
e2e_wait_still 0.5 || e2e_fail "the settings screen did not settle"
click_at "$setup" 761 120 116 # first roster row
e2e_key Insert
click_at "$setup" 761 120 134 # leaves the untouched new row
e2e_key Insert
e2e_type "Z9"
e2e_key Return
typed_written() { [ "$(sql "select count(*) from EmpNo where DartNo = 'Z9'")" = 1 ]; }
e2e_wait_for "the typed roster row (部门 Z9) to be written" typed_written
alive "a typed roster row"
no_error_box "a typed roster row"
[ "$(sql 'select count(*) from EmpNo')" = 401 ] \
  || e2e_fail "Insert or leaving an untouched new row wrote a row: $(sql 'select count(*) from EmpNo') rows"

# --- F10: prize grid, Insert and Esc ---
# Then Down on the last row, a name and Enter: an item that can be drawn.
# Once it is written, Insert and Esc must have left nothing behind, and the
# screen was still open to take the keys.
click_at "$setup" 761 400 113 # first prize row
e2e_key Insert
e2e_screenshot grids-prize-pending >/dev/null
e2e_key Escape
click_at "$setup" 761 375 113 # first prize row, its name
e2e_key Down Down Down
e2e_type "Prize4"
e2e_key Return
prize4() { [ -n "$(sql "select 1 from AwardItem where ItemName = 'Prize4'")" ]; }
e2e_wait_for "the new item Prize4 (did Esc on a pending row close the screen?)" prize4
alive "a new prize item"
no_error_box "a new prize item"
[ -n "$(find_screen $SETUP_W $SETUP_H)" ] || e2e_fail "Esc on a pending row closed the screen"
[ "$(sql 'select count(*) from AwardItem')" = 4 ] || e2e_fail "Insert and Esc left an item: $(sql 'select * from AwardItem')"
[ "$(sql "select iSeq, ExcNum, IsExec from AwardItem where ItemName = 'Prize4'")" = "4|0|0" ] \
  || e2e_fail "the new item is not open to the draw: $(sql 'select * from AwardItem')"

# --- F10: 设置密码 ---
click_at "$setup" 761 348 456
pwbox=$(e2e_wait_window "设置密码") || e2e_fail "设置密码 did not open its screen"
e2e_focus "$pwbox"
e2e_wait_still 0.5 || e2e_fail "the password screen did not settle"
e2e_type "582"
e2e_key Tab
e2e_type "Gala-26"
e2e_key Tab
e2e_type "Gala-26"
e2e_key Return
hashed() { grep -q '^passwordHash=pbkdf2-sha256\$600000\$' "$E2E_RUN/config.ini" 2>/dev/null; }
e2e_wait_for "the new password's hash in config.ini" hashed
! grep -q 'Gala' "$E2E_RUN/config.ini" || e2e_fail "config.ini holds the password in clear"
e2e_screenshot grids-password-set >/dev/null
e2e_key Return # the message that it is set
e2e_wait_gone "设置密码" || e2e_fail "the password screen did not close"
e2e_focus "$setup"
e2e_key Escape
e2e_key Escape
deadline=$((SECONDS + E2E_TIMEOUT))
while [ -n "$(find_screen $SETUP_W $SETUP_H)" ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
[ -z "$(find_screen $SETUP_W $SETUP_H)" ] || e2e_fail "Escape did not close the settings screen"

# --- F2: two codes one after the other ---
# The second prize item is chosen in the box while the first designation is
# selected: it is for the row added next, the first keeps its item.
read -r item1 item2 <<<"$(sql 'select RecNo from AwardItem order by iSeq, RecNo limit 2' | tr '\n' ' ')"
e2e_focus "$main"
e2e_key F2
box=$(e2e_wait_window "指定与排除") || e2e_fail "F2 did not ask for the password"
e2e_focus "$box"
e2e_type "582"
e2e_key Return
# 582 no longer holds: a notice says the password is wrong.
e2e_close_second_box 指定与排除 "$box" "the notice that 582 is wrong now"
e2e_focus "$main"
e2e_key F2
box=$(e2e_wait_window "指定与排除") || e2e_fail "F2 did not ask again (did 582 open the lists?)"
[ -z "$(find_screen 681 309 指定与排除)" ] || e2e_fail "582 opened the lists after a password was set"
e2e_focus "$box"
e2e_type "Gala-26"
e2e_key Return
lists=$(wait_screen 681 309 指定与排除) || e2e_fail "the password set in the settings screen did not open the lists screen"
e2e_focus "$lists"
e2e_wait_still 0.5 || e2e_fail "the lists screen did not settle"
e2e_type "100001"
e2e_key Return
click_at "$lists" 681 120 84 # the designation row in the grid
click_at "$lists" 681 300 42 # the prize-item box: its list opens
e2e_key Down Return # the second item
click_at "$lists" 681 120 84 # the designation row again
e2e_key Down
click_at "$lists" 681 56 42 # the code edit
e2e_type "100002"
e2e_key Return
two() { [ "$(sql "select count(*) from Award where sNo = '100002'")" = 1 ]; }
e2e_wait_for "the second designation 100002" two
e2e_screenshot grids-two-designations >/dev/null
alive "two designations"
no_error_box "two designations"
[ "$(sql 'select sNo, sCompCode, sTime from Award order by sNo' | tr '\n' ' ')" = "100001|一厂|$item1 100002|二厂|$item2 " ] \
  || e2e_fail "expected 100001 with item $item1 and 100002 with item $item2: $(sql 'select * from Award')"
echo "PASS: grids end to end"
