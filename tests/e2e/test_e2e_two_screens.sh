#!/usr/bin/env bash
# The stage on a projector beside a laptop: the real program on a real X
# server (Xorg with the dummy video driver) with two monitors, a 1366 x 768
# laptop (primary, left) and a 1920 x 1080 projector to its right. The stage
# is full-screen on the projector, exactly its pixels; the operator's console
# is on the laptop, where F8, F10, F11 and F2 (after the password box) open
# its pages and a message box opens, and the projector keeps showing the
# stage meanwhile. Switching the projector off moves the stage to the laptop
# at once (no console then: F10 opens the settings screen), and switching it
# on brings it back; F7 moves the stage to the next monitor (the console to
# the other) and the choice is kept in config.ini. Screenshots of each monitor go to
# build/screenshots/two-screens/. Skipped where Xorg cannot start (it needs
# root and the package xserver-xorg-video-dummy).
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77

out="$E2E_SHOTS/two-screens"
rm -rf "$out"
mkdir -p "$out"
LAPTOP="$E2E_LAPTOP"
PROJECTOR="$E2E_PROJECTOR"
e2e_start_two_screens
projector_on() { e2e_projector_on; }

geometry_of() { e2e_geometry "$1"; }
on_laptop() { e2e_on_laptop "$1"; }

# Waits until the main window has the geometry $1.
stage_at() {
  local deadline=$((SECONDS + E2E_TIMEOUT)) now=""
  while [ $SECONDS -lt $deadline ]; do
    now=$(geometry_of "$main")
    [ "$now" = "$1" ] && return 0
    sleep 0.2
  done
  e2e_log "the stage is at $now, not $1"
  return 1
}

# shots NAME: one screenshot of each monitor.
shots() {
  import -window root -crop "$LAPTOP" +repage "$out/$1-laptop.png" || e2e_fail "screenshot $1 of the laptop failed"
  import -window root -crop "$PROJECTOR" +repage "$out/$1-projector.png" \
    || e2e_fail "screenshot $1 of the projector failed"
}

# The number of pixels in which two pictures differ.
differ() { compare -metric AE -fuzz 3% "$1" "$2" null: 2>&1 | cut -d' ' -f1; }

# The projector shows the stage as it was photographed first.
stage_unchanged() {
  local d
  d=$(differ "$out/stage-projector.png" "$out/$1-projector.png")
  [ "${d%.*}" -lt 2000 ] || e2e_fail "the projector does not show the stage while $1 is open ($d pixels differ)"
}

# Waits for the window titled $1 that is not $2 (a second window of the
# same title) and prints its id.
wait_other_window() {
  local deadline=$((SECONDS + E2E_TIMEOUT)) id
  while [ $SECONDS -lt $deadline ]; do
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      [ "$id" != "${2:-}" ] && { echo "$id"; return 0; }
    done
    sleep 0.2
  done
  return 1
}

# opened KEY TITLE NAME: the window a key opened lies on the laptop, and the
# projector still shows the stage; photographed, then closed with Esc.
opened() {
  local win
  win=$(e2e_wait_window "$2") || e2e_fail "$1 did not open \"$2\""
  on_laptop "$win" || e2e_fail "\"$2\" opened at $(geometry_of "$win"), not on the laptop"
  e2e_focus "$win"
  sleep 1
  shots "$3"
  stage_unchanged "$3"
  [ "$(differ "$out/stage-laptop.png" "$out/$3-laptop.png")" != 0 ] || e2e_fail "\"$2\" is not seen on the laptop"
  stage_at "$PROJECTOR" || e2e_fail "the stage left the projector while \"$2\" was open"
}

close_with_escape() {
  e2e_key Escape
  e2e_wait_gone "$1" || e2e_fail "Esc did not close \"$1\""
  e2e_focus "$main"
}

