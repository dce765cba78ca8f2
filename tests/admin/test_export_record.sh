#!/bin/bash
# The draw record saved by prizedraw-export --log and read back by independent
# readers (xlrd for .xls, openpyxl for .xlsx): every record in order, quotes
# kept, the reset without item fields, 序号 and 奖项编号 numbers, codes text.
set -euo pipefail
PY=/usr/bin/python3
BIN="${PRIZEDRAW_BIN_DIR:?}"
if ! "$PY" -c 'import xlrd, openpyxl' 2>/dev/null; then
    echo "python3-xlrd or python3-openpyxl missing"; exit 77
fi
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

db="$WORK/config.dll"
"$BIN/prizedraw-db" empty "$db"
"$PY" - "$db" <<'PYEOF'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
rows = [("2026-01-01 20:00:01", "中奖", 3, "一等奖", "O'Neil \"牌\" 冰箱", "000123", "欧阳·娜娜", "一厂", "指定"),
        ("2026-01-01 20:00:02", "中奖", 3, "一等奖", "O'Neil \"牌\" 冰箱", "000124", "李四", "Plant 3", "随机"),
        ("2026-01-01 20:05:00", "弃奖", 3, "一等奖", "O'Neil \"牌\" 冰箱", "000124", "李四", "Plant 3", ""),
        ("2026-01-01 21:00:00", "重置", None, "", "", "", "", "", "")]
con.executemany("insert into DrawLog(sWhen, sEvent, sTime, sItemName, sAwards, sNo, sName, sCompCode, sHow)"
                " values(?,?,?,?,?,?,?,?,?)", rows)
con.commit()
PYEOF
"$BIN/prizedraw-export" --log "$db" "$WORK/record.xls"
"$BIN/prizedraw-export" --log "$db" "$WORK/record.xlsx"


"$PY" - "$db" "$WORK" <<'PYEOF'
import sqlite3, sys, xlrd, openpyxl
db, work = sys.argv[1:]
header = ["序号", "时间", "事件", "奖项编号", "奖项", "奖品", "中奖号码", "姓名", "工厂名称", "方式", "抽奖范围"]
con = sqlite3.connect(db)
stored = [["" if v is None else str(v) for v in r] for r in con.execute(
    "select RecNo, sWhen, sEvent, sTime, sItemName, sAwards, sNo, sName, sCompCode, sHow, sScope from DrawLog "
    "order by RecNo")]
def text(v):
    return "" if v is None else (str(int(v)) if isinstance(v, float) and v == int(v) else str(v))
xls = xlrd.open_workbook(f"{work}/record.xls").sheet_by_index(0)
xls_rows = [[text(c.value) for c in xls.row(r)] for r in range(xls.nrows)]
xlsx = openpyxl.load_workbook(f"{work}/record.xlsx").worksheets[0]
xlsx_rows = [[text(c) for c in r] for r in xlsx.iter_rows(values_only=True)]
for name, rows in (("xls", xls_rows), ("xlsx", xlsx_rows)):
    assert rows == [header] + stored, (name, rows)
assert xls.name == "抽奖记录" and xlsx.title == "抽奖记录", (xls.name, xlsx.title)
assert stored[3][3] == "" and stored[3][2] == "重置", stored[3]
# Numbers are number cells, codes keep their leading zeros as text.
empty = xlrd.XL_CELL_EMPTY
for r in range(1, xls.nrows):
    types = [xls.cell_type(r, c) for c in (0, 3, 6)]
    want = [xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_NUMBER if stored[r - 1][3] else empty,
            xlrd.XL_CELL_TEXT if stored[r - 1][6] else empty]
    assert types == want, ("xls types", r, types, want)
for r, row in enumerate(xlsx.iter_rows(min_row=2, values_only=True)):
    assert isinstance(row[0], int) and (row[3] is None or isinstance(row[3], int)), ("xlsx types", r, row)
    assert row[6] is None or isinstance(row[6], str), ("xlsx code", r, row)
print("record read back:", len(stored), "rows")
PYEOF

# The usage names the option; a missing database is an error, not an empty file.
if "$BIN/prizedraw-export" --log 2>"$WORK/err"; then echo "usage accepted"; exit 1; fi
grep -q -- "--log" "$WORK/err"
if "$BIN/prizedraw-export" --log "$WORK/missing.dll" "$WORK/none.xls" 2>/dev/null; then echo "missing database accepted"; exit 1; fi
[ ! -e "$WORK/none.xls" ]
