#!/usr/bin/env bash
# End-to-end helpers: the real program on a virtual X display, driven by real
# key presses, with screenshots. Source this file from a test script:
#
#   source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
#   e2e_require || exit 77          # skip when Xvfb/xdotool/import are missing
#   e2e_start_xvfb                  # 1024x768x24, exports DISPLAY
#   e2e_make_runtime demo           # copy of build/bin with a demo (or empty) config.dll
#   e2e_write_settings "ATltle=年会抽奖"  # optional config.ini (GBK) in the runtime folder
#   e2e_start_program               # runs $E2E_RUN/prizedraw in the background
#   win=$(e2e_wait_window "员工抽奖系统") || e2e_fail "main window did not open"
#   e2e_key F2                      # xdotool key names, sent to the focused window
#   e2e_type "582"                  # types text
#   e2e_screenshot mainscreen       # writes $E2E_SHOTS/mainscreen.png, prints its path
#   e2e_pixel "$png" 10 10          # prints "r g b" of one pixel
#   e2e_wait_gone "系统设置"          # waits until no window has that title
#   e2e_wait_for "what" CMD ARGS... # polls until CMD succeeds, fails naming "what" after E2E_TIMEOUT
#   e2e_wait_painted                # waits until the display shows something and stops changing
#   e2e_wait_rolling                # waits until the digits roll (the start press was taken)
#   e2e_wait_rolling_at WxH+X+Y     # the same for a stage shown there (the projector)
#   e2e_wait_idle "$main"           # waits until no press runs: F10 opens the settings screen (closed again);
#                                   # the main window has the focus afterwards
#   e2e_wait_still                  # waits until the display stops changing
#   e2e_wait_exit                   # waits until the program has ended
#
# On a real X server with two monitors and a window manager (what an
# operator's laptop with a projector has):
#   e2e_start_two_screens           # Xorg, dummy driver: a 1366x768 laptop (primary, left) and a
#                                   # 1920x1080 projector; exits 77 where Xorg cannot start
#   e2e_projector_on / e2e_projector_off
#   e2e_start_wm                    # openbox on that display; e2e_focus then activates windows
#   e2e_on_top WIN                  # in _NET_CLIENT_LIST_STACKING, no window it overlaps is above WIN
#   e2e_transient_for WIN           # prints the window WIN is transient for (WM_TRANSIENT_FOR)
#   e2e_box_above WIN OWNER         # a box is on top, above its owner, and transient for it
#   e2e_geometry WIN                # prints "WxH+X+Y" of a window (its client area)
#   e2e_on_laptop WIN               # the window lies wholly on the laptop
#
# Nothing waits a fixed time for the program: every step that needs a state
# polls for it. A check that something did NOT happen first waits for a
# later state that can only follow the key that could have caused it.
# Everything started here is stopped, and the temporary folder removed, when
# the test script exits (an EXIT trap). Variables the script may read:
#   E2E_RUN    the runtime folder (prizedraw, config.dll, sounds, setitem.jpg, config.ini if written)
#   E2E_SHOTS  where screenshots go: build/screenshots unless PRIZEDRAW_SCREENSHOT_DIR says otherwise
#   E2E_LOG    the program's standard output and error
#   E2E_PID    the program's process id
# Only waiting polls with short sleeps; each wait gives up after E2E_TIMEOUT seconds (default 20).

E2E_SOURCE="${PRIZEDRAW_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
E2E_BIN="${PRIZEDRAW_BIN_DIR:-$E2E_SOURCE/build/bin}"
E2E_SHOTS="${PRIZEDRAW_SCREENSHOT_DIR:-$(dirname "$E2E_BIN")/screenshots}"
E2E_TIMEOUT="${E2E_TIMEOUT:-20}"
E2E_WORK=""
E2E_RUN=""
E2E_LOG=""
E2E_PID=""
E2E_XVFB_PID=""
E2E_WM_PID=""
E2E_LAPTOP="1366x768+0+0"
E2E_PROJECTOR="1920x1080+1366+0"

e2e_log() { echo "e2e: $*" >&2; }

e2e_fail() {
  e2e_log "FAIL: $*"
  if [ -n "$E2E_LOG" ] && [ -s "$E2E_LOG" ]; then
    e2e_log "program output:"
    tail -n 40 "$E2E_LOG" >&2
  fi
  exit 1
}

