#!/usr/bin/env python3
"""Checks that every include follows the order of the README's map ("How it fits together").

    tools/check-layers.py [ROOT]    (default: the repository holding this script)

The map is the fenced block marked `layers` in README.md: one folder a line, from the base up,
each followed by the folders it may use ("-" for none, "*" for any: the tests and benchmarks),
and by the headers of outside libraries that only the folders naming them may include
(`<sqlite3.h>`). A folder may use only folders listed before it, so the map has no circle. Every
`#include "folder/..."` of every C and C++ file must name the file's own folder or one the map
lets it use, every `#include <header>` the map gives to some folders must be in one of them, and
every folder holding such files must be in the map. Exits with 1 and one line per fault when
anything is wrong.
"""
import re
import subprocess
import sys
from pathlib import Path

SOURCE_SUFFIXES = {".c", ".cpp", ".h", ".inc"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]*"')
OUTSIDE_INCLUDE = re.compile(r"^\s*#\s*include\s*(<[^>]+>)")
ANY = "*"


def read_map(readme):
    """The map as [(folder, uses)], from the base up; uses is a set of folders and of outside
    headers ("<sqlite3.h>"), or ANY."""
    block = re.search(r"^```layers\n(.*?)^```", readme.read_text(encoding="utf-8"), re.M | re.S)
    if not block:
        sys.exit(f"{readme}: manca la mappa delle cartelle (il blocco ```layers)")
    layers = []
    for line in block.group(1).splitlines():
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        folder, uses = words[0].rstrip("/"), [word.rstrip("/") for word in words[1:]]
        layers.append((folder, ANY if uses == [ANY] else {use for use in uses if use != "-"}))
    return layers


def map_faults(layers):
    """Folders named twice, or using one that is not listed before them."""
    faults, seen = [], set()
    for folder, uses in layers:
        if folder in seen:
            faults.append(f"mappa: la cartella {folder}/ compare due volte")
        if uses != ANY:
            for use in sorted(use for use in uses - seen if not use.startswith("<")):
                faults.append(f"mappa: {folder}/ usa {use}/, che non la precede nella mappa")
        seen.add(folder)
    return faults


def source_files(root):
    """The C and C++ files of the repository, as paths relative to `root`."""
    try:
        listed = subprocess.run(["git", "-C", str(root), "ls-files"], check=True,
                                capture_output=True, text=True).stdout.splitlines()
        files = [Path(name) for name in listed]
    except (OSError, subprocess.CalledProcessError):
        files = [path.relative_to(root) for path in root.rglob("*") if path.is_file()]
    return [path for path in files
            if path.suffix in SOURCE_SUFFIXES and len(path.parts) > 1 and path.parts[0] != "build"]


def include_faults(root, layers):
    """Includes against the map, folders missing from it, and the folders' own include graph."""
    allowed = dict(layers)
    owned = {use for uses in allowed.values() if uses != ANY for use in uses if use.startswith("<")}
    faults, graph = [], {}
    for path in source_files(root):
        folder = path.parts[0]
        if folder not in allowed:
            faults.append(f"{path}: la cartella {folder}/ non è nella mappa del README")
            allowed[folder] = set()
            continue
        text = (root / path).read_text(encoding="utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), 1):
            outside = OUTSIDE_INCLUDE.match(line)
            if outside and outside.group(1) in owned and allowed[folder] != ANY \
                    and outside.group(1) not in allowed[folder]:
                faults.append(f"{path}:{number}: {folder}/ include {outside.group(1)}, "
                              "che la mappa riserva ad altre cartelle")
            match = INCLUDE.match(line)
            if not match or match.group(1) == folder or match.group(1) not in allowed:
                continue
            used = match.group(1)
            graph.setdefault(folder, set()).add(used)
            if allowed[folder] != ANY and used not in allowed[folder]:
                faults.append(f"{path}:{number}: {folder}/ include {used}/, contro la mappa")
    return faults, graph


def circle(graph):
    """A circle of folders in the include graph, or None."""
    state = {}

    def visit(folder, path):
        state[folder] = "open"
        for used in sorted(graph.get(folder, ())):
            if state.get(used) == "open":
                return path[path.index(used):] + [used]
            if used not in state:
                found = visit(used, path + [used])
                if found:
                    return found
        state[folder] = "done"
        return None

    for folder in sorted(graph):
        if folder not in state:
            found = visit(folder, [folder])
            if found:
                return found
    return None


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
    layers = read_map(root / "README.md")
    faults = map_faults(layers)
    more, graph = include_faults(root, layers)
    faults += more
    found = circle(graph)
    if found:
        faults.append("include in cerchio: " + " -> ".join(f"{folder}/" for folder in found))
    for fault in faults:
        print(fault)
    print(f"Strati: {len(layers)} cartelle nella mappa, "
          f"{sum(len(uses) for uses in graph.values())} dipendenze tra cartelle, "
          f"{len(faults)} errori")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
