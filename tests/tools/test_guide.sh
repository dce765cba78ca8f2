#!/usr/bin/env bash
# The operator's guide shows the real program: every picture it shows lies
# beside it and is taken by an end-to-end script (e2e_guide_shot), and every
# picture those scripts take for it is shown. It is delivered beside the
# program (build/bin/guide) and installed with the package.
set -uo pipefail
SRC="${PRIZEDRAW_SOURCE_DIR:?}"
guide="$SRC/docs/guide/使用说明.md"
[ -f "$guide" ] || { echo "FAIL: no guide at $guide"; exit 1; }
shown=$(grep -o 'images/[A-Za-z0-9_-]*\.png' "$guide" | sed 's|images/||;s|\.png||' | sort -u)
taken=$(grep -ho 'e2e_guide_shot "\?[A-Za-z0-9_$ -]*' "$SRC"/tests/e2e/test_e2e_*.sh \
  | sed 's/e2e_guide_shot "\?//' | awk '{print $1}' | grep -v '^\$' | sort -u)
# Names given through a loop variable: the loop's words.
taken=$( (echo "$taken"; grep -ho '"console-[a-z-]* [0-9]* [0-9]*"' "$SRC"/tests/e2e/test_e2e_*.sh | tr -d '"' | awk '{print $1}') | sort -u)
fail=0
for name in $shown; do
  [ -f "$SRC/docs/guide/images/$name.png" ] || { echo "FAIL: the guide shows images/$name.png, which is missing"; fail=1; }
  grep -qx "$name" <<<"$taken" || { echo "FAIL: images/$name.png is taken by no end-to-end script"; fail=1; }
done
for name in $taken; do
  grep -qx "$name" <<<"$shown" || { echo "FAIL: the end-to-end scripts take $name for the guide, which does not show it"; fail=1; }
done
if [ -n "${PRIZEDRAW_BIN_DIR:-}" ] && [ -d "$PRIZEDRAW_BIN_DIR" ]; then
  [ -f "$PRIZEDRAW_BIN_DIR/guide/使用说明.md" ] || { echo "FAIL: the guide is not delivered beside the program"; fail=1; }
fi
grep -q 'docs/guide' "$SRC/packaging/CMakeLists.txt" || { echo "FAIL: the package does not install the guide"; fail=1; }
[ "$fail" = 0 ] && echo "PASS: $(wc -w <<<"$shown") pictures, each taken from the real program"
exit "$fail"
