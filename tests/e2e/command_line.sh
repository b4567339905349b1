#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The command line as a user and xscreensaver's settings meet it. The usage,
# the version and a mistyped option answer at once without a display; every
# argument velmo.xml can pass is accepted, and the defaults it declares are
# the ones the program says it takes in a window; the manual page names
# exactly the VELMO_ variables the program reads. Then "-window": a normal
# window that is not full screen, follows a resize and ends on Escape and on
# a close request, not on the mouse.
source "$(dirname "$0")/lib.sh"
SRC="$(cd "$(dirname "$0")/../.." && pwd)"
XML="$SRC/data/velmo.xml"

# Answers that need no display: run with none, so any attempt to open one
# (or to wait for one: the time allowed is far above a start on a loaded machine)
# would show on standard error.
answer() {  # $1 = expected exit code, rest = arguments; output in $WORK/out, $WORK/err
  local want="$1" start took
  shift
  start=$(date +%s.%N)
  env -u DISPLAY -u WAYLAND_DISPLAY "$VELMO" "$@" >"$WORK/out" 2>"$WORK/err" && RC=0 || RC=$?
  took=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
  [ "$RC" = "$want" ] || fail "velmo $* ended with $RC, not $want: $(cat "$WORK/err")"
  awk -v t="$took" 'BEGIN { exit !(t < 5) }' || fail "velmo $* took $took s"
}
for help in --help -help -h; do
  answer 0 "$help"
  [ ! -s "$WORK/err" ] || fail "velmo $help wrote to standard error: $(cat "$WORK/err")"
  grep -q "^Usage: velmo" "$WORK/out" || fail "velmo $help gave no usage: $(cat "$WORK/out")"
done
cp "$WORK/out" "$WORK/usage"
answer 0 --version
[ "$(wc -l <"$WORK/out")" = 1 ] && grep -q "^velmo [0-9]" "$WORK/out" || fail "--version: $(cat "$WORK/out")"
[ ! -s "$WORK/err" ] || fail "--version wrote to standard error: $(cat "$WORK/err")"
for bogus in --bogus -pause "-count 5"; do
  # shellcheck disable=SC2086 # "-count 5" is two arguments
  answer 1 $bogus
  grep -q "^velmo: unrecognised option '${bogus%% *}'$" "$WORK/err" || fail "$bogus: $(cat "$WORK/err")"
  grep -q "^Usage: velmo" "$WORK/err" || fail "$bogus: no usage on standard error"
  [ ! -s "$WORK/out" ] || fail "$bogus wrote to standard output"
done
answer 0 -gulls 12 --version
grep -q "^velmo: -gulls wants a number of seagulls from 0 to 10, not '12'; the default is used$" "$WORK/err" ||
  fail "an out-of-range value was not said: $(cat "$WORK/err")"
# A malformed window id is a usage error as well; a settings program that is
# not installed is a failure to start. velmo(6) lists the codes.
answer 1 -window-id abc
grep -qx "velmo: 'abc' is not a valid window id" "$WORK/err" || fail "-window-id abc: $(cat "$WORK/err")"
mkdir "$WORK/alone" && cp "$VELMO" "$WORK/alone/velmo"
VELMO_FILES+=("$WORK/alone/velmo")
env -u DISPLAY -u WAYLAND_DISPLAY "$WORK/alone/velmo" /c >"$WORK/out" 2>"$WORK/err" && RC=0 || RC=$?
[ "$RC" = 2 ] || fail "velmo /c without velmo-setup ended with $RC, not 2: $(cat "$WORK/err")"
grep -q "velmo-setup is not installed" "$WORK/err" && grep -q "package velmo-setup" "$WORK/err" || fail "velmo /c without velmo-setup said: $(cat "$WORK/err")"
for code in 0 1 2; do
  grep -A1 '^\.TP' "$SRC/data/velmo.6" | grep -qx "\.B $code" || fail "velmo(6) does not list exit code $code"
done
echo "usage, version and mistakes answered at once without a display; exit codes 0, 1 and 2"

# velmo.xml: well-formed, and every argument it can pass (each number at its
# ends and its default) is taken without a word; "--version" behind them
# ends the run once they are read.
command -v xmllint >/dev/null || skip "xmllint is not installed (scripts/setup.sh installs it)"
xmllint --noout "$XML" || fail "velmo.xml is not well-formed"
python3 - "$XML" "$WORK/usage" >"$WORK/xml-args" <<'PY' || fail "velmo.xml and the usage disagree: $(cat "$WORK/xml-args")"
import re, sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
usage = open(sys.argv[2]).read()
def default_in_usage(option):
    m = re.search(r"^  -%s\b[^\n]*\(default ([^)]*)\)$" % re.escape(option), usage, re.M)
    if not m:
        sys.exit("the usage gives no default for -%s" % option)
    return m.group(1)
def name(arg):
    return arg.split()[0].lstrip("-")
