#!/usr/bin/env bash
# The package installed the ordinary way, as root, on this machine: an
# ordinary user's first start of /usr/bin/prizedraw under Xvfb fills
# ~/.local/share/prizedraw (owner only) from the delivered files; with the
# demo roster put there, Enter twice draws a winner. With only the fonts of
# the packages it depends on (a fontconfig file that knows no other), the
# rare characters 𪚥 and 𠮷 of a winner's name are drawn, not empty boxes. A reinstall, an upgrade
# to a higher version and a purge keep that user's database byte for byte.
# The package, the user and everything installed for the test are removed at
# the end. Needs root; skipped (77) otherwise, when the package is not built,
# or when prizedraw is installed already (the machine's own copy stays).
set -uo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/package_lib.sh"
source "$here/../e2e/e2e_lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "SKIP: installing a package needs root"; exit 77; }
pkg_require_deb
for tool in Xvfb xdotool import apt-get useradd runuser python3 cpack; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
if dpkg-query -W -f='${Status}' prizedraw 2>/dev/null | grep -q 'installed'; then
  echo "SKIP: prizedraw is installed on this machine already; the test would replace it"
  exit 77
fi

E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/prizedraw-pkg.XXXXXX")
chmod 755 "$E2E_WORK"
user="pdtest$$"
home="$E2E_WORK/home"
data="$home/.local/share/prizedraw"
dpkg-query -W -f='${Package}\n' | sort >"$E2E_WORK/before.txt"
apt_quiet=(env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o Dpkg::Use-Pty=0)

cleanup() {
  e2e_cleanup_program
  [ -n "$E2E_XVFB_PID" ] && kill "$E2E_XVFB_PID" 2>/dev/null && wait "$E2E_XVFB_PID" 2>/dev/null
  "${apt_quiet[@]}" purge prizedraw >/dev/null 2>&1
  # Whatever the install brought in (dependencies missing before) goes too.
  local added
  added=$(dpkg-query -W -f='${Package}\n' | sort | comm -13 "$E2E_WORK/before.txt" -)
  [ -n "$added" ] && "${apt_quiet[@]}" purge $added >/dev/null 2>&1
  id "$user" >/dev/null 2>&1 && userdel "$user" 2>/dev/null
  rm -rf "$E2E_WORK"
}
e2e_cleanup_program() {
  if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
    kill "$E2E_PID" 2>/dev/null
    wait "$E2E_PID" 2>/dev/null
  fi
  E2E_PID=""
}
trap cleanup EXIT
fail() { e2e_fail "$*"; }

install_deb() { # what to say, apt-get arguments...
  local what="$1"
  shift
  "${apt_quiet[@]}" install "$@" >"$E2E_WORK/apt.log" 2>&1 || { tail -n 30 "$E2E_WORK/apt.log" >&2; fail "$what failed"; }
}

