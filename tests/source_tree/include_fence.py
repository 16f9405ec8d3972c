#!/usr/bin/env python3
"""Checks that includes only point down the layers of the program.

The layers, from the bottom: runtime, engines, ui kit, pages, and the app at
the top. The command-line tool is listed with the engines, since it may
include nothing above them. CMake writes a manifest at generate time:

  src_root <dir>                  the folder the project's includes start from
  layer <n> <label> <sources>     the sources of one layer (';'-separated)
  gui_include <dirs>              the include folders of Qt Gui and Qt Widgets

Every #include line of every listed source is checked:
- a project header must belong to the same layer or one below;
- a page or top-level file must not include another folder's file of its own
  layer (pages share code through the ui kit, not through each other);
- an engine or runtime source (layers 0 and 1) must not include a Qt GUI or
  widget header in any spelling: a module folder (<QtWidgets/QLabel>,
  <QtGui>) or a header found in one of those folders (<QLabel>, <qpainter.h>).
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
ENGINE_TOP = 1   # layers up to this one build without Qt Gui and Widgets
PEERS_APART = 3  # from this layer up, folders of one layer stay apart


def read_manifest(path):
    src_root, layers, gui_dirs = None, {}, []
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split(" ", 3)
            if parts[0] == "src_root":
                src_root = os.path.realpath(parts[1])
            elif parts[0] == "layer" and len(parts) == 4:
                for item in parts[3].split(";"):
                    if item:
                        layers[os.path.realpath(item)] = (int(parts[1]), parts[2])
            elif parts[0] == "gui_include" and len(parts) > 1:
                gui_dirs += [d for d in parts[1].split(";") if d]
    return src_root, layers, gui_dirs


def gui_modules(gui_dirs):
    # Module folders such as .../qt6/QtGui; the Qt include root is listed too
    # and stands for no module.
    modules = {}
    for d in gui_dirs:
        name = os.path.basename(d.rstrip("/"))
        if name.startswith("Qt") and name != "QtCore":
            modules[name] = d
    return modules


def is_gui_header(name, modules):
    first = name.split("/", 1)[0]
    if first in modules:
        return True
    return "/" not in name and any(os.path.isfile(os.path.join(d, name)) for d in modules.values())


def folder_of(path, src_root):
    rel = os.path.relpath(path, src_root)
    return rel.split(os.sep, 1)[0]


def main():
    if len(sys.argv) != 2:
        print("usage: include_fence.py MANIFEST", file=sys.stderr)
        return 2
    src_root, layers, gui_dirs = read_manifest(sys.argv[1])
    modules = gui_modules(gui_dirs)
    if not src_root or not layers or not modules:
        print("include_fence: the manifest lacks the source root, the layers or the GUI modules", file=sys.stderr)
        return 2
    faults, checked = [], 0
    for source, (layer, label) in sorted(layers.items()):
        if not os.path.isfile(source) or not source.endswith((".cpp", ".h")):
            continue
        if os.path.relpath(source, src_root).startswith(".."):
            continue  # generated code
        checked += 1
        own_folder = folder_of(source, src_root)
        with open(source, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                name = m.group(2)
                where = f"{os.path.relpath(source, src_root)}:{number}"
                if layer <= ENGINE_TOP and is_gui_header(name, modules):
                    faults.append(f"{where}: {label} code includes the GUI header <{name}>")
                    continue
                target = os.path.realpath(os.path.join(src_root, name))
                if target not in layers:
                    continue  # a system, generated or test header
                target_layer, target_label = layers[target]
                if target_layer > layer:
                    faults.append(f"{where}: {label} code includes {name}, which is {target_label} code")
                elif (target_layer == layer and layer >= PEERS_APART and
                      folder_of(target, src_root) != own_folder):
                    faults.append(f"{where}: {label} code includes {name}, {target_label} code of another folder")
    for fault in faults:
        print(fault)
    print(f"include_fence: {checked} sources checked, {len(faults)} includes point the wrong way")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
