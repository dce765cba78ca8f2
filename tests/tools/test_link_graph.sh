#!/bin/bash
# CMake's own dependency graph keeps the command-line tools free of what they
# do not use: the database tool reaches no widgets, graphics, sound or
# spreadsheet library; the export no widgets, graphics, sound or FreeXL; the
# program no FreeXL; no library below ui/ reaches Qt Widgets. A test program
# reaches no library of ours beyond its folder's and the test support.
set -euo pipefail
SRC="${PRIZEDRAW_SOURCE_DIR:?}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

printf 'set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)\nset(GRAPHVIZ_GENERATE_DEPENDERS FALSE)\n' \
    > "$WORK/CMakeGraphVizOptions.cmake"
if ! cmake -S "$SRC" -B "$WORK" -DPRIZEDRAW_FUZZ=OFF --graphviz="$WORK/deps.dot" > "$WORK/configure.log" 2>&1; then
    cat "$WORK/configure.log"; exit 1
fi

python3 - "$WORK/deps.dot" "$SRC" <<'PYEOF'
import glob, os, re, sys

labels, edges = {}, {}
for line in open(sys.argv[1], encoding="utf-8"):
    node = re.match(r'\s*"(node\d+)" \[ label = "([^"]*)"', line)
    if node:
        labels[node.group(1)] = node.group(2)
    edge = re.match(r'\s*"(node\d+)" -> "(node\d+)"', line)
    if edge:
        edges.setdefault(edge.group(1), []).append(edge.group(2))
ids = {label: node for node, label in labels.items()}

def reached(target):
    if target not in ids:
        sys.exit(f"no target {target} in the graph")
    seen, todo = set(), [ids[target]]
    while todo:
        n = todo.pop()
        for m in edges.get(n, []):
            if m not in seen:
                seen.add(m)
                todo.append(m)
    return sorted(labels[n] for n in seen)

WIDGETS = r"Qt6?::Widgets|libQt6Widgets"
GUI = r"Qt6?::Gui$|libQt6Gui"
MULTIMEDIA = r"Qt6?::Multimedia|libQt6Multimedia"
FREEXL = r"(?i)freexl"
SPREADSHEET = r"(?i)gsf|xlsxwriter|freexl|orcus|prizedraw_sheets"

faults = []
def refuse(target, why, pattern):
    bad = [l for l in reached(target) if re.search(pattern, l)]
    if bad:
        faults.append(f"{target} reaches {why}: {', '.join(bad)}")
def need(target, why, pattern):
    # Shows that the graph holds the libraries the refusals look for.
    if not any(re.search(pattern, l) for l in reached(target)):
        faults.append(f"{target} should reach {why}; the graph lacks the libraries outside the project")

for why, pattern in (("Qt Widgets", WIDGETS), ("Qt Gui", GUI), ("Qt Multimedia", MULTIMEDIA),
                     ("a spreadsheet library", SPREADSHEET)):
    refuse("prizedraw-db", why, pattern)
for why, pattern in (("Qt Widgets", WIDGETS), ("Qt Gui", GUI), ("Qt Multimedia", MULTIMEDIA), ("FreeXL", FREEXL)):
    refuse("prizedraw-export", why, pattern)
refuse("prizedraw", "FreeXL", FREEXL)
for lib in ("prizedraw_base", "prizedraw_store", "prizedraw_media", "prizedraw_sheets", "prizedraw_draw",
            "prizedraw_admin", "prizedraw_assets", "prizedraw_testsupport"):
    refuse(lib, "Qt Widgets", WIDGETS)
for lib in ("prizedraw_base", "prizedraw_store", "prizedraw_sheets", "prizedraw_draw", "prizedraw_admin"):
    refuse(lib, "Qt Gui", GUI)

# tests/ui/admin/tst_x.cpp is a test of prizedraw_uiadmin; folders without a
# library of that name (tests/tools, tests/e2e …) are left out.
tests_dir = os.path.join(sys.argv[2], "tests")
support = {"prizedraw_testsupport", "prizedraw_screensupport"}
for lib in sorted(support):
    support.update(reached(lib))
for path in sorted(glob.glob(os.path.join(tests_dir, "**", "tst_*.cpp"), recursive=True)):
    lib = "prizedraw_" + os.path.relpath(os.path.dirname(path), tests_dir).replace(os.sep, "")
    test = os.path.splitext(os.path.basename(path))[0]
    if lib not in ids or test not in ids:
        continue
    allowed = {lib} | set(reached(lib)) | support
    beyond = [l for l in reached(test) if l.startswith("prizedraw_") and l not in allowed]
    if beyond:
        faults.append(f"{test} reaches {', '.join(beyond)} beyond {lib} and the test support")

need("prizedraw", "Qt Widgets", WIDGETS)
need("prizedraw-export", "a spreadsheet library", r"PkgConfig::")
need("tst_worksheetwriter", "FreeXL", FREEXL)

for f in faults:
    print(f)
sys.exit(1 if faults else 0)
PYEOF
