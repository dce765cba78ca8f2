#!/bin/bash
# Kills a program that runs presses at random moments, many times over one
# database, and checks after every kill that no winner is half stored: each
# item's count equals its winner rows, nobody has won twice, and every used
# designation belongs to a stored winner of its item; the draw record agrees;
# and no write-ahead log is ever made.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/crash_lib.sh"

"$python" - "$db" <<'PY' || exit 1
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
items = [r[0] for r in con.execute("select RecNo from AwardItem order by iSeq")]
# Designations for two items (one in the roster, one outside), exclusions.
con.execute("insert into Award(sNo, sName, sTime, Checked, sCompCode) select EmpCode, EmpName, ?, 0, CompCode from EmpNo where RecNo in (5, 6)", (items[0],))
con.execute("insert into Award(sNo, sName, sTime, Checked, sCompCode) values('X900', '外聘', ?, 0, '总部')", (items[1],))
con.execute("insert into AwardBlank(sNo, sName, sCompCode) select EmpCode, EmpName, CompCode from EmpNo where RecNo % 7 = 0")
con.commit()
PY

check() {
    "$python" - "$db" <<'PY'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
bad = []
for recno, exc in con.execute("select RecNo, ExcNum from AwardItem"):
    rows = con.execute("select count(*) from AwardList where sTime = ?", (recno,)).fetchone()[0]
    if rows != exc:
        bad.append(f"item {recno}: ExcNum {exc}, rows {rows}")
for code, factory, n in con.execute("select sNo, sCompCode, count(*) from AwardList group by sNo, sCompCode having count(*) > 1"):
    bad.append(f"{code}/{factory} won {n} times")
for code, factory, item in con.execute("select sNo, sCompCode, sTime from Award where Checked = 1"):
    if con.execute("select count(*) from AwardList where sNo = ? and sCompCode = ? and sTime = ?", (code, factory, item)).fetchone()[0] != 1:
        bad.append(f"designation {code}/{factory} used without its winner")
for code, factory in con.execute("select sNo, sCompCode from AwardList where sNo||'/'||sCompCode in (select sNo||'/'||sCompCode from AwardBlank)"):
    bad.append(f"excluded {code}/{factory} won")
print(con.execute("select count(*) from AwardList").fetchone()[0])
if bad:
    print("\n".join(bad), file=sys.stderr)
    sys.exit(1)
PY
}

# The draw record agrees with the tables: since the last reset, the winners
# recorded less those deleted or absent are exactly the stored winners, every
# absent winner is excluded, and every record is well formed.
check_record() {
    "$python" - "$db" <<'PY'
import re, sqlite3, sys
from collections import Counter
con = sqlite3.connect(sys.argv[1])
records = con.execute("select RecNo, sWhen, sEvent, sTime, sNo, sCompCode, sHow from DrawLog order by RecNo").fetchall()
bad = []
when = re.compile(r"^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}$")
last_reset = max([i for i, r in enumerate(records) if r[2] == "重置"], default=-1)
live = Counter()
for recno, at, event, item, code, factory, how in records:
    if not when.match(at or ""):
        bad.append(f"record {recno}: time {at!r}")
    expected_how = ("指定", "随机") if event == "中奖" else ("",)
    if event not in ("中奖", "删除", "弃奖", "重置", "承诺", "公布") or how not in expected_how:
        bad.append(f"record {recno}: event {event!r}, manner {how!r}")
# The proof holds each winner with its press, stored in the winner's own
# transaction: one press winner for each 中奖 record, and no winner without its press.
won = sum(1 for r in records if r[2] == "中奖")
proved = con.execute("select count(*) from DrawPressWinner").fetchone()[0]
orphans = con.execute("select count(*) from DrawPressWinner where iPress not in (select RecNo from DrawPress)").fetchone()[0]
if won != proved or orphans:
    bad.append(f"{won} winners recorded, {proved} in the proof, {orphans} without their press")
for recno, at, event, item, code, factory, how in records[last_reset + 1:]:
    if event in ("承诺", "公布"):
        continue
    live[(code, factory, item)] += 1 if event == "中奖" else -1
    if event == "弃奖" and not con.execute("select count(*) from AwardBlank where sNo = ? and sCompCode = ?", (code, factory)).fetchone()[0]:
        bad.append(f"absent {code}/{factory} not excluded")
stored = Counter(con.execute("select sNo, sCompCode, sTime from AwardList").fetchall())
if +live != stored or any(n < 0 for n in live.values()):
    bad.append(f"record since the last reset {dict(+live)} but stored winners {dict(stored)}")
print(len(records))
if bad:
    print("\n".join(bad[:20]), file=sys.stderr)
    sys.exit(1)
PY
}

kills=${CRASH_KILLS:-30}
presses=0
for i in $(seq 1 "$kills"); do
    "$driver" "$db" > "$work/out" 2> "$work/err" &
    pid=$!
    # 20 to 300 ms: kills land in roll, shuffle, the winner's writes and resets.
    kill_delay
    sleep "$delay"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [ -s "$work/err" ]; then
        echo "driver failed:"; cat "$work/err"; exit 1
    fi
    presses=$(( presses + $(grep -c '^press' "$work/out") ))
    check > /dev/null || { echo "after kill $i (replay with CRASH_SEED=$seed)"; exit 1; }
    check_record > /dev/null || { echo "draw record after kill $i (replay with CRASH_SEED=$seed)"; exit 1; }
    # The journal a kill leaves belongs to this file: it is played back, never set aside.
    if compgen -G "$db-*.bak" > /dev/null; then echo "after kill $i a journal of its own database was set aside"; exit 1; fi
done
echo "$kills kills, $presses presses finished"
[ "$presses" -gt 0 ] || { echo "no press ever finished"; exit 1; }
check > /dev/null && check_record > /dev/null
# No write-ahead files ever; a journal a kill left before its header was
# written may stay, but it is not hot (SQLite never plays it back).
for leftover in -wal -shm; do
    [ ! -e "$db$leftover" ] || { echo "config.dll$leftover left beside the database"; exit 1; }
done
if [ -s "$db-journal" ] && [ "$(head -c1 "$db-journal" | od -An -tx1 | tr -d ' ')" != "00" ]; then
    echo "a hot journal is left after the database was read"; exit 1
fi
