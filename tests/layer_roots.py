#!/usr/bin/env python3
"""The layers' include roots refuse an include of a layer above (arguments:
build dir, source dir). The build's layer check (cmake/layer_check.py) reads
the include lines themselves; this proves the roots the compiler is given:
each layer's own compile command (from compile_commands.json) is run on a
one-line probe that includes a header of a layer above (and Qt, below
setup), which must fail for want of that header, while the same command on
one of the layer's own headers must pass.
"""
import json
import os
import shlex
import subprocess
import sys
import tempfile

build, source = (os.path.realpath(a) for a in sys.argv[1:3])

# Probes: an include each layer must not reach, and one of its own.
PROBES = {
    "platform": (["scene/form1.h", "components/ddmain.h", "setup/settings.h", "QString"], "platform/display.h"),
    "components": (["scene/form1.h", "setup/settings.h", "resources/catalogue.h"], "components/ddmain.h"),
    "settings": (["scene/form1.h", "setup/form2.h"], "setup/settings.h"),
    "scene": (["setup/form2.h", "setup/setup_mode.h", "app/entry.h", "QWidget"], "scene/form1.h"),
    "setup": (["scene/form1.h", "app/entry.h"], "setup/form2.h"),
}


def target_of(obj):
    """velmo_scene for CMakeFiles/velmo_scene.dir/src/scene/form1.cpp.o."""
    for part in obj.split("/"):
        if part.endswith(".dir"):
            return part[: -len(".dir")]
    return None


failures = []

with open(os.path.join(build, "compile_commands.json")) as f:
    commands = json.load(f)
by_target = {}
for entry in commands:
    args = entry.get("arguments") or shlex.split(entry["command"])
    out = args[args.index("-o") + 1] if "-o" in args else ""
    by_target.setdefault(target_of(out), []).append((entry["directory"], args))

# Each layer on a probe.
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

if failures:
    print("\n".join(failures), file=sys.stderr)
    sys.exit(1)
print(f"layer roots hold: {sum(len(p[0]) for p in PROBES.values())} upward includes refused")
