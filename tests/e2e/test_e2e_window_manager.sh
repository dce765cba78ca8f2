#!/usr/bin/env bash
# Under a window manager (openbox, as on an operator's laptop) on two
# monitors: every box the operator meets is stacked above the window it
# blocks and transient for it, never hidden below it. The console's refused
# roster file (员工 page) and a backup that cannot be saved (数据 page) report
# on top of the console (such reports once belonged to Qt's hidden group
# leader and lay below the settings screen); the file dialogs, the password
# box and the exit question likewise. Skipped where Xorg or openbox cannot
# start.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77
e2e_start_two_screens
e2e_start_wm

e2e_make_runtime demo
head -c 4096 /dev/urandom >"$E2E_WORK/junk.xls"
e2e_start_program
main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
stage_on_projector() { [ "$(e2e_geometry "$main")" = "$E2E_PROJECTOR" ]; }
e2e_wait_for "the stage to fill the projector under the window manager" stage_on_projector
e2e_focus "$main"
e2e_wait_still 1 || e2e_fail "the stage did not settle"

# box TITLE OWNER WHAT: waits for a box, checks it is on top and belongs to
# OWNER, and prints its id (a failure ends the subshell: callers add || exit 1).
box() {
  local id
  id=$(e2e_wait_window "$1") || e2e_fail "$3 did not open \"$1\""
  e2e_box_above "$id" "$2" "$3"
  e2e_on_laptop "$id" || e2e_fail "$3 opened at $(e2e_geometry "$id"), not on the laptop"
  echo "$id"
}
# The error report is a second window titled like the main one.
report() {
  local id="" deadline=$((SECONDS + E2E_TIMEOUT))
  while [ -z "$id" ] && [ $SECONDS -lt $deadline ]; do
    id=$(xdotool search --onlyvisible --name '^员工抽奖系统$' 2>/dev/null | grep -vx "$main" | head -n 1)
    [ -n "$id" ] || sleep 0.2
  done
  [ -n "$id" ] || e2e_fail "no error report after $2"
  e2e_box_above "$id" "$1" "the error report after $2"
  echo "$id"
}
close_report() {
  e2e_focus "$1"
  e2e_key Return
  gone() { ! xdotool search --onlyvisible --name '^员工抽奖系统$' 2>/dev/null | grep -qx "$1"; }
  e2e_wait_for "the error report to close" gone "$1"
}

console=$(e2e_wait_window "抽奖控制台") || e2e_fail "no console with two screens"
e2e_focus "$console"
e2e_wait_still 0.5 || e2e_fail "the console did not settle"
# The console's tabs and each page's first command, in the console's own
# coordinates at 1366 x 768.
click() { xdotool mousemove --window "$console" "$1" "$2" click 1; }
TAB_ROSTER="143 25"
TAB_DATA="419 25"
FIRST_COMMAND="60 59"

# 导入员工列表 with a file that is no roster: whichever comes first, the
# question 追加/替换 (answered 追加) or the file dialog, each is on top.
click $TAB_ROSTER
e2e_wait_still 0.5 || e2e_fail "the roster page did not settle"
click $FIRST_COMMAND
typed=0
for _ in 1 2 3; do
  deadline=$((SECONDS + E2E_TIMEOUT))
  while [ $SECONDS -lt $deadline ]; do
    dialog=$(e2e_find_window "(Open|打开|打开文件)")
    question=$(e2e_find_window "系统提示")
    [ -n "$dialog$question" ] && break
    sleep 0.2
  done
  if [ -n "$dialog" ] && [ "$typed" = 0 ]; then
    e2e_box_above "$dialog" "$console" "the roster's file dialog"
    e2e_focus "$dialog"
    e2e_wait_still 0.5 || e2e_fail "the file dialog did not settle"
    e2e_type "$E2E_WORK/junk.xls"
    e2e_key Return
    e2e_wait_gone "(Open|打开|打开文件)" || e2e_fail "the file dialog stayed"
    typed=1
  elif [ -n "$question" ]; then
    e2e_box_above "$question" "$console" "the 追加/替换 question"
    e2e_focus "$question"
    e2e_key Return
    e2e_wait_gone "系统提示" || e2e_fail "the 追加/替换 question stayed"
  fi
  [ "$typed" = 1 ] && [ -z "$(e2e_find_window "系统提示")" ] && break
done
[ "$typed" = 1 ] || e2e_fail "导入员工列表 never opened the file dialog"
refused=$(report "$console" "a file that is no roster") || exit 1
e2e_screenshot wm-refused-roster >/dev/null
close_report "$refused"

# 备份数据 into a folder that does not exist.
e2e_focus "$console"
click $TAB_DATA
e2e_wait_still 0.5 || e2e_fail "the data page did not settle"
click $FIRST_COMMAND
dialog=$(e2e_wait_window "(Save As|另存为|保存|Save)") || e2e_fail "备份数据 did not open the save dialog"
e2e_box_above "$dialog" "$console" "the backup's save dialog"
e2e_focus "$dialog"
e2e_wait_still 0.5 || e2e_fail "the save dialog did not settle"
e2e_type "$E2E_WORK/no-such-folder/backup.zip"
e2e_key Return
failed=$(report "$console" "a backup that cannot be saved") || exit 1
close_report "$failed"

# F2's password box belongs to the console; Esc's question to the stage.
e2e_focus "$main"
e2e_key F2
password=$(box "指定与排除" "$console" "F2") || exit 1
e2e_focus "$password"
e2e_key Escape
e2e_wait_gone "指定与排除" || e2e_fail "Esc did not close the password box"
e2e_focus "$main"
e2e_key Escape
question=$(box "退出系统" "$main" "Esc") || exit 1
e2e_focus "$question"
e2e_key Escape
e2e_wait_gone "退出系统" || e2e_fail "the exit question did not close"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended on no"
echo "PASS: every box on top of the window it belongs to under openbox"
