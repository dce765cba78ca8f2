#!/usr/bin/env bash
# The Debian package as the distribution's own checkers see it: lintian finds
# no error and no warning, the desktop entry and the AppStream metainfo it
# installs validate, and it holds what an installed program needs (the three
# programs, the delivered files, the icon in every size, the man pages) and
# no database beside the program (that would make it portable and write into
# /usr/bin).
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/package_lib.sh"
pkg_require_deb
for tool in lintian desktop-file-validate appstreamcli dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (packages lintian, desktop-file-utils, appstream)"; exit 77; }
done
fail() { echo "FAIL: $*" >&2; exit 1; }
echo "package: $PKG_DEB"

# Informational tags are not faults; errors (E:) and warnings (W:) are.
report=$(lintian --fail-on error,warning "$PKG_DEB" 2>&1)
status=$?
echo "$report"
[ $status -eq 0 ] || fail "lintian reported errors or warnings"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$PKG_DEB" "$work" || fail "dpkg-deb could not unpack the package"
desktop=$(ls "$work"/usr/share/applications/*.desktop)
desktop-file-validate "$desktop" || fail "desktop-file-validate: $desktop"
appstreamcli validate --no-net --explain "$work"/usr/share/metainfo/*.metainfo.xml \
  || fail "appstreamcli validate"

missing=()
for f in usr/bin/prizedraw usr/bin/prizedraw-db usr/bin/prizedraw-export \
  usr/share/prizedraw/config.dll usr/share/prizedraw/back.wma usr/share/prizedraw/begin.wav \
  usr/share/prizedraw/end.wav usr/share/prizedraw/setitem.jpg \
  usr/share/man/man1/prizedraw.1.gz usr/share/man/man1/prizedraw-db.1.gz usr/share/man/man1/prizedraw-export.1.gz \
  usr/share/doc/prizedraw/copyright usr/share/doc/prizedraw/changelog.Debian.gz \
  usr/share/doc/prizedraw/prizedraw-verify.py; do
  [ -f "$work/$f" ] || missing+=("$f")
done
for size in 16 22 24 32 48 64 128 256 512; do
  icon="usr/share/icons/hicolor/${size}x${size}/apps/prizedraw.png"
  [ -f "$work/$icon" ] || { missing+=("$icon"); continue; }
  [ "$(identify -format '%wx%h' "$work/$icon" 2>/dev/null)" = "${size}x${size}" ] || fail "$icon is not ${size}x${size}"
done
[ ${#missing[@]} -eq 0 ] || fail "missing from the package: ${missing[*]}"
[ ! -e "$work/usr/bin/config.dll" ] || fail "a database beside /usr/bin/prizedraw would make the installed program portable"
grep -q '^Name\[zh_CN\]=员工抽奖系统$' "$desktop" || fail "the desktop entry has no Chinese name"

# The run-time parts that no linked library names.
depends=$(dpkg-deb -f "$PKG_DEB" Depends)
recommends=$(dpkg-deb -f "$PKG_DEB" Recommends)
for p in libqt6sql6-sqlite gstreamer1.0-plugins-base gstreamer1.0-plugins-good fonts-noto-cjk libqt6gui6 libqt6multimedia6; do
  grep -q "\b$p\b" <<<"$depends" || fail "Depends lacks $p: $depends"
done
for p in gstreamer1.0-libav gstreamer1.0-plugins-ugly; do
  grep -q "\b$p\b" <<<"$recommends" || fail "Recommends lacks $p: $recommends"
done
echo "PASS"
