#!/bin/bash
# Every C++ file is in the style .clang-format describes, so a change shows
# only what it changes. Reformat with:  git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
SRC="${PRIZEDRAW_SOURCE_DIR:?}"
command -v clang-format >/dev/null || { echo "clang-format not installed"; exit 77; }
cd "$SRC"
if [ -e .git ] && command -v git >/dev/null; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find . -path "./build*" -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
[ ${#files[@]} -gt 0 ] || { echo "no sources found"; exit 1; }
if ! clang-format --dry-run --Werror "${files[@]}" 2> "${TMPDIR:-/tmp}/format.$$"; then
    grep -E '^[^ ].*: (error|warning):' "${TMPDIR:-/tmp}/format.$$" | cut -d: -f1 | sort -u | head -20
    rm -f "${TMPDIR:-/tmp}/format.$$"
    echo "the files above are not formatted; run clang-format -i on them"
    exit 1
fi
rm -f "${TMPDIR:-/tmp}/format.$$"
echo "${#files[@]} files formatted"
