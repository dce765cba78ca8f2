#!/bin/bash
# The two verifiers of the proof file: the Python one's generator against the
# format's published vector; then for each verifier, the Python script and the
# program's own prizedraw-verify, the worked example verified line for line and
# the example edited in each way somebody might, either by hand (the old
# checksum kept) or on purpose (a new checksum written), refused or exposed by
# the replay with the same answer.
set -euo pipefail
PY=/usr/bin/python3
[ -x "$PY" ] || { echo "python3 not installed"; exit 77; }
HERE="$(cd "$(dirname "$0")" && pwd)"
VERIFY="$HERE/../../tools/prizedraw-verify.py"
EXAMPLE="$HERE/proof-example.json"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$PY" - "$VERIFY" <<'PYEOF'
import importlib.util, sys
spec = importlib.util.spec_from_file_location("verify", sys.argv[1])
v = importlib.util.module_from_spec(spec)
spec.loader.exec_module(v)
K = bytes(range(32))
checks = [
    (v.hashlib.sha256(K).hexdigest(), "630dcd2966c4336691125448bbb25b4ff412a49c732db2c8abc1b8581bd710dd"),
    (v.block(K, 1, 0, 0).hex(), "7b732d477ac077c77308f6a057de0931488958c337840fe1079bb02f2bc26f70"),
    (["%016x" % v.value(K, 1, s, 0) for s in range(6)],
     "7b732d477ac077c7 372f700e78162169 fc54ba09e6367f53 6ce2a522fc0c62dc 63095c9d1b70eae3 d9137ef8aa2b5a1f".split()),
    ([v.below(K, 1, s, 10) for s in range(6)], [1, 3, 5, 0, 7, 9]),
    ({n: [v.below(K, 7, s, n) for s in range(5)] for n in (1, 2, 3, 1000000, 2147483647)},
     {1: [0] * 5, 2: [0, 1, 0, 1, 0], 3: [2, 1, 2, 1, 1], 1000000: [934664, 428719, 554148, 440911, 101880],
      2147483647: [2001936579, 998666450, 1296140218, 1390204170, 891261013]}),
    # A huge N makes the rejection loop run: step 2 takes attempt 3, step 5 attempt 1.
    (["%016x" % v.value(K, 1, 2, a) for a in range(4)] + ["%016x" % v.value(K, 1, 5, 1)],
     "fc54ba09e6367f53 dfc87cee0e9358ae 82c28d96bfb2b6b1 30d8cb01d0c075c8 12d4610c2dcc07db".split()),
    ([v.below(K, 1, s, 2**63 + 1) for s in range(6)],
     [8895503474012223431, 3976520203438006633, 3519786317447722440, 7846015070508966620, 7136336914385267427,
      1356816092681209819]),
    (v.roster_sha256([["1001", "一厂", "财务部", "张三"]]),
     "33b14cfc58a02829f6e42de73dde30d940dc7f7d3336471424a8c9e46b9b0bf4"),
]
for n, (got, want) in enumerate(checks):
    if got != want:
        sys.exit(f"FAIL: vector check {n}: {got} instead of {want}")
print(f"{len(checks)} vector checks agree")
PYEOF

# The worked example as the format prints it, run through the script's own first line.
got="$(LC_ALL=C "$VERIFY" "$EXAMPLE")" || fail "the worked example was not verified"
want="第1次 一等奖 2人: 一致
合计: 1次抽取, 随机中奖1人, 指定中奖1人; 一致1次, 不一致0次, 无法验证0次"
[ "$got" = "$want" ] || fail "the worked example printed: $got"

VERIFIERS=("$PY $VERIFY")
NATIVE="${PRIZEDRAW_BIN_DIR:-}/prizedraw-verify"
if [ -x "$NATIVE" ]; then
    VERIFIERS+=("$NATIVE")
    got="$(LC_ALL=C "$NATIVE" "$EXAMPLE")" || fail "prizedraw-verify did not verify the worked example"
    [ "$got" = "$want" ] || fail "prizedraw-verify printed for the worked example: $got"
else
    echo "prizedraw-verify not built: the Python verifier alone"
fi

