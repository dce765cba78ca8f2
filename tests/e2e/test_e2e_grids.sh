#!/usr/bin/env bash
# The real program under Xvfb on a demo database, the grids edited with real
# keys: Insert in the settings screen's roster grid neither crashes nor writes
# an empty row, a typed new row is written; Insert and Esc in the prize grid
# take the new row back; a new item added with Down on the last row can be
# drawn; on F2 two codes are entered one after the other and both stay.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
e2e_start_program

main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
sleep 1

sql() {
  python3 - "$E2E_RUN/config.dll" "$1" <<'PY'
import sqlite3, sys
for row in sqlite3.connect(sys.argv[1]).execute(sys.argv[2]):
    print("|".join("" if v is None else str(v) for v in row))
PY
}

alive() { kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended: $1"; }

# Windows titled "系统设置" of the given designed size (a screen may be shown
# scaled: the size then keeps its proportions).
find_screen() { # width height
  local id geometry w h
  for id in $(xdotool search --onlyvisible --name '^系统设置$' 2>/dev/null); do
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
    find_screen "$1" "$2" && return 0
    sleep 0.2
  done
  return 1
}
# Clicks a point given in the screen's designed coordinates.
click_at() { # window designed-width x y
  local w
  w=$(xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  xdotool mousemove --window "$1" $(($3 * w / $2)) $(($4 * w / $2)) click 1
  sleep 0.3
}
# An error report is a second window titled like the main one.
no_error_box() {
  [ "$(xdotool search --onlyvisible --name '^员工抽奖系统$' 2>/dev/null | wc -l)" -le 1 ] \
    || { e2e_screenshot "grids-error-$1" >/dev/null; e2e_fail "an error was reported: $1"; }
}

# --- F10: roster grid ---
e2e_key F10
setup=$(wait_screen 621 418) || e2e_fail "F10 did not open the settings screen"
e2e_focus "$setup"
sleep 0.5
click_at "$setup" 621 120 116 # first roster row
e2e_key Insert
sleep 0.5
alive "Insert in the roster grid"
no_error_box "Insert in the roster grid"
[ "$(sql 'select count(*) from EmpNo')" = 400 ] || e2e_fail "Insert wrote a row at once"
click_at "$setup" 621 120 134 # leaves the untouched new row
alive "leaving the new roster row"
no_error_box "leaving the new roster row"
[ "$(sql 'select count(*) from EmpNo')" = 400 ] || e2e_fail "an untouched new roster row was written"
e2e_key Insert
e2e_type "Z9"
e2e_key Return
alive "a typed roster row"
no_error_box "a typed roster row"
[ "$(sql 'select count(*) from EmpNo')" = 401 ] || e2e_fail "the typed roster row was not written"

# --- F10: prize grid, Insert and Esc ---
click_at "$setup" 621 400 113 # first prize row
e2e_key Insert
e2e_screenshot grids-prize-pending >/dev/null
e2e_key Escape
alive "Esc on a new prize row"
[ -n "$(find_screen 621 418)" ] || e2e_fail "Esc on a pending row closed the screen"
[ "$(sql 'select count(*) from AwardItem')" = 3 ] || e2e_fail "Insert and Esc left an item"

# Down on the last row, a name and Enter: an item that can be drawn.
click_at "$setup" 621 375 113 # first prize row, its name
e2e_key Down Down Down
e2e_type "Prize4"
e2e_key Return
alive "a new prize item"
no_error_box "a new prize item"
[ "$(sql "select iSeq, ExcNum, IsExec from AwardItem where ItemName = 'Prize4'")" = "4|0|0" ] \
  || e2e_fail "the new item is not open to the draw: $(sql 'select * from AwardItem')"
e2e_key Escape
e2e_key Escape
deadline=$((SECONDS + E2E_TIMEOUT))
while [ -n "$(find_screen 621 418)" ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
[ -z "$(find_screen 621 418)" ] || e2e_fail "Escape did not close the settings screen"

# --- F2: two codes one after the other ---
e2e_focus "$main"
e2e_key F2
box=$(e2e_wait_window "系统设置") || e2e_fail "F2 did not ask for the password"
e2e_focus "$box"
e2e_type "582"
e2e_key Return
lists=$(wait_screen 681 309) || e2e_fail "the password did not open the lists screen"
e2e_focus "$lists"
sleep 0.5
e2e_type "100001"
e2e_key Return
click_at "$lists" 681 120 84 # the designation row in the grid
e2e_key Down
click_at "$lists" 681 56 42 # the code edit
e2e_type "100002"
e2e_key Return
e2e_screenshot grids-two-designations >/dev/null
alive "two designations"
no_error_box "two designations"
[ "$(sql 'select sNo, sCompCode from Award order by sNo' | tr '\n' ' ')" = "100001|一厂 100002|二厂 " ] \
  || e2e_fail "the two codes did not both stay: $(sql 'select * from Award')"
echo "PASS: grids end to end"
