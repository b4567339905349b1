#!/usr/bin/env python3
"""The layers hold: app -> scene / setup -> settings -> components -> platform,
Qt only in setup. Three checks (arguments: build dir, source dir):

0. Every #include line of the sources, resolved as the compiler would (next
   to the file for a quoted name, "../" and all, then from src/), names a
   file of the including file's own layer or one below; the scene's name no
   backend (src/platform/sdl/ ...), only the platform's interfaces. Needs no
   build.
1. A file of each layer that includes a header of a layer above does not
   compile: the layer's own compile command (from compile_commands.json) is
   run on a one-line probe, which must fail for want of that header, while
   the same command on one of the layer's own headers must pass.
2. What the compiler really read (ninja's dependency log) crosses no layer
   the wrong way, whatever path an include took ("../", a link).
"""
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile

build, source = (os.path.realpath(a) for a in sys.argv[1:3])

# What each library may read besides its own headers. Qt's headers count as
# the layer "qt"; the fakes are the tests' own platform.
BELOW = {
    "platform": {"platform"},
    "resources": {"resources", "platform"},
    "components": {"components", "platform"},
    "settings": {"settings", "components", "platform"},
    "scene": {"scene", "settings", "components", "platform", "resources"},
    "setup": {"setup", "settings", "components", "platform", "resources", "qt"},
    "app": {"app", "scene", "setup", "settings", "components", "platform", "resources"},
    "fakes_impl": {"fake", "platform", "tests"},
}
TARGET_LAYER = {"velmo_" + name: name for name in BELOW}
TARGET_LAYER["velmo"] = "app"  # main() alone
TARGET_LAYER["velmo-setup"] = "app"  # the dialog's main()

# Probes: an include each layer must not reach, and one of its own.
PROBES = {
    "platform": (["scene/form1.h", "components/ddmain.h", "setup/settings.h", "QString"], "platform/display.h"),
    "components": (["scene/form1.h", "setup/settings.h", "resources/catalogue.h"], "components/ddmain.h"),
    "settings": (["scene/form1.h", "setup/form2.h"], "setup/settings.h"),
    "scene": (["setup/form2.h", "setup/setup_mode.h", "app/entry.h", "QWidget"], "scene/form1.h"),
    "setup": (["scene/form1.h", "app/entry.h"], "setup/form2.h"),
}


def layer_of(path):
    """The layer a file read by the compiler belongs to, or None (system)."""
    if "/qt6/" in path or "/Qt" in path:
        return "qt"
    rel = os.path.relpath(path, source)
    if rel.startswith(".."):
        return None
    parts = rel.split(os.sep)
    if parts[0] == "resources":
        return "resources"
    if parts[0] == "tests":
        return "tests"
    if parts[0] != "src" or len(parts) < 3:
        return None
    if parts[1] == "platform" and parts[2] == "fake":
        return "fake"
    if parts[1:] == ["setup", "settings.h"] or parts[1:] == ["setup", "settings.cpp"]:
        return "settings"
    return parts[1]


def target_of(obj):
    """velmo_scene for CMakeFiles/velmo_scene.dir/src/scene/form1.cpp.o."""
    for part in obj.split("/"):
        if part.endswith(".dir"):
            return part[: -len(".dir")]
    return None


failures = []

