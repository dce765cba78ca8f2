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
#
# Then the operator's look at 1920x1080 and 1366x768: a background picture,
# a logo with transparent corners, a prize picture and a press of twelve
# winners with photos; check_stage.py --look finds each picture's own colour
# where it belongs and the board's boxes keeping their fill.
# STAGE_LOOK_ONLY=1 runs only this part.
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

# The look's pictures, each in a colour of its own: the background's halves
# teal and purple, the logo a gold disc on transparency, the prize picture
# cyan, every photo green; twelve designated winners with a photo each.
prepare_look() {
  "$PY" - "$E2E_RUN" <<'PYEOF'
import os, sqlite3, sys
from PIL import Image, ImageDraw
run = sys.argv[1]
os.makedirs(os.path.join(run, "pictures"), exist_ok=True)
os.makedirs(os.path.join(run, "photos"), exist_ok=True)
background = Image.new("RGB", (3000, 1200), (0, 160, 160))
background.paste((130, 40, 170), (1500, 0, 3000, 1200))
background.save(os.path.join(run, "pictures", "background.jpg"), quality=92)
logo = Image.new("RGBA", (400, 400), (0, 0, 0, 0))
ImageDraw.Draw(logo).ellipse((20, 20, 380, 380), fill=(255, 200, 0, 255))
logo.save(os.path.join(run, "pictures", "logo.png"))
con = sqlite3.connect(os.path.join(run, "config.dll"))
item = con.execute("select RecNo from AwardItem where iSeq = 1").fetchone()[0]
Image.new("RGB", (400, 300), (0, 230, 230)).save(os.path.join(run, "pictures", f"prize-{item}.png"))
con.execute("update AwardItem set iNumber = 12, SumNumber = max(SumNumber, 12) where RecNo = ?", (item,))
con.execute("delete from Award")
for code, name, factory in con.execute("select EmpCode, EmpName, CompCode from EmpNo order by EmpCode limit 12").fetchall():
    con.execute("insert into Award(sNo, sName, sTime, Checked, sCompCode) values(?, ?, ?, 0, ?)", (code, name, item, factory))
    Image.new("RGB", (300, 400), (30, 140, 40)).save(os.path.join(run, "photos", f"{code}.jpg"), quality=92)
con.commit()
PYEOF
}

look="$E2E_SHOTS/stage-look"
rm -rf "$look"
mkdir -p "$look"
for size in 1920x1080 1366x768; do
  e2e_start_xvfb "${size}x24"
  blank=$(frame)
  e2e_make_runtime demo
  prepare_database
  prepare_look || e2e_fail "the look's pictures could not be made"
  e2e_write_settings "ATltle=2026年度员工抽奖晚会" "iTime=0" "showNo=0" "stageBackground=background.jpg" \
    "stageLogo=logo.png" "showPhotos=1"
  e2e_start_program
  main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open at $size (look)"
  e2e_focus "$main"
  changed_from "$blank" || e2e_fail "the main window was never painted at $size (look)"
  settle 1 || e2e_fail "the main screen did not settle at $size (look)"
  import -window root "$look/$size-main.png" || e2e_fail "screenshot at $size (look)"
  before=$(frame)
  e2e_key Return
  changed_from "$before" || e2e_fail "the digits did not roll at $size (look)"
  e2e_key Return
  deadline=$((SECONDS + 2 * E2E_TIMEOUT))
  until [ "$("$PY" -c 'import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute("select count(*) from AwardList").fetchone()[0])' "$E2E_RUN/config.dll" 2>/dev/null)" = 12 ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "the press did not draw its 12 winners at $size (look)"
    sleep 0.3
  done
  E2E_TIMEOUT=$((3 * E2E_TIMEOUT)) e2e_wait_idle "$main"
  settle 0.5 || e2e_fail "the screen did not settle after the press at $size (look)"
  import -window root "$look/$size-after.png" || e2e_fail "screenshot at $size (look)"
  stop_run
  # The runtime folder is used again: the delivered look from here on.
  rm -rf "$E2E_RUN/pictures" "$E2E_RUN/photos"
done
"$PY" "$(dirname "${BASH_SOURCE[0]}")/check_stage.py" --look "$look" \
  || e2e_fail "the look's pictures are not where they belong (pictures in $look)"
[ "${STAGE_LOOK_ONLY:-0}" = 1 ] && { echo "PASS: the operator's look"; exit 0; }

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
  # Whoever photographs the stage before the first press holds the commitment:
  # the corner's QR code read from the screen is the stored seed's SHA-256.
  if [ "${size%%x*}" -ge 1920 ]; then
    read_qr=$(zbarimg --raw -q "$out/$size-main.png" 2>/dev/null | tr 'A-F' 'a-f')
    stored=$("$PY" -c 'import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute("select sCommit from DrawSeed where bEnded = 0").fetchone()[0])' "$E2E_RUN/config.dll")
    [ -n "$stored" ] && [ "$read_qr" = "$stored" ] || e2e_fail "the stage's QR code reads \"$read_qr\", the commitment is \"$stored\" at $size"
  fi
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
