#!/usr/bin/env bash
# The operator's console on a laptop beside the projector, under a window
# manager (openbox), on a real X server with two monitors: the console
# (抽奖控制台) is maximised on the laptop and the stage fills the projector. A
# press is started and stopped with Enter from the console; Shift+Del in its
# 本轮中奖 (the last press's winners, the first selected) takes an absent winner
# out and the next press draws the place; F10, F11 and F2 open the console's
# pages (F2 behind the password, whose box is on top of the console); the
# reset on the prize page clears the projector's board at once; F1 opens the
# guide. The guide's pictures of the console are taken here. Screenshots of the laptop go to build/screenshots/console/.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77
e2e_start_two_screens
e2e_start_wm
out="$E2E_SHOTS/console"
rm -rf "$out"
mkdir -p "$out"
laptop_shot() { import -window root -crop "$E2E_LAPTOP" +repage "$out/$1.png" || e2e_fail "screenshot $1 failed"; }

e2e_make_runtime demo
e2e_write_settings "iTime=0"
db="$E2E_RUN/config.dll"
sql() { e2e_sql "$db" "$1"; }
first=$(sql "select RecNo from AwardItem order by iSeq, RecNo limit 1")
sql "update AwardItem set SumNumber = 3, iNumber = 3 where RecNo = $first" >/dev/null
e2e_start_program
main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the stage did not open"
console=$(e2e_wait_window "抽奖控制台") || e2e_fail "no console with two screens"
on_projector() { [ "$(e2e_geometry "$main")" = "$E2E_PROJECTOR" ]; }
e2e_wait_for "the stage to fill the projector" on_projector
e2e_on_laptop "$console" || e2e_fail "the console is at $(e2e_geometry "$console"), not on the laptop"
e2e_window_place "$console"
[ "$WIDTH" = 1366 ] && [ "$HEIGHT" -ge 700 ] || e2e_fail "the console is not maximised on the laptop: ${WIDTH}x${HEIGHT}"
e2e_focus "$console"
e2e_wait_still 1 || e2e_fail "the console did not settle"
laptop_shot home
e2e_guide_shot console-home "$E2E_LAPTOP"

winners() { sql "select count(*) from AwardList where sTime = $first"; }
press() { # expected winners of the item afterwards
  e2e_focus "$console"
  e2e_key Return
  e2e_wait_rolling_at "$E2E_PROJECTOR"
  e2e_key Return
  drawn() { [ "$(winners)" = "$1" ]; }
  e2e_wait_for "the press from the console to store $1 winners" drawn "$1"
  idle() { [ -z "$(xdotool search --onlyvisible --name '^系统提示$' 2>/dev/null)" ] && e2e_wait_still 0.5; }
  e2e_wait_for "the press to end" idle
}
press 3
laptop_shot after-press
e2e_guide_shot console-after-press "$E2E_LAPTOP"

# Shift+Del on the first winner of the press: asked, yes, excluded; the next
# press draws the place from the others.
read -r absent factory <<<"$(sql "select sNo, sCompCode from AwardList where sTime = $first order by RecNo limit 1")"
e2e_focus "$console"
e2e_key shift+Delete
question=$(e2e_wait_window "系统提示") || e2e_fail "Shift+Del in 本轮中奖 did not ask"
e2e_box_above "$question" "$console" "the absent winner's question"
e2e_focus "$question"
e2e_key y
excluded() { [ "$(sql "select count(*) from AwardBlank where sNo = '$absent' and sCompCode = '$factory'")" = 1 ]; }
e2e_wait_for "the absent winner to be excluded" excluded
[ "$(winners)" = 2 ] || e2e_fail "the absent winner is still stored"
press 3
[ -z "$(sql "select sNo from AwardList where sNo = '$absent' and sCompCode = '$factory'")" ] \
  || e2e_fail "the absent winner was drawn again"

# The pages: F10 the settings, F11 the winners (its Shift+Del asks about the
# selected winner), F2 the designations behind the password.
e2e_focus "$console"
e2e_key F10
e2e_wait_still 0.5 || e2e_fail "the settings page did not settle"
laptop_shot page-settings
e2e_key F11
e2e_wait_still 0.5 || e2e_fail "the winners page did not settle"
laptop_shot page-winners
e2e_guide_shot console-winners "$E2E_LAPTOP"
[ "$(compare -metric AE "$out/page-settings.png" "$out/page-winners.png" null: 2>&1 | cut -d' ' -f1)" != 0 ] \
  || e2e_fail "F11 did not change the console's page"
e2e_key F2
box=$(e2e_wait_window "指定与排除") || e2e_fail "F2 did not ask for the password"
e2e_box_above "$box" "$console" "F2's password box"
e2e_focus "$box"
e2e_type "582"
e2e_key Return
e2e_wait_gone "指定与排除" || e2e_fail "the password box did not close"
e2e_focus "$console"
e2e_wait_still 0.5 || e2e_fail "the designations page did not settle"
# The code edit of the designations has the focus: a code and Enter write a row.
e2e_type "100001"
e2e_key Return
designated() { [ "$(sql "select count(*) from Award where sNo = '100001'")" = 1 ]; }
e2e_wait_for "a designation typed on the F2 page" designated
laptop_shot page-designations
[ "$(compare -metric AE "$out/page-winners.png" "$out/page-designations.png" null: 2>&1 | cut -d' ' -f1)" != 0 ] \
  || e2e_fail "F2 did not change the console's page"

# The other pages, for the guide: F8 the prize items, the tabs 员工 and 数据.
e2e_focus "$console"
e2e_key F8
e2e_wait_still 0.5 || e2e_fail "the prize page did not settle"
e2e_guide_shot console-prizes "$E2E_LAPTOP"

# 重新抽奖初始化 on the prize page: the projector stops showing the removed
# winner at once (the board shows the press that drew the freed place).
import -window root -crop "$E2E_PROJECTOR" +repage "$out/projector-before-reset.png"
/usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/check_board.py" "$out/projector-before-reset.png" 1 >/dev/null \
  || e2e_fail "the projector's board does not show the last press before the reset"
xdotool mousemove --window "$console" 240 59 click 1 # the page's third command
question=$(e2e_wait_window "系统提示") || e2e_fail "重新抽奖初始化 did not ask"
e2e_focus "$question"
e2e_key Return
reset() { [ "$(sql "select count(*) from AwardList")" = 0 ]; }
e2e_wait_for "the reset to remove the winners" reset
done_box=$(e2e_wait_window " 系统提示") || e2e_fail "no message after the reset"
e2e_focus "$done_box"
e2e_key Return
e2e_wait_still 0.5 || e2e_fail "the stage did not settle after the reset"
import -window root -crop "$E2E_PROJECTOR" +repage "$out/projector-after-reset.png"
/usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/check_board.py" "$out/projector-after-reset.png" 0 >/dev/null \
  || e2e_fail "the projector still shows the removed winners after the reset"
for tab in "console-roster 143 25" "console-data 419 25"; do
  read -r name x y <<<"$tab"
  xdotool mousemove --window "$console" "$x" "$y" click 1
  e2e_wait_still 0.5 || e2e_fail "the page for $name did not settle"
  e2e_guide_shot "$name" "$E2E_LAPTOP"
done

e2e_key F1
guide=$(e2e_wait_window "使用说明") || e2e_fail "F1 did not open the guide"
e2e_on_laptop "$guide" || e2e_fail "the guide opened at $(e2e_geometry "$guide"), not on the laptop"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended"
echo "PASS: the console on the laptop drew, took out an absent winner and opened its pages (pictures in $out)"
