#!/bin/bash
# After a crash the files SQLite keeps beside config.dll (a hot rollback
# journal; the log and index of the write-ahead mode older builds used) stay
# in the folder. An operator who then copies another config.dll in must get
# exactly that file: the start sets the leftovers aside under dated names and
# tells so, the copied file is not changed by opening it, and presses run on it.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/crash_lib.sh"

# Kill presses until a kill lands inside a write and leaves a hot journal
# (its first byte is not zero); every kill is a crash worth testing, so the
# copy below runs whether or not one was left.
hot=no
for i in $(seq 1 200); do
    "$driver" "$db" > /dev/null 2> "$work/err" &
    pid=$!
    kill_delay
    sleep "$delay"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [ -s "$work/err" ]; then echo "driver failed:"; cat "$work/err"; exit 1; fi
    if [ -s "$db-journal" ] && [ "$(head -c1 "$db-journal" | od -An -tx1 | tr -d ' ')" != "00" ]; then
        hot=yes; break
    fi
done
echo "hot journal left after $i kills: $hot"

# An older build's write-ahead log and index, left by a crash of its own.
"$maker" demo "$work/older.dll" || exit 1
"$python" - "$work/older.dll" <<'PY' || exit 1
import os, sqlite3, sys
con = sqlite3.connect(sys.argv[1], isolation_level=None)
con.execute("PRAGMA journal_mode=WAL")
con.execute("PRAGMA wal_autocheckpoint=0")
con.execute("update AwardItem set ItemName = '去年'")
os._exit(0)  # no checkpoint, no clean close
PY
mv "$work/older.dll-wal" "$db-wal" && mv "$work/older.dll-shm" "$db-shm" || { echo "no write-ahead leftovers made"; exit 1; }

# This year's database, copied in over the crashed one.
"$maker" empty "$work/new.dll" || exit 1
"$python" - "$work/new.dll" <<'PY' || exit 1
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
con.executemany("insert into EmpNo(EmpCode, EmpName, CompCode, DartNo) values(?, ?, '今年厂', '部')",
                [(str(9000 + i), f"新人{i}") for i in range(37)])
con.execute("insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum) values(1, '今年', '奖品', 5, 1, 0, 0)")
con.commit()
PY
cp "$work/new.dll" "$db"
before=$(sha256sum < "$db")

"$driver" "$db" --open > "$work/open" 2> "$work/err" || { echo "start failed:"; cat "$work/err"; exit 1; }
cat "$work/open"
after=$(sha256sum < "$db")
[ "$before" = "$after" ] || { echo "the copied database was changed by the start"; exit 1; }
grep -qx "rows EmpNo 37" "$work/open" && grep -qx "rows AwardItem 1" "$work/open" && grep -qx "rows AwardList 0" "$work/open" \
    || { echo "the start did not read the copied database"; exit 1; }
for leftover in -wal -shm $( [ "$hot" = yes ] && echo -journal ); do
    [ ! -e "$db$leftover" ] || { echo "config.dll$leftover still beside the database"; exit 1; }
    ls "$work" | grep -Eq "^config\.dll$leftover\.[0-9]{8}-[0-9]{6}\.bak" || { echo "config.dll$leftover not set aside"; exit 1; }
    grep -q "notice .*config.dll$leftover" "$work/open" || { echo "no notice for config.dll$leftover"; exit 1; }
done

# Presses on the copied file store this year's winners.
"$driver" "$db" > "$work/out" 2> "$work/err" &
pid=$!
sleep 0.5
kill -KILL "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
if [ -s "$work/err" ]; then echo "driver failed:"; cat "$work/err"; exit 1; fi
"$python" - "$db" <<'PY' || exit 1
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
names = {r[0] for r in con.execute("select ItemName from AwardItem")}
foreign = con.execute("select count(*) from AwardList where sCompCode <> '今年厂'").fetchone()[0]
if names != {"今年"} or foreign:
    sys.exit(f"items {names}, {foreign} winners from another roster")
PY
echo "copied database unchanged by the start and used"
