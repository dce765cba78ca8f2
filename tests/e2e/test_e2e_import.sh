#!/usr/bin/env bash
# The real program under Xvfb imports rosters through the settings screen
# (F10, 导入员工列表): an .xlsx written by XlsxWriter and a .csv, each chosen in
# the file dialog by typing its path; the database then holds their rows. An
# .xlsx whose first row holds the columns' captions stores its people but not
# that row, and its closing message (copied from the box with Ctrl+C) says
# so; two people of one factory without a code are two people. An .xlsx
# damaged after thousands of good rows is reported and adds none.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
e2e_require || exit 77
python=/usr/bin/python3
"$python" -c "import xlsxwriter, openpyxl" 2>/dev/null || { echo "SKIP: python3-xlsxwriter/openpyxl missing"; exit 77; }
command -v xclip >/dev/null || { echo "SKIP: xclip is not installed"; exit 77; }

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
"$python" "$E2E_SOURCE/tests/import/make_xlsx.py" "$E2E_WORK" || e2e_fail "could not write the workbooks"
printf '\xef\xbb\xbf一厂,"财务部, 二科",赵六,0042\r\n二厂,生产部,"钱""七""",B8\r\n' >"$E2E_WORK/roster.csv"
"$python" - "$E2E_WORK/header.xlsx" <<'PY' || e2e_fail "could not write the roster with a header"
import sys, xlsxwriter
book = xlsxwriter.Workbook(sys.argv[1])
sheet = book.add_worksheet("名单")
for r, row in enumerate([["工厂名称", "部门", "姓名", "工号"], ["三厂", "仓储部", "孙八", "C9"],
                         ["三厂", "仓储部", "周九"], ["三厂", "仓储部", "吴十"]]):
    sheet.write_row(r, 0, row)
book.close()
PY


rows() {
  "$python" -c 'import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute("select count(*) from EmpNo").fetchone()[0])' \
    "$E2E_RUN/config.dll"
}
# The row with this RecNo order position (1 = first), one line.
row_at() {
  "$python" - "$E2E_RUN/config.dll" "$1" <<'PY'
import sqlite3, sys
r = sqlite3.connect(sys.argv[1]).execute(
    "select EmpCode, EmpName, CompCode, DartNo from EmpNo order by RecNo limit 1 offset ?", (int(sys.argv[2]) - 1,)).fetchone()
print("|".join(r).replace("\r", "\\r").replace("\n", "\\n"))
PY
}
before=$(rows)
e2e_start_program
main=$(e2e_wait_window "员工抽奖系统") || e2e_fail "the main window did not open"
e2e_focus "$main"
e2e_wait_painted
e2e_key F10
setup=$(e2e_wait_window "系统设置") || e2e_fail "F10 did not open the settings screen"

# Error reports are second windows titled like the main one.
reports() { xdotool search --onlyvisible --name '^员工抽奖系统$' 2>/dev/null | wc -l; }
report_shown() { [ "$(reports)" -ge 2 ]; }
report_gone() { [ "$(reports)" -le 1 ]; }

notice=""
notice_copied() { xclip -o -selection clipboard 2>/dev/null | grep -q .; }

# import FILE ROWS: clicks 导入员工列表, types the path into the file dialog,
# answers 追加 (the default button: the roster is never empty here), confirms
# the completion message and checks the roster's size. ROWS "refused": the
# file is reported as unreadable instead, and the roster keeps its size.
import_file() {
  local file="$1" expected="$2" question done_box count dialog report
  e2e_focus "$setup"
  xdotool mousemove --window "$setup" 244 70 click 1
  dialog=$(e2e_wait_window "(Open|打开|打开文件)") || e2e_fail "导入员工列表 did not open the file dialog"
  e2e_focus "$dialog"
  e2e_wait_still 0.5 || e2e_fail "the file dialog did not settle"
  e2e_type "$file"
  e2e_key Return
  question=$(e2e_wait_window "系统提示") || e2e_fail "no 追加/替换 question before importing $file"
  e2e_focus "$question"
  e2e_key Return
  e2e_wait_gone "系统提示" || e2e_fail "the 追加/替换 question stayed"
  if [ "$expected" = refused ]; then
    count=$(rows)
    e2e_wait_for "an error report after importing $file" report_shown
    e2e_screenshot "import_refused_$(basename "$file")" >/dev/null
    report=$(xdotool search --onlyvisible --name '^员工抽奖系统$' | grep -vx "$main" | head -n 1)
    e2e_focus "$report"
    e2e_key Return
    e2e_wait_for "the error report to close" report_gone
    [ "$(rows)" = "$count" ] || e2e_fail "$file was refused, yet the roster went from $count to $(rows) rows"
    return
  fi
  done_box=$(e2e_wait_window " 系统提示") || e2e_fail "no completion message after importing $file"
  e2e_screenshot "import_$(basename "$file")" >/dev/null
  e2e_focus "$done_box"
  # A message box copies its text with Ctrl+C.
  printf '' | xclip -selection clipboard
  e2e_key ctrl+c
  e2e_wait_for "the completion message's text on the clipboard" notice_copied
  notice=$(xclip -o -selection clipboard)
  e2e_key Return
  e2e_wait_gone " 系统提示" || e2e_fail "the completion message stayed"
  count=$(($(rows) - before))
  [ "$count" = "$expected" ] || e2e_fail "after $file the roster has $count new rows, not $expected"
}

import_file "$E2E_WORK/xlsxwriter_mixed.xlsx" 6
[ "$(row_at $((before + 1)))" = "12|张三|一厂|财务部" ] || e2e_fail "first .xlsx row: $(row_at $((before + 1)))"
[ "$(row_at $((before + 4)))" = '1001.5|O'"'"'Neil\r\n"Jr"|43832.5|a_x000D_b' ] || e2e_fail "fourth .xlsx row: $(row_at $((before + 4)))"
import_file "$E2E_WORK/roster.csv" 8
[ "$(row_at $((before + 7)))" = "42|赵六|一厂|财务部, 二科" ] || e2e_fail "first .csv row: $(row_at $((before + 7)))"
[ "$(row_at $((before + 8)))" = 'B8|钱"七"|二厂|生产部' ] || e2e_fail "second .csv row: $(row_at $((before + 8)))"
# The captions' row is no person; the people without a code are two.
import_file "$E2E_WORK/header.xlsx" 11
[ "$(row_at $((before + 9)))" = "C9|孙八|三厂|仓储部" ] || e2e_fail "first row after the header: $(row_at $((before + 9)))"
[ "$(row_at $((before + 11)))" = "|吴十|三厂|仓储部" ] || e2e_fail "second person without a code: $(row_at $((before + 11)))"
case "$notice" in
  *"导入3人"*"第1行是各列的标题"*) ;;
  *) e2e_fail "the closing message does not say the header row was passed over: $notice" ;;
esac
# Damage after 2999 good rows, found once the import has stored rows: none stay.
import_file "$E2E_WORK/latedamage.xlsx" refused
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended"
echo "PASS: an .xlsx, a .csv and an .xlsx with a header imported through the settings screen, an .xlsx damaged late refused"
