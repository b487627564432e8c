#!/usr/bin/env python3
"""Fails when an include runs upwards through the folders, or when the core includes the toolkit.

The folders stand in layers; a file may include its own folder and any layer below its own:
  hostlib, host/common             the host's common library and its declarations
  terrain, colour, render, export  the core: no toolkit, no window
  resources                        strings, ids and drawn images
  view                             the OpenGL window
  dialogs/*                        the Open dialog, the palette editor, the tool window
  frame                            the viewer's frame
  module                           the plug-in's entry points
host/app, the host program, includes nothing of the plug-in: only the host's own layer.
Tests, benchmarks and fuzz targets may include anything.
    check_layers.py [SOURCE_DIR]
"""
import os
import re
import sys

LAYERS = [["hostlib", "host/common"], ["terrain", "colour", "render", "export"], ["resources"], ["view"],
          ["dialogs/open", "dialogs/palette", "dialogs/tools"], ["frame"], ["module"]]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
CORE = set(LAYERS[1])
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def folder_of(path):
    parts = path.split("/")
    for depth in (2, 1):
        key = "/".join(parts[:depth])
        if key in RANK or key == "host/app":
            return key
    return None


def problems(root):
    found = []
    for base in [f for folders in LAYERS for f in folders] + ["host/app"]:
        for dirpath, _, files in os.walk(os.path.join(root, base)):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(dirpath, name), root)
                src = folder_of(path)
                with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        kind, target = m.groups()
                        where = f"{path}:{number}: includes {target}"
                        if kind == "<":
                            if src in CORE and target.startswith("wx/"):
                                found.append(f"{where}: the core uses no toolkit")
                            continue
                        dst = folder_of(target)
                        if dst is None or dst == src:
                            continue
                        if src == "host/app" or dst == "host/app":
                            if dst == "host/app" or RANK[dst] > 0:
                                found.append(f"{where}: the host program and the plug-in meet only in hostlib/")
                        elif RANK[dst] > RANK[src] or (RANK[dst] == RANK[src] and RANK[src] > 1):
                            found.append(f"{where}: {dst} stands beside or above {src}")
    return found


if __name__ == "__main__":
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    bad = problems(root)
    for line in bad:
        print(line)
    print(f"check_layers: {len(bad)} include(s) against the layers")
    sys.exit(1 if bad else 0)