# Returns 1 (after saying why) when a tool the harness needs is missing.
# Runs statements (separated by ";") on a database and prints the rows of
# the last, one line each, values separated by blanks; what they change is
# committed.
e2e_sql() { # database statements
  python3 - "$1" "$2" <<'PYEOF'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1], timeout=5)
rows = []
for statement in sys.argv[2].split(";"):
    rows = con.execute(statement).fetchall()
con.commit()
print("\n".join(" ".join(str(v) for v in r) for r in rows))
PYEOF
}

e2e_require() {
  local tool
  for tool in Xvfb xdotool import convert; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is not installed (packages xvfb, xdotool, imagemagick)"
      return 1
    fi
  done
  if [ ! -x "$E2E_BIN/prizedraw" ] || [ ! -x "$E2E_BIN/prizedraw-db" ]; then
    echo "SKIP: build the program first ($E2E_BIN/prizedraw and prizedraw-db are missing)"
    return 1
  fi
  E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/prizedraw-e2e.XXXXXX")
  trap e2e_cleanup EXIT
  mkdir -p "$E2E_SHOTS"
  return 0
}

e2e_cleanup() {
  if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
    kill "$E2E_PID" 2>/dev/null
    wait "$E2E_PID" 2>/dev/null
  fi
  if [ -n "$E2E_WM_PID" ] && kill -0 "$E2E_WM_PID" 2>/dev/null; then
    kill "$E2E_WM_PID" 2>/dev/null
    wait "$E2E_WM_PID" 2>/dev/null
  fi
  if [ -n "$E2E_XVFB_PID" ] && kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
    kill "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
  fi
  [ -n "$E2E_WORK" ] && rm -rf "$E2E_WORK"
  return 0
}

# Starts Xvfb on a free display (chosen by the server itself) and exports DISPLAY.
e2e_start_xvfb() {
  local screen="${1:-1024x768x24}" fifo="$E2E_WORK/display" n
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$fifo" >"$E2E_WORK/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  read -r -t "$E2E_TIMEOUT" n <"$fifo" || e2e_fail "Xvfb did not start: $(cat "$E2E_WORK/xvfb.log")"
  export DISPLAY=":$n"
  e2e_log "Xvfb on $DISPLAY ($screen)"
  # What the display shows before any window: e2e_wait_painted waits for more.
  import -window root "$E2E_WORK/empty-display.png" || e2e_fail "import cannot take screenshots"
}

# A real X server with two monitors: one X screen as wide as both, the dummy
# driver's second output given the projector's mode by xrandr (Xvfb has one
# monitor only). Exits 77 (skipped) where Xorg or the driver is missing or
# the server cannot start (it needs root).
e2e_start_two_screens() {
  local tool n display="" deadline
  for tool in Xorg xrandr; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is missing (xserver-xorg-core, x11-xserver-utils)"; exit 77; }
  done
  ls /usr/lib/xorg/modules/drivers/dummy_drv.so >/dev/null 2>&1 \
    || { echo "SKIP: the dummy video driver is missing (xserver-xorg-video-dummy)"; exit 77; }
  cat >"$E2E_WORK/xorg.conf" <<'XEOF'
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1920x1080" 148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync
  Modeline "1366x768" 85.50 1366 1436 1579 1792 768 771 774 798 +hsync +vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 3286 1080
    Modes "1366x768" "1920x1080"
  EndSubSection
EndSection
XEOF
  # A display number of its own, above the ones xvfb-run -a takes first.
  for n in $(seq 71 99); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      display=":$n"
      break
    fi
  done
  [ -n "$display" ] || { echo "SKIP: no free display number"; exit 77; }
  Xorg "$display" -config "$E2E_WORK/xorg.conf" -noreset -nolisten tcp -logfile "$E2E_WORK/xorg.log" \
    >"$E2E_WORK/xorg.out" 2>&1 &
  E2E_XVFB_PID=$! # stopped by the cleanup like Xvfb
  export DISPLAY="$display"
  deadline=$((SECONDS + E2E_TIMEOUT))
  until xrandr >/dev/null 2>&1; do
    if ! kill -0 "$E2E_XVFB_PID" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
      echo "SKIP: Xorg with the dummy driver did not start: $(tail -n 3 "$E2E_WORK/xorg.out" "$E2E_WORK/xorg.log" 2>/dev/null)"
      exit 77
    fi
    sleep 0.2
  done
  xrandr --addmode DUMMY1 1920x1080 || e2e_fail "xrandr cannot give the second output a mode"
  xrandr --output DUMMY0 --mode 1366x768 --pos 0x0 --primary || e2e_fail "xrandr cannot set the laptop monitor"
  e2e_projector_on || e2e_fail "xrandr cannot switch the projector on"
  e2e_log "Xorg on $DISPLAY: $(xrandr --listmonitors | tr '\n' ' ')"
  import -window root "$E2E_WORK/empty-display.png" || e2e_fail "import cannot take screenshots"
}

