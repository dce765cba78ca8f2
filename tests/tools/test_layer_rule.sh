#!/bin/bash
# No include points up a layer or sideways within one, and no files include
# each other in a circle; first shown to catch both on a small made-up tree.
set -euo pipefail
SRC="${PRIZEDRAW_SOURCE_DIR:?}"
CHECK="$SRC/tools/check_layers.py"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

mkdir -p "$WORK"/{base,store,media,draw,ui/main,tests/store,build/ui}
inc() { for f in "${@:2}"; do echo "#include \"$f\""; done > "$WORK/$1"; }
inc base/errors.h                      # the bottom layer includes nothing of ours
inc base/up.h store/db.h               # up a layer
inc store/db.h base/errors.h           # down: fine
inc media/sound.h store/db.h           # sideways within a layer
inc draw/engine.h store/db.h media/sound.h base/errors.h "nothere.moc"
inc draw/a.h draw/b.h                  # a circle through three files
inc draw/b.h draw/c.h
inc draw/c.h draw/a.h
inc ui/main/frm.cpp frm.h draw/engine.h
inc ui/main/frm.h draw/engine.h
inc tests/store/tst.cpp ui/main/frm.h  # tests may include anything
inc build/ui/moc.cpp app/main.h        # generated code is not ours

expected="$WORK/expected"
cat > "$expected" <<'TXT'
base/up.h: includes store/db.h: store/ is not below base/
media/sound.h: includes store/db.h: store/ is not below media/
include circle: draw/a.h -> draw/b.h -> draw/c.h -> draw/a.h
TXT
if python3 "$CHECK" "$WORK" > "$WORK/found" 2>/dev/null; then
    echo "the checker passed a tree with faults"; exit 1
fi
sort "$expected" > "$WORK/e"; sort "$WORK/found" > "$WORK/f"
if ! diff -u "$WORK/e" "$WORK/f"; then
    echo "the checker reported other faults than the made-up tree holds"; exit 1
fi

python3 "$CHECK" "$SRC"
