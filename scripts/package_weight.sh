#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What installing the built packages brings onto a minimal Debian system:
# apt's own simulation (apt-get -s) against a dpkg status of the packages of
# Priority required and what they depend on, made from apt's package lists
# (nothing is installed or downloaded). Prints, for velmo alone, with
# its dialog (velmo-setup) and with both packages' Recommends, the number of
# packages it brings (VELMO_WEIGHT_LIST=1 lists velmo's);
# fails when velmo without Recommends brings more than $VELMO_MAX_PACKAGES
# (60) or any of Qt, Mesa, LLVM or a MIDI synthesiser.
# Exit code 77 where apt has no package lists to simulate with.
# Usage: scripts/package_weight.sh [package dir] (default build-package/)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(cd "${1:-${VELMO_PACKAGE_DIR:-$here/build-package}}" && pwd)"
saver=$(ls "$dir"/velmo_*.deb)
setup=$(ls "$dir"/velmo-setup_*.deb)
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
apt-cache dumpavail >"$work/avail"
grep -q '^Package: libc6$' "$work/avail" ||
  { echo "package_weight.sh: apt has no package lists (apt-get update first)" >&2; exit 77; }

# The minimal system: Priority required and Essential packages, and the
# first choice of everything they (pre-)depend on, as installed.
python3 - "$work/avail" "$work/status" <<'PY'
import re, sys
records, provides = {}, {}
for block in open(sys.argv[1], encoding='utf-8', errors='replace').read().split('\n\n'):
    fields = dict(re.findall(r'^([\w-]+): ?(.*(?:\n .*)*)', block, re.M))
    name = fields.get('Package')
    if not name or fields.get('Architecture') not in ('amd64', 'all') or name in records:
        continue
    records[name] = (block, fields)
    for p in fields.get('Provides', '').split(','):
        p = p.split('(')[0].strip()
        if p:
            provides.setdefault(p, name)
wanted = [n for n, (_, f) in records.items() if f.get('Priority') == 'required' or f.get('Essential') == 'yes']
chosen = set()
while wanted:
    name = wanted.pop()
    if name in chosen:
        continue
    chosen.add(name)
    fields = records[name][1]
    for field in ('Pre-Depends', 'Depends'):
        for group in filter(None, (g.strip() for g in fields.get(field, '').split(','))):
            for alternative in group.split('|'):
                dep = alternative.split('(')[0].split(':')[0].strip()
                dep = dep if dep in records else provides.get(dep)
                if dep:
                    wanted.append(dep)
                    break
with open(sys.argv[2], 'w') as out:
    for name in sorted(chosen):
        block = records[name][0].strip()
        block = re.sub(r'^(Package: .*)$', r'\1\nStatus: install ok installed', block, count=1, flags=re.M)
        out.write(block + '\n\n')
print(f'minimal system: {len(chosen)} packages (Priority required, Essential, and their dependencies)')
PY
mkdir -p "$work/state/lists/partial" "$work/cache/archives/partial"
simulate() {  # what apt-get -s install "$@" would unpack, one name a line
  apt-get -s -o Dir::State::status="$work/status" -o Dir::Cache="$work/cache" -o Debug::NoLocking=1 \
    -o APT::Get::Show-Versions=0 install "$@" 2>/dev/null | sed -n 's/^Inst \([^ ]*\) .*/\1/p'
}
simulate --no-install-recommends "$saver" >"$work/saver"
simulate --no-install-recommends "$saver" "$setup" >"$work/both"
simulate "$saver" "$setup" >"$work/all"
echo "velmo without Recommends: $(wc -l <"$work/saver") packages (itself included)"
echo "velmo and velmo-setup without Recommends: $(wc -l <"$work/both") packages"
echo "velmo and velmo-setup with Recommends: $(wc -l <"$work/all") packages"
[ -z "${VELMO_WEIGHT_LIST:-}" ] || { echo "velmo brings:"; sed 's/^/  /' "$work/saver"; }
status=0
heavy=$(grep -E '^(libqt6|qt6-|libgl1-mesa|mesa-|libllvm|fluidsynth|libfluidsynth|timgm6mb|fluid-soundfont|libwildmidi)' "$work/saver" || true)
if [ -n "$heavy" ]; then
  echo "package_weight.sh: velmo brings $(echo $heavy)" >&2
  status=1
fi
if [ "$(wc -l <"$work/saver")" -gt "${VELMO_MAX_PACKAGES:-60}" ]; then
  echo "package_weight.sh: velmo brings more than ${VELMO_MAX_PACKAGES:-60} packages:" $(cat "$work/saver") >&2
  status=1
fi
exit "$status"