e2e_projector_on() { xrandr --output DUMMY1 --mode 1920x1080 --pos 1366x0; }
e2e_projector_off() { xrandr --output DUMMY1 --off; }

# openbox on the display, as an operator's desktop has a window manager: it
# reparents windows, stacks boxes by their WM_TRANSIENT_FOR and decides focus.
e2e_start_wm() {
  command -v openbox >/dev/null 2>&1 || { echo "SKIP: openbox is not installed"; exit 77; }
  mkdir -p "$E2E_WORK/wm"
  # No menus, no desktops to switch: only what places and stacks windows.
  XDG_CONFIG_HOME="$E2E_WORK/wm" openbox --sm-disable >"$E2E_WORK/openbox.log" 2>&1 &
  E2E_WM_PID=$!
  e2e_wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
  e2e_wait_for "openbox to manage the display" e2e_wm_running
}

# The managed windows from bottom to top, as decimal ids.
e2e_stacking() {
  xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | sed 's/^[^#]*# //' | tr ',' '\n' \
    | while read -r w; do [ -n "$w" ] && printf '%d\n' "$w"; done
}

# WIN is stacked above every managed window it overlaps (a full-screen stage
# on the other monitor may lie above it: it hides nothing of it).
e2e_on_top() {
  local me above=0 w X Y WIDTH HEIGHT bx by bw bh
  me=$(printf '%d' "$1")
  e2e_window_place "$1" || return 1
  bx=$X by=$Y bw=$WIDTH bh=$HEIGHT
  for w in $(e2e_stacking); do
    if [ "$w" = "$me" ]; then
      above=1
      continue
    fi
    [ "$above" = 1 ] || continue
    xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' || continue
    e2e_window_place "$w" || continue
    if [ "$X" -lt $((bx + bw)) ] && [ $((X + WIDTH)) -gt "$bx" ] && [ "$Y" -lt $((by + bh)) ] \
      && [ $((Y + HEIGHT)) -gt "$by" ]; then
      return 1
    fi
  done
  [ "$above" = 1 ]
}

e2e_transient_for() {
  local id
  id=$(xprop -id "$1" WM_TRANSIENT_FOR 2>/dev/null | sed -n 's/.*window id # //p')
  [ -n "$id" ] && printf '%d\n' "$id"
}

# A box (message, question, password, file dialog) belongs to the window it
# blocks: transient for it, and stacked on top of everything, so it is seen.
e2e_box_above() { # box owner what
  local box="$1" owner="$2" what="$3" parent
  e2e_wait_for "\"$what\" to be stacked on top" e2e_on_top "$box"
  parent=$(e2e_transient_for "$box")
  [ "$parent" = "$(printf '%d' "$owner")" ] \
    || e2e_fail "\"$what\" is transient for ${parent:-nothing}, not for its window $(printf '%d' "$owner")"
}

# xwininfo's absolute place: xdotool counts a window manager's frame twice.
e2e_window_place() { # id: sets X Y WIDTH HEIGHT
  local info
  info=$(xwininfo -id "$1" 2>/dev/null) || return 1
  X=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  Y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  WIDTH=$(sed -n 's/^ *Width: *//p' <<<"$info")
  HEIGHT=$(sed -n 's/^ *Height: *//p' <<<"$info")
  [ -n "$X" ] && [ -n "$HEIGHT" ]
}

e2e_geometry() {
  e2e_window_place "$1" || return 1
  echo "${WIDTH}x${HEIGHT}+${X}+${Y}"
}

e2e_on_laptop() {
  e2e_window_place "$1" || return 1
  [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 1366 ] && [ $((Y + HEIGHT)) -le 768 ]
}

# Makes the runtime folder: a copy of build/bin with a fresh database made by
# the project's tool ("demo": generated staff and prize items; "empty").
e2e_make_runtime() {
  local kind="${1:-demo}"
  E2E_RUN="$E2E_WORK/run"
  mkdir -p "$E2E_RUN"
  cp -a "$E2E_BIN"/. "$E2E_RUN"/
  rm -f "$E2E_RUN/config.dll" "$E2E_RUN/config.ini"
  "$E2E_RUN/prizedraw-db" "$kind" "$E2E_RUN/config.dll" >/dev/null || e2e_fail "prizedraw-db $kind failed"
}

