#!/usr/bin/env python3
"""Checks the project's includes against its layers.

Usage: check_layers.py [SOURCE_ROOT]

Each folder below is one library; a file may include files of its own folder
and of the folders in lower layers, never of its own layer's other folders or
of a higher one. tools/, bench/ and tests/ stand above everything. No two
files may include each other, directly or through others.

Prints one line per fault and exits 1 when there is any, 0 otherwise.
"""
import os
import re
import sys

# Lowest first; folders of one layer do not include each other.
LAYERS = [
    ["base"],
    ["store", "media", "sheets", "assets"],
    ["draw", "admin"],
    ["ui/common"],
    ["ui/admin"],
    ["ui/main"],
    ["ui/console"],
    ["app"],
    ["tools", "bench", "tests"],
]
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")
SKIPPED_DIRS = {".git", "build"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def folder_of(path):
    """The library folder a root-relative path belongs to, or None."""
    for layer in LAYERS:
        for folder in layer:
            if path == folder or path.startswith(folder + "/"):
                return folder
    return None


def layer_of(folder):
    for index, layer in enumerate(LAYERS):
        if folder in layer:
            return index
    raise KeyError(folder)


def source_files(root):
    for dirpath, dirnames, filenames in os.walk(root):
        rel_dir = os.path.relpath(dirpath, root)
        # Build folders (build/, build-asan/ …) hold generated code.
        dirnames[:] = sorted(d for d in dirnames
                             if d not in SKIPPED_DIRS and not (rel_dir == "." and d.startswith("build")))
        for name in sorted(filenames):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.normpath(os.path.join(rel_dir, name))


def resolve(root, including, target):
    """The root-relative file an include names: beside the including file
    first, then from the root (the include path every library gets). None when
    it is not a project file (generated moc files, system headers)."""
    for candidate in (os.path.join(os.path.dirname(including), target), target):
        candidate = os.path.normpath(candidate)
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def read_includes(root, files):
    graph = {}
    for path in files:
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        graph[path] = []
        for match in INCLUDE.finditer(text):
            target = resolve(root, path, match.group(1))
            if target is not None:
                graph[path].append(target)
    return graph


def layer_faults(graph):
    faults = []
    for path, targets in graph.items():
        source = folder_of(path)
        if source is None:
            continue
        for target in targets:
            dest = folder_of(target)
            if dest is None or dest == source:
                continue
            if layer_of(dest) >= layer_of(source):
                faults.append(f"{path}: includes {target}: {dest}/ is not below {source}/")
    return faults


def cycle_faults(graph):
    """One line per circle, found by depth-first search without recursion."""
    faults = []
    state = {}  # absent: unseen, 1: on the current path, 2: done
    for start in sorted(graph):
        if start in state:
            continue
        path = [start]
        state[start] = 1
        pending = [iter(graph.get(start, []))]
        while pending:
            nxt = next(pending[-1], None)
            if nxt is None:
                state[path.pop()] = 2
                pending.pop()
                continue
            if state.get(nxt) == 1:
                circle = path[path.index(nxt):] + [nxt]
                faults.append("include circle: " + " -> ".join(circle))
            elif nxt not in state:
                state[nxt] = 1
                path.append(nxt)
                pending.append(iter(graph.get(nxt, [])))
    return faults


def main(argv):
    root = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    graph = read_includes(root, list(source_files(root)))
    faults = layer_faults(graph) + cycle_faults(graph)
    for fault in faults:
        print(fault)
    print(f"{len(graph)} files checked, {len(faults)} faults", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
