#!/usr/bin/env python3
"""The layer rule, checked at build time before any layer compiles.

app -> scene / setup -> settings -> components -> platform, Qt only in
setup; the scene sees the platform through its interfaces (src/platform/*.h),
never a backend's header; tools/artgen, which makes the art before anything
else is built, uses none of the program's layers. Every #include line of
src/, resources/ and tools/ is resolved as the compiler resolves it (a quoted
name next to the including file first, "../" and all, then from an include
root) and a line that breaks the rule fails the build, naming the file, the
line and the include. The layers' include roots already refuse a wrong
include that does not climb out with "../"; this catches the ones that do.

Arguments: the source directory and the stamp file written on success.
"""
import os
import re
import sys

source, stamp = os.path.realpath(sys.argv[1]), sys.argv[2]

# What each layer may include besides itself. "qt": Qt's headers.
BELOW = {
    "platform": {"platform"},
    "resources": {"resources", "platform"},
    "components": {"components", "platform"},
    "settings": {"settings", "components", "platform"},
    "scene": {"scene", "settings", "components", "platform", "resources"},
    "setup": {"setup", "settings", "components", "platform", "resources", "qt"},
    "app": {"app", "scene", "setup", "settings", "components", "platform", "resources"},
    "fake": {"fake", "platform"},
    "artgen": {"artgen"},
    # The scene's quick look composes it from every layer, as the program does.
    "tools": {"tools", "app", "scene", "setup", "settings", "components", "platform", "resources"},
}
RULE = ("a file includes only its own layer and those below: platform < components < settings schema"
        " < scene / setup < app; tools/artgen none of them")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def layer_of(path):
    """The layer of a file of the tree, or None (outside it)."""
    rel = os.path.relpath(path, source)
    if rel.startswith(".."):
        return None
    parts = rel.split(os.sep)
    if parts[0] == "resources":
        return "resources"
    if parts[0] == "tools":
        return "artgen" if len(parts) > 2 and parts[1] == "artgen" else "tools"
    if parts[0] != "src" or len(parts) < 3:
        return None
    if parts[1] == "platform" and parts[2] == "fake":
        return "fake"
    if parts[1] == "setup" and parts[2] in ("settings.h", "settings.cpp"):
        return "settings"
    return parts[1]


def resolve(including, bracket, header):
    """The file the compiler reads for the include, or None (a system header)."""
    candidates = [os.path.join(source, "src", header), os.path.join(source, header)]
    if bracket == '"':
        candidates.insert(0, os.path.join(os.path.dirname(including), header))
    return next((os.path.realpath(c) for c in candidates if os.path.isfile(c)), None)


failures = []
checked = 0
for top in ("src", "resources", "tools"):
    for root, _, files in os.walk(os.path.join(source, top)):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            layer = layer_of(path)
            if layer not in BELOW:
                continue
            with open(path, errors="replace") as f:
                lines = f.readlines()
            for number, line in enumerate(lines, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                checked += 1
                bracket, header = m.groups()
                shown = f"#include {bracket}{header}{'>' if bracket == '<' else bracket}"
                where = f"{os.path.relpath(path, source)}:{number}"
                if bracket == "<" and header[:1] == "Q":
                    found, read = None, "qt"
                else:
                    found = resolve(path, bracket, header)
                    read = layer_of(found) if found else None
                if read is not None and read not in BELOW[layer]:
                    failures.append(f"{where}: {shown} reaches {read} from {layer}; {RULE}")
                elif layer == "scene" and found and os.path.dirname(os.path.relpath(found, source)).startswith(
                        "src/platform/"):
                    failures.append(f"{where}: {shown} is a backend's header; the scene sees the platform"
                                    " through its interfaces (src/platform/*.h) only")

if failures:
    print("\n".join(f"layer rule: {f}" for f in failures), file=sys.stderr)
    sys.exit(1)
with open(stamp, "w") as f:
    f.write(f"{checked} include lines keep the layer rule\n")