# Writes config.ini of the runtime folder (GBK, section "config") with the
# given key=value lines, e.g. e2e_write_settings "ATltle=年会抽奖" "showNo=1".
e2e_write_settings() {
  { printf '[config]\r\n'; printf '%s\r\n' "$@"; } | iconv -f UTF-8 -t GBK >"$E2E_RUN/config.ini" \
    || e2e_fail "could not write config.ini"
}

# Starts the program from the runtime folder; extra arguments go to it.
e2e_start_program() {
  E2E_LOG="$E2E_WORK/program.log"
  # No sound device on a test machine: the players stay silent by themselves.
  # The test suite runs with the offscreen platform; this program needs X.
  (cd "$E2E_WORK" && QT_QPA_PLATFORM=xcb exec "$E2E_RUN/prizedraw" "$@") >"$E2E_LOG" 2>&1 &
  E2E_PID=$!
}

# Prints the id of the first visible window whose title is exactly $1.
e2e_find_window() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# Waits for a visible window titled exactly $1 and prints its id.
e2e_wait_window() {
  local title="$1" deadline=$((SECONDS + E2E_TIMEOUT)) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(e2e_find_window "$title")
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    if [ -n "$E2E_PID" ] && ! kill -0 "$E2E_PID" 2>/dev/null; then
      e2e_log "the program ended while waiting for \"$title\""
      return 1
    fi
    sleep 0.2
  done
  return 1
}

# Waits until no visible window is titled $1.
e2e_wait_gone() {
  local deadline=$((SECONDS + E2E_TIMEOUT))
  while [ $SECONDS -lt $deadline ]; do
    [ -z "$(e2e_find_window "$1")" ] && return 0
    sleep 0.2
  done
  return 1
}