# A second package one Debian revision higher, from the same build.
release=$(dpkg-deb -f "$PKG_DEB" Version)
release=${release##*-}
higher_dir="$E2E_WORK/higher"
(cd "$PKG_DIR" && cpack -G DEB -B "$higher_dir" -D CPACK_DEBIAN_PACKAGE_RELEASE=$((release + 1)) >"$E2E_WORK/cpack.log" 2>&1) \
  || { cat "$E2E_WORK/cpack.log" >&2; fail "the higher version could not be packed"; }
higher_deb=$(ls "$higher_dir"/prizedraw_*-$((release + 1))_amd64.deb 2>/dev/null | head -n 1)
[ -n "$higher_deb" ] || fail "no higher version in $higher_dir"

install_deb "apt-get install $PKG_DEB" "$(realpath "$PKG_DEB")"
[ -x /usr/bin/prizedraw ] || fail "/usr/bin/prizedraw is not installed"

useradd --no-create-home --home-dir "$home" --shell /bin/sh "$user" || fail "useradd $user failed"
mkdir -p "$home" "$E2E_WORK/runtime" && chown "$user:" "$home" "$E2E_WORK/runtime" && chmod 700 "$home" "$E2E_WORK/runtime"
as_user() { # the user's own clean environment, from a folder of nobody's (the working directory never matters)
  (cd / && exec runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$E2E_WORK/runtime" \
    DISPLAY="${DISPLAY:-}" QT_QPA_PLATFORM=xcb "$@")
}
sql() { # read-only, as root
  python3 - "$data/config.dll" "$1" <<'PYEOF'
import sqlite3, sys
con = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True, timeout=5)
print("\n".join(" ".join(str(v) for v in r) for r in con.execute(sys.argv[2]).fetchall()))
PYEOF
}
mode_of() { stat -c '%a' "$1"; }

e2e_start_xvfb 1024x768x24
start_as_user() { # [the notice expected before the main window]
  E2E_LOG="$E2E_WORK/program.log"
  as_user /usr/bin/prizedraw >"$E2E_LOG" 2>&1 &
  E2E_PID=$!
  if [ -n "${1:-}" ]; then
    notice=$(e2e_wait_window "$1") || fail "the installed program did not show \"$1\""
    e2e_focus "$notice"
    e2e_key Return
  fi
  main=$(e2e_wait_window "员工抽奖系统") || fail "the installed program's window did not open"
  e2e_focus "$main"
  sleep 1
}
close_program() {
  e2e_focus "$main"
  e2e_key Escape
  e2e_key Return
  e2e_wait_exit || fail "Esc and Enter did not end the program"
}

# First start: the data folder is made and filled from the delivered files,
# whose empty roster the program reports before its window opens.
start_as_user "系统提示"
[ -f "$data/config.dll" ] || fail "the first start did not fill $data"
cmp -s "$data/config.dll" /usr/share/prizedraw/config.dll || fail "$data/config.dll is not the delivered empty database"
[ "$(stat -c %U "$data/config.dll")" = "$user" ] || fail "$data/config.dll does not belong to $user"
[ "$(mode_of "$data")" = 700 ] || fail "$data has mode $(mode_of "$data"), expected 700"
[ "$(mode_of "$data/config.dll")" = 600 ] || fail "$data/config.dll has mode $(mode_of "$data/config.dll"), expected 600"
[ ! -e /usr/bin/config.dll ] && [ ! -e /usr/bin/config.ini ] || fail "the program wrote beside /usr/bin/prizedraw"
close_program

# The demo roster put into the user's data folder with the installed tool.
as_user /usr/bin/prizedraw-db demo-if-empty "$data/config.dll" || fail "prizedraw-db demo-if-empty failed"
[ "$(sql 'select count(*) from EmpNo')" -gt 0 ] || fail "the demo roster is not in $data/config.dll"

# Enter starts the rolling digits, Enter again draws.
start_as_user
e2e_key Return
sleep 1
e2e_focus "$main"
e2e_key Return
deadline=$((SECONDS + E2E_TIMEOUT))
while [ "$(sql 'select count(*) from AwardList')" = 0 ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
winners=$(sql 'select count(*) from AwardList')
[ "$winners" -gt 0 ] || fail "no winner was drawn"
e2e_wait_still
e2e_screenshot package-installed-draw >/dev/null
close_program
echo "drawn: $winners winner(s) in $data/config.dll"

# The installed tools prove that press: the seed revealed, the proof written,
# and both installed verifiers, the program and the Python script beside the
# guide, find it 一致 alike.
as_user /usr/bin/prizedraw-db reveal "$data/config.dll" >/dev/null || fail "prizedraw-db reveal failed"
as_user /usr/bin/prizedraw-export --proof "$data/config.dll" "$home/proof.json" || fail "prizedraw-export --proof failed"
native=$(as_user /usr/bin/prizedraw-verify "$home/proof.json") || fail "prizedraw-verify: $native"
script=$(as_user python3 /usr/share/doc/prizedraw/prizedraw-verify.py "$home/proof.json") || fail "prizedraw-verify.py: $script"
[ "$native" = "$script" ] && grep -q '^第1次 .*: 一致$' <<<"$native" || fail "the verifiers said: $native / $script"

# Only the fonts the package brings: a fontconfig file that lists the font
# files of the font packages it depends on, and nothing else. Two people of
# one factory, one named with rare characters and one with characters of the
# private use planes, which no font draws; a press draws both. Were the rare
# ones not drawn, both labels would show the same empty boxes.
fonts_conf="$E2E_WORK/fonts.conf"
{
  echo '<?xml version="1.0"?><!DOCTYPE fontconfig SYSTEM "fonts.dtd"><fontconfig>'
  for pkg in $(dpkg-deb -f "$PKG_DEB" Depends | tr ',' '\n' | sed 's/^ *//;s/[ (].*//' | grep '^fonts-'); do
    dpkg -L "$pkg" | grep -E '\.(otf|ttf|ttc|otc)$' | xargs -r -n1 dirname | sort -u | sed 's|.*|<dir>&</dir>|'
  done
  echo "<cachedir>$E2E_WORK/runtime/fontcache</cachedir></fontconfig>"
} >"$fonts_conf"
chmod 644 "$fonts_conf"
grep -q '<dir>' "$fonts_conf" || fail "the package depends on no font package"
as_user python3 - "$data/config.dll" <<'PYEOF' || fail "the two people could not be put in place"
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
first, second = [r[0] for r in con.execute("select RecNo from EmpNo order by RecNo limit 2")]
con.execute("delete from EmpNo where RecNo not in (?, ?)", (first, second))
con.execute("update EmpNo set EmpName = ?, CompCode = '一厂' where RecNo = ?", ("王𪚥𠮷", first))
con.execute("update EmpNo set EmpName = ?, CompCode = '一厂' where RecNo = ?", ("王󰀀󰀁", second))
con.execute("delete from AwardList")
con.execute("update AwardItem set ExcNum = 0, IsExec = 0, iNumber = 2, SumNumber = 2")
con.commit()
PYEOF
as_user_with_fonts() { as_user env FONTCONFIG_FILE="$fonts_conf" "$@"; }
E2E_LOG="$E2E_WORK/program-fonts.log"
as_user_with_fonts /usr/bin/prizedraw >"$E2E_LOG" 2>&1 &
E2E_PID=$!
main=$(e2e_wait_window "员工抽奖系统") || fail "the installed program's window did not open with the package's fonts"
e2e_focus "$main"
e2e_wait_painted
e2e_key Return
e2e_wait_rolling
e2e_key Return
two_drawn() { [ "$(sql 'select count(*) from AwardList')" = 2 ]; }
e2e_wait_for "the press of the two people" two_drawn
e2e_wait_still
shot=$(e2e_screenshot package-rare-characters)
/usr/bin/python3 "$here/../e2e/check_board.py" "$shot" 2 --distinct \
  || fail "with only the package's fonts, 王𪚥𠮷 is drawn like characters no font has (see $shot)"
close_program

sum=$(sha256sum <"$data/config.dll")
keeps() { # what happened
  [ -f "$data/config.dll" ] || fail "$1 removed the user's database"
  [ "$(sha256sum <"$data/config.dll")" = "$sum" ] || fail "$1 changed the user's database"
}
install_deb "apt-get install --reinstall" --reinstall "$(realpath "$PKG_DEB")"
keeps "the reinstall"
install_deb "the upgrade to $(dpkg-deb -f "$higher_deb" Version)" "$higher_deb"
[ "$(dpkg-query -W -f='${Version}' prizedraw)" = "$(dpkg-deb -f "$higher_deb" Version)" ] || fail "the upgrade did not take place"
keeps "the upgrade"
"${apt_quiet[@]}" purge prizedraw >"$E2E_WORK/apt.log" 2>&1 || { cat "$E2E_WORK/apt.log" >&2; fail "apt-get purge failed"; }
[ ! -e /usr/bin/prizedraw ] && [ ! -e /usr/share/prizedraw ] || fail "apt-get purge left the program's files"
keeps "apt-get purge"
echo "PASS"
