#!/bin/bash
# Exports made by prizedraw-export read back by independent readers: xlrd for
# .xls, openpyxl for .xlsx, and LibreOffice where it is installed.
set -euo pipefail
PY=/usr/bin/python3
HERE="$(cd "$(dirname "$0")" && pwd)"
BIN="${PRIZEDRAW_BIN_DIR:?}"
if ! "$PY" -c 'import xlrd, openpyxl' 2>/dev/null; then
    echo "python3-xlrd or python3-openpyxl missing"; exit 77
fi
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

fill() { # fill DATABASE WINNERS
    "$PY" - "$1" "$2" <<'PYEOF'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
n = int(sys.argv[2])
items = [(5, "特等奖", "汽车"), (1, "一等奖", "笔记本电脑"), (2, "二等奖", "O'Neil \"牌\" 冰箱")]
for seq, name, awards in items:
    con.execute("insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum)"
                " values(?,?,?,?,?,0,0)", (seq, name, awards, n, 1))
rec = [r[0] for r in con.execute("select RecNo from AwardItem order by RecNo")]
for i in range(n):
    # Items are drawn out of creation order; the list orders by item number.
    item = rec[(i * 7) % len(rec)]
    name = "员工%d" % i if i % 11 else "欧阳·娜娜%d" % i
    factory = ["一厂", "二厂", "Plant 3", ""][i % 4]
    con.execute("insert into AwardList(sNo, sName, sTime, sCompCode) values(?,?,?,?)",
                ("%06d" % (100000 + i), name, item, factory))
con.commit()
PYEOF
}

for n in 3 10000; do
    db="$WORK/config-$n.dll"
    "$BIN/prizedraw-db" empty "$db"
    fill "$db" "$n"
    "$BIN/prizedraw-export" "$db" "$WORK/list-$n.xls"
    "$BIN/prizedraw-export" "$db" "$WORK/list-$n.xlsx"
    csvs=()
    if command -v libreoffice >/dev/null 2>&1; then
        for ext in xls xlsx; do
            mkdir -p "$WORK/csv-$ext"
            HOME="$WORK" libreoffice --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' \
                --outdir "$WORK/csv-$ext" "$WORK/list-$n.$ext" >/dev/null 2>&1
            csvs+=("$WORK/csv-$ext/list-$n.csv")
        done
    else
        echo "libreoffice not installed: csv comparison skipped for $n"
    fi
    "$PY" "$HERE/check_export.py" "$db" "$WORK/list-$n.xls" "$WORK/list-$n.xlsx" "${csvs[@]}"
done
