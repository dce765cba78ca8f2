# The set-up the crash tests share: the crash driver, the database tool, the
# Debian python3 that reads the file (another python3 earlier on the PATH may
# lack sqlite3), a temporary folder and a demo database in it ($db).
# Sourced; exits 77 (skipped) when a tool is missing.
#
# The kill moments come from $RANDOM, seeded from CRASH_SEED or the clock; the
# seed is printed, so that a failing run can be replayed with CRASH_SEED=N.
# kill_delay draws them in this shell: $RANDOM in a $(...) subshell is seeded
# afresh and would ignore the seed.
bin="${PRIZEDRAW_BIN_DIR:-}"
driver="$bin/prizedraw-crashdriver"
maker="$bin/prizedraw-db"
python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3 || true)
if [ ! -x "$driver" ] || [ ! -x "$maker" ] || [ -z "$python" ]; then
    echo "driver, database tool or python3 missing"; exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db="$work/config.dll"
"$maker" demo "$db" || exit 1

seed="${CRASH_SEED:-$(( $(date +%s%N) % 1000000007 ))}"
RANDOM=$seed
echo "kill delays from seed $seed (replay with CRASH_SEED=$seed)"

# Sets $delay to a sleep of 0.020 to 0.299 s.
kill_delay() {
    local ms=$(( RANDOM % 280 + 20 ))
    delay="0.$(printf '%03d' "$ms")"
}
