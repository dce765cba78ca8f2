#!/usr/bin/env bash
# The real program under Xvfb on a demo database: F2 and the password 582 open
# the designated-winner and exclusion lists; a code typed with Enter becomes a
# designation written at once; Escape closes the screen and keeps the row.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
e2e_start_program

main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
e2e_wait_painted

# The password box, its notice and the lists screen share their caption
# (指定与排除); the screen is told apart by its size.
find_lists_screen() {
  local id
  for id in $(xdotool search --onlyvisible --name '^指定与排除$' 2>/dev/null); do
    if xdotool getwindowgeometry "$id" | grep -q "Geometry: 681x309"; then
      echo "$id"
      return 0
    fi
  done
  return 1
}
wait_lists_screen() {
  local deadline=$((SECONDS + E2E_TIMEOUT))
  while [ $SECONDS -lt $deadline ]; do
    find_lists_screen && return 0
    sleep 0.2
  done
  return 1
}

rows() { # table: prints "sNo|sName|sCompCode" per row
  python3 - "$E2E_RUN/config.dll" "$1" <<'PY'
import sqlite3, sys
for row in sqlite3.connect(sys.argv[1]).execute("select sNo, sName, sCompCode from %s order by RecNo" % sys.argv[2]):
    print("|".join("" if v is None else str(v) for v in row))
PY
}

# A wrong password opens nothing and says so: F2 asks again (the lists
# screen, modal, would keep the key from the main window), and then no lists
# screen is there.
e2e_key F2
box=$(e2e_wait_window "指定与排除") || e2e_fail "F2 did not ask for the password"
e2e_focus "$box"
e2e_type "58"
e2e_key Return
e2e_close_second_box 指定与排除 "$box" "the notice that the password is wrong"

e2e_focus "$main"
e2e_key F2
box=$(e2e_wait_window "指定与排除") || e2e_fail "F2 did not ask for the password again (did the wrong one open the lists?)"
[ -z "$(find_lists_screen)" ] || e2e_fail "a wrong password opened the lists"
e2e_focus "$box"
e2e_type "582"
e2e_key Return
screen=$(wait_lists_screen) || e2e_fail "the password 582 did not open the lists screen"
e2e_focus "$screen"

# The code edit of the designations has the focus when the screen opens.
e2e_type "100001"
e2e_key Return
written() { [ "$(rows Award)" = "100001|王伟|一厂" ]; }
e2e_wait_for "the designation written at once (100001|王伟|一厂)" written
e2e_wait_still 0.5 || e2e_fail "the lists screen did not settle"
shot=$(e2e_screenshot lists-screen)
echo "screenshot: $shot"

e2e_key Escape
deadline=$((SECONDS + E2E_TIMEOUT))
while [ -n "$(find_lists_screen)" ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
[ -z "$(find_lists_screen)" ] || e2e_fail "Escape did not close the lists screen"
[ "$(rows Award)" = "100001|王伟|一厂" ] || e2e_fail "the designation did not survive Escape"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended"
echo "PASS: lists screen end to end"