e2e_make_runtime demo
e2e_write_settings "ATltle=2026年度员工抽奖晚会" "iTime=0"
e2e_start_program
main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
stage_at "$PROJECTOR" || e2e_fail "the stage is not full-screen on the projector (the larger monitor)"
e2e_focus "$main"
e2e_wait_still 1 || e2e_fail "the stage did not settle"
shots stage

console=$(e2e_wait_window "抽奖控制台") || e2e_fail "no console with two screens"
on_laptop "$console" || e2e_fail "the console opened at $(geometry_of "$console"), not on the laptop"

# page KEY NAME: with two screens the key pressed on the stage opens the
# console's page on the laptop; the projector keeps showing the stage.
page() {
  e2e_focus "$main"
  e2e_key "$1"
  sleep 1
  shots "$2"
  stage_unchanged "$2"
  on_laptop "$console" || e2e_fail "after $1 the console is at $(geometry_of "$console"), not on the laptop"
  stage_at "$PROJECTOR" || e2e_fail "the stage left the projector after $1"
}
page F8 f8-prizes
page F10 f10-settings
page F11 f11-lists
# Both monitors in one picture, for the README.
import -window root "$out/both-monitors.png" || e2e_fail "screenshot of both monitors failed"

# F2: the password box on the laptop, then the designations page.
e2e_focus "$main"
e2e_key F2
opened F2 "指定与排除" f2-password
e2e_type "582"
e2e_key Return
e2e_wait_gone "指定与排除" || e2e_fail "the password did not open the designations page"
sleep 1
shots f2-designations
stage_unchanged f2-designations
e2e_focus "$main"

# A message box: Esc asks whether to leave; Esc again answers no.
e2e_key Escape
opened Esc "退出系统" message-box
e2e_key Escape
e2e_wait_gone "退出系统" || e2e_fail "the question did not close"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended on no"
e2e_focus "$main"

# The projector is switched off: the stage goes to the laptop at once, and
# comes back when the projector is switched on again.
xrandr --output DUMMY1 --off || e2e_fail "xrandr cannot switch the projector off"
stage_at "$LAPTOP" || e2e_fail "the stage did not move to the laptop when the projector went off"
sleep 1
import -window root -crop "$LAPTOP" +repage "$out/projector-off-laptop.png"
# One screen: no console, and F10 opens the settings screen as ever.
[ -z "$(e2e_find_window "抽奖控制台")" ] || e2e_fail "the console stayed with one screen"
e2e_focus "$main"
e2e_key F10
setup=$(e2e_wait_window "系统设置") || e2e_fail "with one screen F10 did not open the settings screen"
close_with_escape "系统设置"
projector_on || e2e_fail "xrandr cannot switch the projector on again"
stage_at "$PROJECTOR" || e2e_fail "the stage did not come back to the projector"
sleep 1
shots projector-back
stage_unchanged projector-back

# F7 moves the stage to the next monitor and keeps the choice.
e2e_focus "$main"
e2e_key F7
stage_at "$LAPTOP" || e2e_fail "F7 did not move the stage to the laptop"
# The stage moves first, the file is written right after.
f7_saved() { iconv -f GBK -t UTF-8 "$E2E_RUN/config.ini" 2>/dev/null | grep -q '^stageScreen=DUMMY0'; }
e2e_wait_for "the stage screen chosen by F7 to be saved in config.ini" f7_saved
sleep 1
shots f7-moved
# With the stage on the laptop, the console is on the projector.
console=$(e2e_wait_window "抽奖控制台") || e2e_fail "no console after F7"
on_projector_now() { case "$(geometry_of "$console")" in *+1366+* | *+1[4-9][0-9][0-9]+* | *+2[0-9][0-9][0-9]+*) return 0 ;; esac; return 1; }
e2e_wait_for "the console to move to the projector after F7" on_projector_now
e2e_focus "$main"
e2e_key F7
stage_at "$PROJECTOR" || e2e_fail "F7 did not move the stage back to the projector"

echo "PASS: the stage keeps to the projector and every other window to the laptop (pictures in $out)"