# 0. The sources' own include lines.
RULE = "a file includes only its own layer and those below: platform < components < settings schema < scene / setup < app"
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
included = 0
for top in ("src", "resources"):
    for root, _, files in os.walk(os.path.join(source, top)):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            layer = layer_of(path)
            layer = "fakes_impl" if layer == "fake" else layer
            if layer not in BELOW:
                continue
            with open(path, errors="replace") as f:
                lines = f.readlines()
            for number, line in enumerate(lines, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                bracket, header = m.groups()
                if bracket == "<" and header[:1] == "Q":
                    read = "qt"
                else:
                    candidates = [os.path.join(source, "src", header), os.path.join(source, header)]
                    if bracket == '"':
                        candidates.insert(0, os.path.join(root, header))
                    found = next((os.path.realpath(c) for c in candidates if os.path.isfile(c)), None)
                    read = layer_of(found) if found else None
                included += 1
                backend = found and os.path.dirname(os.path.relpath(found, source)).startswith("src/platform/")
                if layer == "scene" and backend:
                    failures.append(f"{os.path.relpath(path, source)}:{number}: #include {bracket}{header}"
                                    f"{'>' if bracket == '<' else bracket} is a backend's; the scene sees the"
                                    " platform through its interfaces (src/platform/*.h) only")
                if read is not None and read not in BELOW[layer]:
                    failures.append(f"{os.path.relpath(path, source)}:{number}: #include {bracket}{header}"
                                    f"{'>' if bracket == '<' else bracket} reaches the {read} layer from the"
                                    f" {layer} layer; {RULE}")

with open(os.path.join(build, "compile_commands.json")) as f:
    commands = json.load(f)
by_target = {}
for entry in commands:
    args = entry.get("arguments") or shlex.split(entry["command"])
    out = args[args.index("-o") + 1] if "-o" in args else ""
    by_target.setdefault(target_of(out), []).append((entry["directory"], args))

# 1. Probes.
with tempfile.TemporaryDirectory() as tmp:
    for layer, (forbidden, own) in PROBES.items():
        found = by_target.get("velmo_" + layer)
        if not found:
            failures.append(f"no compile command of the {layer} layer")
            continue
        directory, args = found[0]
        # The same compiler and flags, on the probe only, checking syntax only.
        base, skip = [], False
        for i, a in enumerate(args):
            if skip:
                skip = False
                continue
            if a in ("-o", "-c", "-MF", "-MT", "-MQ"):
                skip = True
                continue
            if a in ("-MD", "-MMD") or (i == 0 and os.path.basename(a) == "ccache"):
                continue
            base.append(a)
        for header in forbidden + [own]:
            probe = os.path.join(tmp, "probe.cpp")
            with open(probe, "w") as f:
                f.write(f"#include <{header}>\n" if "/" not in header else f'#include "{header}"\n')
            run = subprocess.run(base + ["-fsyntax-only", probe], cwd=directory, capture_output=True, text=True)
            if header == own:
                if run.returncode != 0:
                    failures.append(f"{layer}: its own {header} does not compile:\n{run.stderr[-2000:]}")
            elif run.returncode == 0:
                failures.append(f"{layer}: an include of {header} compiles")
            elif "No such file" not in run.stderr:
                failures.append(f"{layer}: {header} fails for another reason:\n{run.stderr[-2000:]}")

# 2. What the compiler read.
if os.path.exists(os.path.join(build, "build.ninja")):
    deps = subprocess.run(["ninja", "-C", build, "-t", "deps"], capture_output=True, text=True, check=True).stdout
    seen = {}
    current = None
    for line in deps.splitlines():
        if not line.strip():
            continue
        if not line.startswith(" "):
            obj = line.split(":")[0]
            current = TARGET_LAYER.get(target_of(obj))
            if current:
                seen[current] = seen.get(current, 0) + 1
                current = (current, obj)
            continue
        if current is None:
            continue
        layer, obj = current
        path = os.path.realpath(os.path.join(build, line.strip()))
        if path.startswith(build + os.sep):  # generated (moc, uic): the target's own
            continue
        read = layer_of(path)
        if read is not None and read not in BELOW[layer]:
            failures.append(f"{obj} ({layer}) reads {os.path.relpath(path, source)} ({read})")
    for layer in ("platform", "components", "settings", "scene", "setup", "app"):
        if not seen.get(layer):
            failures.append(f"ninja's log holds no object of the {layer} layer: build first")
    checked = sum(seen.values())
else:
    checked = 0

if failures:
    print("\n".join(failures), file=sys.stderr)
    sys.exit(1)
print(f"layers hold: {included} include lines stay in their layer or below, {sum(len(p[0]) for p in PROBES.values())} upward includes refused,"
      f" {checked} objects read nothing from above")