mismatches = []
for el in root.iter():
    if el.tag == "command":
        print(el.get("arg"))
    elif el.tag == "number":
        for value in (el.get("low"), el.get("high"), el.get("default")):
            print(el.get("arg").replace("%", value))
        if default_in_usage(name(el.get("arg"))) != el.get("default"):
            mismatches.append("%s: xml %s, program %s" % (el.get("id"), el.get("default"), default_in_usage(name(el.get("arg")))))
    elif el.tag == "boolean":
        arg = el.get("arg-set") or el.get("arg-unset")
        print(arg)
        option = name(arg)[3:] if el.get("arg-unset") else name(arg)
        xml_default = "on" if el.get("arg-unset") else "off"
        if default_in_usage(option) != xml_default:
            mismatches.append("%s: xml %s, program %s" % (el.get("id"), xml_default, default_in_usage(option)))
    elif el.tag == "select":
        unset = [o for o in el if not o.get("arg-set")]
        for o in el:
            if o.get("arg-set"):
                print(o.get("arg-set"))
        option = name([o for o in el if o.get("arg-set")][0].get("arg-set"))
        if len(unset) != 1 or default_in_usage(option) != unset[0].get("id"):
            mismatches.append("%s: xml %s, program %s" % (el.get("id"), [o.get("id") for o in unset], default_in_usage(option)))
if mismatches:
    sys.exit("; ".join(mismatches))
PY
args=0
while read -r arg; do
  # shellcheck disable=SC2086 # an argument of the XML may be an option and its value
  answer 0 $arg --version
  [ ! -s "$WORK/err" ] || fail "velmo $arg: $(cat "$WORK/err")"
  args=$((args + 1))
done <"$WORK/xml-args"
echo "velmo.xml is well-formed; its $args arguments are accepted and its defaults are the program's"

# The manual page documents exactly the VELMO_ variables the sources read.
read_by_program=$(grep -rhoE 'getenv\("VELMO_[A-Z0-9_]+"' "$SRC/src" | grep -oE 'VELMO_[A-Z0-9_]+' | sort -u)
in_manual=$(grep -oE 'VELMO_[A-Z0-9_]+' "$SRC/data/velmo.6" | sort -u)
[ "$read_by_program" = "$in_manual" ] ||
  fail "velmo(6) lists [$(tr '\n' ' ' <<<"$in_manual")] but the program reads [$(tr '\n' ' ' <<<"$read_by_program")]"
echo "velmo(6) names the variables the program reads: $(tr '\n' ' ' <<<"$read_by_program")"

# -window.
start_xvfb 1024x768x24
screen=$(xdpyinfo | awk '/dimensions:/ {print $2}')
"$VELMO" -window -no-sound 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
win=$(wait_window "Velmo" 20) || fail "no window named Velmo: $(cat "$WORK/err")"
size() { xwininfo -id "$win" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
[ "$(size)" = 800x600 ] || fail "the window is $(size), not 800x600"
xprop -id "$win" _NET_WM_STATE | grep -q FULLSCREEN && fail "the window asks to be full screen"
# A window of fixed size says so in its size hints (the largest size is its own).
hints=$(xprop -id "$win" WM_NORMAL_HINTS)
grep -q "program specified maximum size: 800 by 600" <<<"$hints" && fail "the window cannot be resized: $hints"

wait_scene "$win" 800 600 window-800x600
# The mouse moving over it ends nothing; a new size is followed.
xdotool mousemove --window "$win" 100 100 mousemove --window "$win" 400 400
xdotool windowsize "$win" 520 340
wait_scene "$win" 520 340 window-520x340
kill -0 "$pid" 2>/dev/null || fail "velmo -window ended on the mouse or the resize"
[ "$(xdpyinfo | awk '/dimensions:/ {print $2}')" = "$screen" ] || fail "the screen's mode changed"
xdotool windowfocus --sync "$win" key Escape
wait_exit "$pid" 10 || fail "Escape did not end velmo -window"
[ "$RC" = 0 ] || fail "velmo -window ended with $RC after Escape: $(cat "$WORK/err")"

# A close request, as a window manager's close button sends it.
"$VELMO" --window --no-sound 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
win=$(wait_window "Velmo" 20) || fail "no second window: $(cat "$WORK/err")"
wait_scene "$win" 800 600 window-800x600
python3 - "$win" <<'PY' || fail "could not send the close request"
import ctypes, ctypes.util, sys
x = ctypes.CDLL(ctypes.util.find_library("X11"))
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]
d = x.XOpenDisplay(None)
win = int(sys.argv[1], 16)
event = ClientMessage(type=33, window=win, message_type=x.XInternAtom(d, b"WM_PROTOCOLS", 0), format=32)
event.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
sent = x.XSendEvent(d, win, 0, 0, ctypes.byref(event))
x.XSync(d, 0)
sys.exit(0 if sent else 1)
PY
wait_exit "$pid" 10 || fail "a close request did not end velmo -window"
[ "$RC" = 0 ] || fail "velmo -window ended with $RC after the close request: $(cat "$WORK/err")"
echo "velmo -window: 800x600, not full screen, followed 520x340, the mouse ended nothing, Escape and a close request ended it with 0"