# edit | checksum | exit status | a line the output holds | the line of prizedraw-verify where it words it otherwise
while IFS='|' read -r kind seal status expected native; do
    [ -n "$kind" ] || continue
    "$PY" "$HERE/proof_tamper.py" "$EXAMPLE" "$kind" "$seal" "$WORK/$kind.json"
    for verifier in "${VERIFIERS[@]}"; do
        line="$expected"
        [ "$verifier" = "$NATIVE" ] && [ -n "$native" ] && line="$native"
        set +e
        # shellcheck disable=SC2086 # the Python verifier is an interpreter and its script
        out="$($verifier "$WORK/$kind.json" 2>&1)"
        rc=$?
        set -e
        [ "$rc" = "$status" ] || fail "$verifier, $kind ($seal): exit $rc instead of $status: $out"
        line="${line//WORK/$WORK}"
        grep -qxF -- "$line" <<<"$out" || fail "$verifier, $kind ($seal): no line \"$line\" in: $out"
    done
    echo "ok: $kind ($seal)"
done <<'TABLE'
same|sealed|0|第1次 一等奖 2人: 一致
bare|raw|0|合计: 1次抽取, 随机中奖1人, 指定中奖1人; 一致1次, 不一致0次, 无法验证0次
renamed|sealed|0|第1次 一等奖 2人: 一致
swapped|raw|2|拒绝: WORK/swapped.json: 校验和不符: 文件在导出后被改动过或已损坏，请使用导出的原文件
swapped|sealed|1|第1次 一等奖 2人: 不一致: 第1位 张三（一厂），种子给出 李四（一厂 1001）
again|sealed|1|第1次 一等奖 3人: 不一致: 第3位 李四（一厂 1001），种子给出 赵六（一厂 1003）；第3位 李四（一厂 1001）已经中过奖
added|raw|2|拒绝: WORK/added.json: 校验和不符: 文件在导出后被改动过或已损坏，请使用导出的原文件
added|sealed|1|第1次 一等奖 2人: 不一致: 第1位 李四（一厂 1001），种子给出 张三（一厂）
second_row|sealed|0|第1次 一等奖 2人: 一致
added_unhashed|sealed|2|拒绝: WORK/added_unhashed.json: 名单1的 sha256 与它的各行不符
unordered|sealed|2|拒绝: WORK/unordered.json: 名单1的第6行不在规范顺序中（按厂别、工号、姓名、部门排列）
unexcluded|raw|2|拒绝: WORK/unexcluded.json: 校验和不符: 文件在导出后被改动过或已损坏，请使用导出的原文件
designated_elsewhere|sealed|1|第1次 一等奖 2人: 不一致: 第2位 陈七（二厂 2001）标为指定，但没有此奖项的指定
scoped|sealed|1|第1次 一等奖 2人: 不一致: 第1位 李四（一厂 1001），种子给出 赵六（一厂 1003）
nobody|sealed|1|第1次 一等奖 2人: 不一致: 第1位 李四（一厂 1001），种子给出：无人可抽
reseeded|raw|2|拒绝: WORK/reseeded.json: 校验和不符: 文件在导出后被改动过或已损坏，请使用导出的原文件
reseeded|sealed|2|拒绝: WORK/reseeded.json: 种子1的SHA-256与抽奖前公示的承诺值不符
recommitted|sealed|1|第1次 一等奖 2人: 不一致: 第1位 李四（一厂 1001），种子给出 赵六（一厂 1003）
unrevealed|sealed|1|第1次 一等奖 2人: 无法验证: 种子未公布
next|sealed|0|第2次 二等奖 2人: 一致
after_unrevealed|sealed|1|第2次 二等奖 1人: 一致
outside|sealed|0|另有1位中奖者没有抽取记录，无法验证: 一等奖 1人
cut|raw|2|拒绝: WORK/cut.json: 文件不完整: 没有以校验和结尾（文件被截断了，请重新导出）
version|raw|2|拒绝: WORK/version.json: 校验和不符: 文件在导出后被改动过或已损坏，请使用导出的原文件
version|sealed|2|拒绝: WORK/version.json: 格式版本 2 不受支持（只认识版本 1），请用相应版本的验证工具
format|sealed|2|拒绝: WORK/format.json: 不是抽奖记录文件（format 不是 "prizedraw-proof"）
twice|sealed|2|拒绝: WORK/twice.json: JSON对象中成员 version 出现了两次
renumbered|sealed|2|拒绝: WORK/renumbered.json: 抽取编号不是递增的: 第1次之后是第1次
no_roster|sealed|2|拒绝: WORK/no_roster.json: 第1次抽取所用的名单2不在文件中
float|sealed|2|拒绝: WORK/float.json: 成员 presses[0].candidates 缺少或类型不对（应为0到2^53的整数）|拒绝: WORK/float.json: 数 2.0 不是整数（文件中的数都是整数）
TABLE