# Waits until the program has ended; its exit status is in E2E_EXIT.
e2e_wait_exit() {
  local deadline=$((SECONDS + E2E_TIMEOUT))
  while [ $SECONDS -lt $deadline ]; do
    if ! kill -0 "$E2E_PID" 2>/dev/null; then
      wait "$E2E_PID" 2>/dev/null
      E2E_EXIT=$?
      E2E_PID=""
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# Gives the keyboard focus to a window: by itself without a window manager,
# through it (activation) with one.
e2e_focus() {
  if [ -n "$E2E_WM_PID" ]; then
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowactivate "$1" 2>/dev/null \
      || xdotool windowfocus "$1"
    return 0
  fi
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
}

# Presses keys (xdotool names: Return, Escape, F2, ...) in the focused window.
# The program handles them in order, whenever it gets to them: what follows
# waits for the state they lead to.
e2e_key() {
  xdotool key --delay 60 "$@"
}

e2e_type() {
  xdotool type --delay 60 "$1"
}

# Polls a command until it succeeds; after E2E_TIMEOUT seconds (or when the
# program has ended) the test fails, naming what it waited for.
e2e_wait_for() {
  local what="$1" deadline=$((SECONDS + E2E_TIMEOUT))
  shift
  while ! "$@"; do
    if [ -n "$E2E_PID" ] && ! kill -0 "$E2E_PID" 2>/dev/null; then
      e2e_fail "the program ended while waiting for: $what"
    fi
    [ $SECONDS -lt $deadline ] || e2e_fail "gave up after ${E2E_TIMEOUT} s waiting for: $what"
    sleep 0.2
  done
}

# Waits until the display shows more than the empty screen and then stops
# changing: a window just mapped has painted.
e2e_wait_painted() {
  e2e_painted_now() {
    import -window root "$E2E_WORK/painted.png" \
      && [ "$(compare -metric AE "$E2E_WORK/empty-display.png" "$E2E_WORK/painted.png" null: 2>&1)" != "0" ]
  }
  e2e_wait_for "the first frame to be painted" e2e_painted_now
  e2e_wait_still 0.5 || e2e_fail "the display did not settle"
}

# Waits until the digits roll: two pictures of the digits band differ.
e2e_wait_rolling() { e2e_wait_rolling_at 1024x768+0+0; }

# The same for a stage shown at WxH+X+Y (the projector of two screens): its
# digits band is the design's rows 480 to 660 of 768.
e2e_wait_rolling_at() {
  local a="$E2E_WORK/roll-a.png" b="$E2E_WORK/roll-b.png" w h x y band
  IFS='x+' read -r w h x y <<<"$1"
  band="${w}x$((h * 180 / 768))+${x}+$((y + h * 480 / 768))"
  import -window root -crop "$band" "$a"
  e2e_digits_moved() {
    import -window root -crop "$band" "$b"
    [ "$(compare -metric AE "$a" "$b" null: 2>&1)" != "0" ]
  }
  e2e_wait_for "the digits to roll" e2e_digits_moved
}

# Waits until no press runs: only then does F10 open the settings screen
# (during a press, and during the refresh after a screen, the key is
# dropped). Each try presses F10 once and waits a moment for the screen; the
# screen is closed again with Esc, which writes nothing.
e2e_wait_idle() {
  local main="$1" deadline=$((SECONDS + E2E_TIMEOUT)) id="" until
  while [ -z "$id" ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "gave up after ${E2E_TIMEOUT} s waiting for the press to end (F10 never opened the settings screen)"
    kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended while waiting for the press to end"
    e2e_focus "$main"
    e2e_key F10
    until=$((SECONDS + 2))
    while [ -z "$id" ] && [ $SECONDS -lt $until ]; do
      id=$(e2e_find_window "系统设置")
      [ -n "$id" ] || sleep 0.2
    done
  done
  e2e_focus "$id"
  e2e_key Escape
  e2e_wait_gone "系统设置" || e2e_fail "Esc did not close the settings screen opened to see that the press had ended"
  e2e_focus "$main"
}

# A picture for the operator's guide (docs/guide/): the part WxH+X+Y of the
# display, as build/screenshots/guide/NAME.png. tools/update_guide_images.sh
# runs the scripts that take them and puts them beside the guide, so the
# guide shows the real program; tests/tools/test_guide.sh checks that every
# picture the guide shows is taken here.
e2e_guide_shot() { # name crop
  mkdir -p "$E2E_SHOTS/guide"
  import -window root -crop "$2" +repage "$E2E_SHOTS/guide/$1.png" || e2e_fail "the guide's picture $1 failed"
}

# Waits for a notice titled like a box still known by `box` (the password
# box and its notice share 指定与排除), and closes it with Return.
e2e_close_second_box() { # title box what
  local title="$1" box="$2"
  e2e_second_box() { xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | grep -vx "$box" | head -n 1; }
  e2e_has_second_box() { [ -n "$(e2e_second_box)" ]; }
  e2e_wait_for "$3" e2e_has_second_box
  e2e_focus "$(e2e_second_box)"
  e2e_key Return
  e2e_wait_gone "$title" || e2e_fail "$3 did not close"
}

# Screenshot of the whole display; prints the PNG's path.
e2e_screenshot() {
  local png="$E2E_SHOTS/$1.png"
  import -window root "$png" || e2e_fail "screenshot $1 failed"
  echo "$png"
}

# Waits until the display stops changing: two screenshots $1 seconds apart
# (default 1.5) differ in no more pixels than a blinking text cursor covers.
e2e_wait_still() {
  local gap="${1:-1.5}" deadline=$((SECONDS + E2E_TIMEOUT)) a="$E2E_WORK/still-a.png" b="$E2E_WORK/still-b.png" ae
  import -window root "$a"
  while [ $SECONDS -lt $deadline ]; do
    sleep "$gap"
    import -window root "$b"
    ae=$(compare -metric AE "$a" "$b" null: 2>&1)
    ae=${ae%% *}
    [[ "$ae" =~ ^[0-9]+$ ]] && [ "$ae" -le 64 ] && return 0
    mv "$b" "$a"
  done
  return 1
}

# Prints "r g b" (0..255) of the pixel at x y of a picture.
e2e_pixel() {
  convert "$1" -format '%[fx:int(255*p{'"$2,$3"'}.r)] %[fx:int(255*p{'"$2,$3"'}.g)] %[fx:int(255*p{'"$2,$3"'}.b)]' info:
}

# True when the pixel at x y is close to the colour "r g b" (each within 40).
e2e_pixel_near() {
  local got want i d
  read -r -a got <<<"$(e2e_pixel "$1" "$2" "$3")"
  read -r -a want <<<"$4"
  for i in 0 1 2; do
    d=$((got[i] - want[i]))
    [ ${d#-} -le 40 ] || return 1
  done
  return 0
}
