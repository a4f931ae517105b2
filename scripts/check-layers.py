#!/usr/bin/env python3
"""Fails when an include in src/ runs up a layer or round in a circle between folders.

Layers, bottom up: platform (platform/, with platform/x11/, platform/wayland/ and
platform/qt/ beside each other, and one folder per desktop back end of auto-fill:
platform/x11/, platform/wlroots/, platform/portal/, platform/copy/), core, then gui and cli,
then app. The plain layers (platform/, platform/wayland/, platform/copy/, core/) include no
Qt and no X11 header and declare no Qt class; core/ includes none of the desktop folders,
and no desktop back end includes another's.
Usage: scripts/check-layers.py [SRC_DIR]   (exit status 1 with a list of offences)
"""
import os
import re
import sys

DESKTOPS = {"platform/x11", "platform/wlroots", "platform/portal", "platform/copy"}
SYSTEM = {"platform/wayland", "platform/qt"}
RANK = {"platform": 0, "core": 1, "gui": 2, "cli": 2, "app": 3}
RANK.update({name: 0 for name in DESKTOPS | SYSTEM})
# Folders a layer may not include although they are not above it.
FORBIDDEN = {
    "platform": DESKTOPS | SYSTEM,
    "platform/wayland": DESKTOPS | {"platform/qt"},
    "platform/qt": DESKTOPS | {"platform/wayland"},
    "platform/x11": (DESKTOPS | SYSTEM) - {"platform/x11"},
    "platform/wlroots": (DESKTOPS | {"platform/qt"}) - {"platform/wlroots"},
    "platform/portal": DESKTOPS - {"platform/portal"},
    "platform/copy": (DESKTOPS | SYSTEM) - {"platform/copy"},
    "core": DESKTOPS | SYSTEM,
    "cli": {"gui"} | DESKTOPS | SYSTEM,
    "gui": {"cli"},
}
PLAIN = {"platform", "platform/wayland", "platform/copy", "core"}  # no Qt, no X11
# A forward declaration of a Qt class ("class QWidget;") ties a plain layer to Qt as much
# as an include does.
QT_CLASS = re.compile(r'^\s*class\s+(Q[A-Z]\w*)\s*;', re.M)
QUOTED = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
ANGLED = re.compile(r'^\s*#\s*include\s+<([^>]+)>', re.M)


def layer(folder):
    for name in sorted(RANK, key=len, reverse=True):
        if folder == name or folder.startswith(name + "/"):
            return name
    return None


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    src = os.path.normpath(src)
    problems = []
    edges = {}
    for root, _, files in os.walk(src):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            folder = os.path.relpath(root, src)
            own = layer(folder)
            if own is None:
                problems.append(f"{path}: folder {folder} belongs to no layer")
                continue
            text = open(path, encoding="utf-8").read()
            if own in PLAIN:
                for header in ANGLED.findall(text):
                    if header.startswith(("Q", "X11/", "xcb/")):
                        problems.append(f"{path}: the {own} layer includes <{header}>")
                for qt_class in QT_CLASS.findall(text):
                    problems.append(f"{path}: the {own} layer declares the Qt class {qt_class}")
            for header in QUOTED.findall(text):
                target = os.path.dirname(header)
                if not os.path.exists(os.path.join(src, header)):
                    continue  # a generated file or one of the tests' own
                other = layer(target)
                if other is None:
                    continue
                if RANK[other] > RANK[own] or other in FORBIDDEN.get(own, ()):
                    problems.append(f"{path}: {own} includes {header} ({other})")
                if target != folder:
                    edges.setdefault(folder, set()).add(target)
    # Folders that include each other, directly or round a longer circle.
    index, low, stack, on_stack, counter = {}, {}, [], set(), [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for nxt in edges.get(node, ()):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == node:
                    break
            if len(group) > 1:
                problems.append("folders include each other: " + " <-> ".join(sorted(group)))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"{len(problems)} layering problem(s)", file=sys.stderr)
        return 1
    print("layers: no include runs up a layer or round between folders")
    return 0


if __name__ == "__main__":
    sys.exit(main())
