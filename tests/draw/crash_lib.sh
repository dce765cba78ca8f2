# The set-up the crash tests share: the crash driver, the database tool, the
# Debian python3 that reads the file (another python3 earlier on the PATH may
# lack sqlite3), a temporary folder and a demo database in it ($db).
# Sourced; exits 77 (skipped) when a tool is missing.
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
