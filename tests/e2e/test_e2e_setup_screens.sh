#!/usr/bin/env bash
# The real program under Xvfb at 1024 x 768 on a demo database: F8 opens the
# prize item entry page, F9 the current prize picker and F10 the settings
# screen; each is photographed and closed with Esc, which writes nothing.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
items_before=$(sqlite3 "$E2E_RUN/config.dll" "select count(*) from AwardItem" 2>/dev/null || echo "?")
e2e_start_program

main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
e2e_wait_painted

# open KEY TITLE SHOT: opens a screen by its key, photographs it, closes it with Esc.
open_screen() {
  local key="$1" title="$2" shot="$3" win png
  e2e_focus "$main"
  import -window root "$E2E_WORK/before-$shot.png"
  e2e_key "$key"
  win=$(e2e_wait_window "$title") || e2e_fail "$key did not open \"$title\""
  e2e_focus "$win"
  # Mapped is not yet painted: wait until the display shows the screen.
  shown() {
    import -window root "$E2E_WORK/now.png"
    [ "$(compare -metric AE "$E2E_WORK/before-$shot.png" "$E2E_WORK/now.png" null: 2>&1)" != "0" ]
  }
  e2e_wait_for "\"$title\" to be painted" shown
  e2e_wait_still 0.5 || e2e_fail "\"$title\" did not settle"
  png=$(e2e_screenshot "$shot")
  echo "screenshot: $png"
  e2e_key Escape
  e2e_wait_gone "$title" || e2e_fail "Esc did not close \"$title\""
  LAST_SHOT="$png"
}

open_screen F8 "设置奖项" setitem
# The entry page fills the screen; its first field sits near the bottom.
e2e_pixel_near "$LAST_SHOT" 400 640 "255 255 255" || e2e_fail "no entry field at 400,640: $(e2e_pixel "$LAST_SHOT" 400 640)"

open_screen F9 "选择奖项" setcurritem
# The picker's rows are red.
e2e_pixel_near "$LAST_SHOT" 200 230 "255 0 0" || e2e_fail "picker rows are not red at 200,230: $(e2e_pixel "$LAST_SHOT" 200 230)"

open_screen F10 "系统设置" setup

kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended"
if command -v sqlite3 >/dev/null 2>&1; then
  items_after=$(sqlite3 "$E2E_RUN/config.dll" "select count(*) from AwardItem")
  [ "$items_after" = "$items_before" ] || e2e_fail "Esc on the entry page added an item ($items_before -> $items_after)"
fi
[ ! -e "$E2E_RUN/config.ini" ] || e2e_fail "Esc on the settings screen wrote config.ini"
echo "PASS: the three prize and settings screens open by their keys"
