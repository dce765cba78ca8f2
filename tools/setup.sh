#!/usr/bin/env bash
# Installs the Debian packages that are missing, then configures and builds
# the project into build/. Sourced by run.sh and test.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${PRIZEDRAW_BUILD_DIR:-$root/build}"

wanted=$(grep -v -E '^\s*(#|$)' "$root/tools/packages.txt")
missing=()
for p in $wanted; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The sanitizer run needs the packages only; it configures its own folder.
if [ "${PRIZEDRAW_PACKAGES_ONLY:-0}" = 1 ]; then
  return 0 2>/dev/null || exit 0
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${PRIZEDRAW_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)"
