#!/usr/bin/env bash
# The 1024 x 768 design on five screens: the real program under Xvfb at
# 1024x768, 2048x1536, 1920x1080, 1366x768 and 3840x2160, one start each. On
# every screen it photographs the main screen before and after a press, the
# winners list, the prize entry page, the current prize picker and the
# settings screen; check_stage.py then compares each picture's stage, scaled
# down, with the 1024 x 768 one, checks that the bands continue to the
# screen's edges, and that no board label touches the stage red outside its
# box. The roster's factories have 8-character names and the press draws
# designated people, so every screen shows the same winners.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
PY=/usr/bin/python3
[ -x "$PY" ] || { echo "SKIP: $PY is missing"; exit 77; }
"$PY" -c 'import PIL' 2>/dev/null || { echo "SKIP: python3-pil is missing"; exit 77; }
e2e_require || exit 77

out="$E2E_SHOTS/stage"
rm -rf "$out"
mkdir -p "$out"

prepare_database() {
  "$PY" - "$E2E_RUN/config.dll" <<'PYEOF'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
for old, new in (("一厂", "第1分厂有限公司"), ("二厂", "第2分厂有限公司"), ("三厂", "深圳南山电子工厂"), ("四厂", "总部行政管理中心")):
    con.execute("update EmpNo set CompCode = ? where CompCode = ?", (new, old))
item = con.execute("select RecNo from AwardItem where iSeq = 1").fetchone()[0]
con.execute("update AwardItem set iNumber = 8 where RecNo = ?", (item,))
for code, name, factory in con.execute("select EmpCode, EmpName, CompCode from EmpNo order by EmpCode limit 8").fetchall():
    con.execute("insert into Award(sNo, sName, sTime, Checked, sCompCode) values(?, ?, ?, 0, ?)", (code, name, item, factory))
con.commit()
PYEOF
}

stop_run() {
  if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
    kill "$E2E_PID" 2>/dev/null
    wait "$E2E_PID" 2>/dev/null
  fi
  E2E_PID=""
  if [ -n "$E2E_XVFB_PID" ] && kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
    kill "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
  fi
  E2E_XVFB_PID=""
  rm -f "$E2E_WORK/display"
}

# A fingerprint of what the screen shows: a quarter-size screenshot's digest
# (quarter size keeps this quick on a 4K screen).
# A screenshot that fails is a fault of the harness, not a still screen.
frame() {
  local shot
  shot=$(import -window root -resize 25% rgb:- 2>/dev/null | md5sum)
  [ "$shot" != "$(: | md5sum)" ] || e2e_fail "import cannot take screenshots"
  echo "$shot"
}

# Waits until the screen shows something else than the fingerprint $1: a
# window that has just been mapped may not have painted yet.
changed_from() {
  local deadline=$((SECONDS + 3 * E2E_TIMEOUT))
  while [ $SECONDS -lt $deadline ]; do
    [ "$(frame)" != "$1" ] && return 0
    sleep 0.3
  done
  return 1
}

# Waits until the screen stops changing: two fingerprints $1 seconds apart
# are the same.
settle() {
  local deadline=$((SECONDS + 3 * E2E_TIMEOUT)) a b
  a=$(frame)
  while [ $SECONDS -lt $deadline ]; do
    sleep "$1"
    b=$(frame)
    [ "$a" = "$b" ] && return 0
    a="$b"
  done
  return 1
}

# shot NAME: a screenshot of the whole screen into the comparison folder.
shot() { import -window root "$out/$size-$1.png" || e2e_fail "screenshot $1 at $size failed"; }

# screen KEY TITLE NAME: opens a screen by its key, photographs it, closes it with Esc.
screen() {
  local win before
  e2e_focus "$main"
  before=$(frame)
  e2e_key "$1"
  win=$(e2e_wait_window "$2") || e2e_fail "$1 did not open \"$2\" at $size"
  e2e_focus "$win"
  changed_from "$before" || e2e_fail "\"$2\" was never painted at $size"
  settle 0.5 || e2e_fail "\"$2\" did not settle at $size"
  shot "$3"
  e2e_key Escape
  e2e_wait_gone "$2" || e2e_fail "Esc did not close \"$2\" at $size"
}

for size in 1024x768 2048x1536 1920x1080 1366x768 3840x2160; do
  e2e_start_xvfb "${size}x24"
  blank=$(frame)
  e2e_make_runtime demo
  prepare_database
  e2e_write_settings "ATltle=2026年度员工抽奖晚会" "iTime=0" "showNo=0"
  e2e_start_program
  main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open at $size"
  e2e_focus "$main"
  changed_from "$blank" || e2e_fail "the main window was never painted at $size"
  settle 1 || e2e_fail "the main screen did not settle at $size"
  shot main
  screen F9 "选择奖项" picker
  screen F10 "系统设置" settings
  screen F8 "设置奖项" setitem
  e2e_focus "$main"
  before=$(frame)
  e2e_key Return
  changed_from "$before" || e2e_fail "the digits did not roll at $size"
  e2e_key Return
  deadline=$((SECONDS + E2E_TIMEOUT))
  until [ "$("$PY" -c 'import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute("select count(*) from AwardList").fetchone()[0])' "$E2E_RUN/config.dll" 2>/dev/null)" = 8 ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "the press did not draw its 8 winners at $size"
    sleep 0.3
  done
  # The last winner's one-second pause, then the next item's line.
  E2E_TIMEOUT=$((3 * E2E_TIMEOUT)) e2e_wait_idle "$main"
  settle 0.5 || e2e_fail "the screen did not settle after the press at $size"
  shot after
  screen F11 "中奖名单" lists
  stop_run
done

"$PY" "$(dirname "${BASH_SOURCE[0]}")/check_stage.py" "$out" || e2e_fail "the stage differs between screens (pictures in $out)"
echo "PASS: the design keeps its composition on five screens"
