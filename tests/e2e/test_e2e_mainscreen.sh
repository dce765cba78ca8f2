#!/usr/bin/env bash
# The real program under Xvfb at 1024 x 768 on a demo database: the main
# screen fills the display, F2 asks for the password in a masked field, Esc
# asks before closing, and Yes ends the program without touching config.ini.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
e2e_write_settings "ATltle=二〇二六年度员工联欢会抽奖" "showNo=0"
settings_before=$(md5sum <"$E2E_RUN/config.ini")
e2e_start_program

main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
geometry=$(xdotool getwindowgeometry "$main")
echo "$geometry"
grep -q "Position: 0,0" <<<"$geometry" || e2e_fail "main window not at the top left: $geometry"
grep -q "Geometry: 1024x768" <<<"$geometry" || e2e_fail "main window does not fill the screen: $geometry"
e2e_focus "$main"
e2e_wait_painted

shot=$(e2e_screenshot mainscreen)
echo "screenshot: $shot"
check() { # x y "r g b" what
  e2e_pixel_near "$shot" "$1" "$2" "$3" || e2e_fail "$4 at $1,$2 is $(e2e_pixel "$shot" "$1" "$2"), expected about $3"
}
check 5 40 "218 38 29" "title band"
check 20 390 "255 255 255" "white band of the draw panel"
check 130 570 "255 255 255" "white field of the digits panel"
check 50 700 "218 38 29" "button bar"
check 110 698 "255 154 31" "orange of the first picture button"
check 104 712 "218 38 29" "transparent corner of the first picture button"

# F2: the password box, masked; Escape cancels and nothing opens.
e2e_key F2
e2e_wait_window "指定与排除" >/dev/null || e2e_fail "F2 did not ask for the password"
e2e_type "123"
e2e_screenshot password >/dev/null
e2e_key Escape
e2e_wait_gone "指定与排除" || e2e_fail "the password box did not close on Escape"

# One press: Enter rolls the digits, Enter again draws the winners of the
# press onto the board (the demo's first prize item draws five at a time).
e2e_focus "$main"
e2e_key Return
e2e_wait_rolling
e2e_key Return
E2E_TIMEOUT=60 e2e_wait_idle "$main"
pressed=$(e2e_screenshot after-press)
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended during the press"
cmp -s "$shot" "$pressed" && e2e_fail "the press changed nothing on the screen"

# Esc asks; No keeps the program running.
e2e_focus "$main"
e2e_key Escape
question=$(e2e_wait_window "退出系统") || e2e_fail "Esc did not ask before closing"
e2e_screenshot close-question >/dev/null
e2e_focus "$question"
e2e_key n
e2e_wait_gone "退出系统" || e2e_fail "No did not close the question"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended after No"

# Esc again, Yes: the program ends and writes no settings.
e2e_focus "$main"
e2e_key Escape
question=$(e2e_wait_window "退出系统") || e2e_fail "Esc did not ask a second time"
e2e_focus "$question"
e2e_key y
e2e_wait_exit || e2e_fail "the program did not end after Yes"
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "the program ended with status $E2E_EXIT"
[ "$(md5sum <"$E2E_RUN/config.ini")" = "$settings_before" ] || e2e_fail "config.ini was written at exit"
echo "PASS: main screen end to end"
