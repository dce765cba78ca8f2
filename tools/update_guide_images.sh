#!/usr/bin/env bash
# Takes the operator's guide's pictures from the real program: runs the
# end-to-end scripts that take them (see e2e_guide_shot in
# tests/e2e/e2e_lib.sh) and puts them beside the guide in docs/guide/images/.
# Run after a change that the pictures show; needs what the scripts need
# (Xorg with the dummy driver, openbox).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${PRIZEDRAW_BUILD_DIR:-$root/build}"
rm -rf "$build/screenshots/guide"
scripts=$(grep -l 'e2e_guide_shot ' "$root"/tests/e2e/test_e2e_*.sh)
for script in $scripts; do
  PRIZEDRAW_SOURCE_DIR="$root" PRIZEDRAW_BIN_DIR="$build/bin" bash "$script"
done
mkdir -p "$root/docs/guide/images"
for png in "$build"/screenshots/guide/*.png; do
  convert "$png" -strip "$root/docs/guide/images/$(basename "$png")"
done
echo "pictures of the guide updated: $(ls "$build"/screenshots/guide | tr '\n' ' ')"
