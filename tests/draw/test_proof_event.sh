#!/bin/bash
# A whole event made checkable: presses run by the crash driver over a roster
# with people without a code, a scoped item, designations (one of them of a
# person outside the roster) and exclusions changed between presses, winners
# deleted and found absent by the driver, resets when every item is drawn, a
# kill -9 at random moments and the press resumed, a reveal and a second seed.
# The proof file is exported and both verifiers (the program's and the Python
# script written from the format alone) give the same answer, line for line:
# 一致 for every press once the seeds are revealed, 无法验证 for a press of an
# unrevealed seed. The file edited in each way somebody might is refused or
# exposed by both, again alike.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/crash_lib.sh"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
exporter="$bin/prizedraw-export"
native="$bin/prizedraw-verify"
script="$root/tools/prizedraw-verify.py"
[ -x "$exporter" ] && [ -x "$native" ] || { echo "prizedraw-export or prizedraw-verify missing"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

sql() { "$python" -c 'import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
for statement in sys.argv[2:]:
    con.execute(statement)
con.commit()' "$db" "$@"; }

# The roster: three people without a code, two of them one person in two
# departments; 三等奖 only for 二厂 and the finance department of 一厂.
sql "insert into EmpNo(EmpCode, EmpName, CompCode, DartNo) values('', '张三', '一厂', '生产部'), ('', '张三', '一厂', '财务部'), ('', '李四', '一厂', '生产部')" \
    "insert into AwardScope(sTime, CompCode, DartNo) values(1, '二厂', ''), (1, '一厂', '财务部')" \
    "insert into Award(sNo, sName, sTime, Checked, sCompCode) select EmpCode, EmpName, 3, 0, CompCode from EmpNo where RecNo = 9" \
    "insert into Award(sNo, sName, sTime, Checked, sCompCode) values('X900', '外聘', 2, 0, '总部')" \
    "insert into AwardBlank(sNo, sName, sCompCode) select EmpCode, EmpName, CompCode from EmpNo where RecNo % 11 = 0"

# Runs presses until the driver has finished at least $1 more, then kills it
# a moment later, most often in the middle of a press.
presses_then_kill() {
    local out="$work/driver.out"
    "$driver" "$db" >"$out" 2>&1 &
    local pid=$! waited=0
    while [ "$(grep -c '^press' "$out")" -lt "$1" ] && kill -0 "$pid" 2>/dev/null && [ $waited -lt 600 ]; do
        sleep 0.05
        waited=$((waited + 1))
    done
    kill_delay
    sleep "$delay"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    [ "$(grep -c '^press' "$out")" -ge "$1" ] || fail "the driver stopped: $(cat "$out")"
}

# Both verifiers on one file: the same lines and the same exit status, which
# must be $2.
both() {
    local file=$1 want=$2 py_out native_out py_rc native_rc
    py_out="$("$python" "$script" "$file" 2>&1)"; py_rc=$?
    native_out="$("$native" "$file" 2>&1)"; native_rc=$?
    [ "$py_rc" = "$native_rc" ] || fail "$file: the Python verifier exits $py_rc, prizedraw-verify $native_rc
$py_out
--
$native_out"
    [ "$py_rc" = "$want" ] || fail "$file: exit $py_rc instead of $want: $py_out"
    if [ "$want" != 2 ]; then
        [ "$py_out" = "$native_out" ] || fail "$file: the verifiers disagree:
$(diff <(echo "$py_out") <(echo "$native_out"))"
    fi
    verdict="$py_out"
}

presses_then_kill 4
# Between presses: one more exclusion, a designation withdrawn and one added.
sql "insert into AwardBlank(sNo, sName, sCompCode) select EmpCode, EmpName, CompCode from EmpNo where RecNo = 12" \
    "delete from Award where sNo = 'X900'" \
    "insert into Award(sNo, sName, sTime, Checked, sCompCode) select EmpCode, EmpName, 1, 0, CompCode from EmpNo where RecNo = 14"
presses_then_kill 6
"$bin/prizedraw-db" reveal "$db" >"$work/reveal1.txt" || fail "reveal: $(cat "$work/reveal1.txt")"
grep -q '（刚刚公布）' "$work/reveal1.txt" || fail "nothing revealed: $(cat "$work/reveal1.txt")"
# The next presses draw with a new seed; the exclusions are lifted.
sql "delete from AwardBlank where sNo <> ''"
presses_then_kill 8
"$bin/prizedraw-db" reveal "$db" >/dev/null || fail "second reveal"

"$exporter" --proof "$db" "$work/proof.json" || fail "export"
both "$work/proof.json" 0
echo "$verdict" | tail -3
"$python" - "$work/proof.json" <<'PY' || exit 1
import json, sys
doc = json.load(open(sys.argv[1], encoding="utf-8"))
presses = doc["presses"]
seeds = {p["seed"] for p in presses}
hows = {w["how"] for p in presses for w in p["winners"]}
changes = [name for p in presses for name, entries in p["changes"].items() if entries]
problems = []
if len(seeds) < 2: problems.append(f"presses of {len(seeds)} seed(s) only")
if "指定" not in hows or "随机" not in hows: problems.append(f"winners drawn {hows}")
for name in ("winners_removed", "excluded_added", "excluded_removed", "designated_removed", "designated_added"):
    if name not in changes: problems.append(f"no press after {name}")
if not any(p["scope"] for p in presses): problems.append("no scoped press")
# Why winners left: the person's own deletion or absence, or the reset.
reasons = {w[4] for p in presses for w in p["changes"]["winners_removed"]}
if not {"删除", "弃奖", "清空"} <= reasons: problems.append(f"reasons of removed winners {reasons}")
rows = doc["rosters"][0]["rows"]
# In canonical order (UTF-8 bytes): 张 before 李, 生产部 before 财务部.
if [r for r in rows if r[0] == ""] != [["", "一厂", "生产部", "张三"], ["", "一厂", "财务部", "张三"],
                                       ["", "一厂", "生产部", "李四"]]:
    problems.append("people without a code: %s" % [r for r in rows if r[0] == ""])
if problems: sys.exit("FAIL: the event lacks what it should test: " + "; ".join(problems))
print(f"{len(presses)} presses of {len(seeds)} seeds")
PY

# A press of a seed not yet revealed cannot be checked; both say so alike.
presses_then_kill 1
"$exporter" --proof "$db" "$work/unrevealed.json" || fail "export"
both "$work/unrevealed.json" 1
grep -q '无法验证: 种子未公布' <<<"$verdict" || fail "no unverifiable press: $verdict"

# The file edited on purpose (a new checksum written) or by hand.
tamper() {
    "$python" - "$work/proof.json" "$work/$1.json" "$1" <<'PY'
import hashlib, json, sys
source, target, kind = sys.argv[1:]
doc = json.load(open(source, encoding="utf-8"))
presses = doc["presses"]
random = [w for p in presses for w in p["winners"] if w["how"] == "随机"]
roster = doc["rosters"][0]
if kind == "swapped":
    winner = random[len(random) // 2]
    other = next(r for r in roster["rows"] if r[0] and r[0] != winner["code"])
    winner.update(code=other[0], factory=other[1], name=other[3])
elif kind == "added":
    roster["rows"].insert(0, ["", "一厂", "仓储部", "丁一"])
    data = b"".join(len(t.encode()).to_bytes(4, "big") + t.encode() for row in roster["rows"] for t in row)
    roster["sha256"] = hashlib.sha256(data).hexdigest()
elif kind == "unexcluded":
    press = next(p for p in presses if p["changes"]["excluded_added"])
    press["changes"]["excluded_added"].pop()
elif kind == "reseeded":
    doc["seeds"][0]["seed"] = "00" * 32
doc.pop("checksum")
body = json.dumps(doc, ensure_ascii=False, separators=(",", ":"))[:-1].encode() + b","
if kind == "cut":
    body = open(source, "rb").read()[:-200]
    open(target, "wb").write(body)
else:
    seal = b'"checksum":"' + hashlib.sha256(body).hexdigest().encode() + b'"}\n'
    open(target, "wb").write(body + seal)
PY
}
for kind in swapped added unexcluded reseeded cut; do
    tamper "$kind" || fail "tampering $kind"
    case $kind in reseeded|cut) want=2 ;; *) want=1 ;; esac
    both "$work/$kind.json" "$want"
    [ "$want" = 2 ] || grep -q ': 不一致: ' <<<"$verdict" || fail "$kind: no press found 不一致: $verdict"
    echo "ok: $kind"
done
echo "ok: the event is checked alike by both verifiers"
