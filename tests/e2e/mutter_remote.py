#!/usr/bin/python3
"""Screenshots and keys for a headless mutter, over its session bus, as GNOME's
remote desktop and screen recorder use them. Long-lived, since mutter ends a
session when its caller's connection goes: reads one command a line on
standard input and answers one line ("ok" or "error: WHY") on standard
output; ends at the end of its input.

  shot MONITOR FILE   a picture of the monitor (Meta-0, Meta-1, ...) into FILE (PNG)
  key KEYSYM          presses and releases the key (an X keysym, 0x20 is space)
  turn MONITOR        turns the monitor a quarter, the others kept as they are

Needs PipeWire and WirePlumber running for the session (mutter hands the
pictures over as a PipeWire stream, read with gst-launch-1.0's pipewiresrc).
Debian's python3-gi: run with /usr/bin/python3."""
import os
import shutil
import subprocess
import sys
import tempfile

from gi.repository import Gio, GLib

TIMEOUT_MS = 20000
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)


def call(dest, path, iface, method, args=None, reply=None):
    return bus.call_sync(dest, path, iface, method, args, GLib.VariantType(reply) if reply else None,
                         Gio.DBusCallFlags.NONE, TIMEOUT_MS, None)


def wait_for(done, seconds):
    """Runs the main loop until done() is true or the time is up."""
    context = GLib.MainContext.default()
    timed_out = []
    source = GLib.timeout_add(int(seconds * 1000), lambda: timed_out.append(1) and False)
    while not done() and not timed_out:
        context.iteration(True)
    if not timed_out:
        GLib.source_remove(source)
    return done()


class RemoteDesktop:
    """One session for the helper's life. The first key after Start only makes
    mutter's virtual keyboard appear in the seat and is not delivered, so a
    harmless key (a Shift) goes first, before anything listens for keys."""

    def __init__(self):
        self.path = call("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
                         "org.gnome.Mutter.RemoteDesktop", "CreateSession", None, "(o)")[0]
        self.session("Start")
        self.key(0xffe1)

    def session(self, method, args=None):
        call("org.gnome.Mutter.RemoteDesktop", self.path, "org.gnome.Mutter.RemoteDesktop.Session", method, args)

    def key(self, keysym):
        for pressed in (True, False):
            self.session("NotifyKeyboardKeysym", GLib.Variant("(ub)", (keysym, pressed)))


def shot(monitor, target):
    """A screen-cast session of one monitor, read for a few frames: the first
    may be older than the screen."""
    path = call("org.gnome.Mutter.ScreenCast", "/org/gnome/Mutter/ScreenCast", "org.gnome.Mutter.ScreenCast",
                "CreateSession", GLib.Variant("(a{sv})", ({},)), "(o)")[0]
    session = "org.gnome.Mutter.ScreenCast.Session"
    try:
        stream = call("org.gnome.Mutter.ScreenCast", path, session, "RecordMonitor",
                      GLib.Variant("(sa{sv})", (monitor, {"cursor-mode": GLib.Variant("u", 0)})), "(o)")[0]
        nodes = []
        handler = bus.signal_subscribe("org.gnome.Mutter.ScreenCast", "org.gnome.Mutter.ScreenCast.Stream",
                                       "PipeWireStreamAdded", stream, None, Gio.DBusSignalFlags.NONE,
                                       lambda *a: nodes.append(a[5][0]))
        call("org.gnome.Mutter.ScreenCast", path, session, "Start")
        found = wait_for(lambda: nodes, TIMEOUT_MS / 1000)
        bus.signal_unsubscribe(handler)
        if not found:
            return "error: no PipeWire stream for " + monitor
        with tempfile.TemporaryDirectory() as folder:
            run = subprocess.run(["gst-launch-1.0", "-q", "pipewiresrc", "path=%d" % nodes[0], "num-buffers=3", "!",
                                  "videoconvert", "!", "pngenc", "snapshot=false", "!", "multifilesink",
                                  "location=" + os.path.join(folder, "%d.png")],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=TIMEOUT_MS / 1000)
            frames = sorted(os.listdir(folder), key=lambda name: int(name.split(".")[0]))
            if not frames:
                return "error: gst-launch-1.0 wrote no frame: " + run.stderr.decode(errors="replace").strip()
            shutil.copyfile(os.path.join(folder, frames[-1]), target)
        return "ok"
    except subprocess.TimeoutExpired:
        return "error: gst-launch-1.0 got no frame of " + monitor
    finally:
        call("org.gnome.Mutter.ScreenCast", path, session, "Stop")


def turn(monitor):
    """Applies the current layout again (for this session only) with the
    monitor turned a quarter (transform 1) in its place."""
    config = "org.gnome.Mutter.DisplayConfig"
    serial, monitors, logical, _ = call(config, "/org/gnome/Mutter/DisplayConfig", config, "GetCurrentState",
                                        None, "(ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv})")
    modes = {m[0][0]: next(mode[0] for mode in m[1] if mode[6].get("is-current")) for m in monitors}
    layout = [(x, y, scale, 1 if any(c[0] == monitor for c in connectors) else transform, primary,
               [(c[0], modes[c[0]], {}) for c in connectors])
              for x, y, scale, transform, primary, connectors, _ in logical]
    call(config, "/org/gnome/Mutter/DisplayConfig", config, "ApplyMonitorsConfig",
         GLib.Variant("(uua(iiduba(ssa{sv}))a{sv})", (serial, 1, layout, {})))
    return "ok"


def main():
    remote = RemoteDesktop()
    print("ok", flush=True)
    for line in sys.stdin:
        words = line.split()
        try:
            if words[:1] == ["shot"] and len(words) == 3:
                answer = shot(words[1], words[2])
            elif words[:1] == ["turn"] and len(words) == 2:
                answer = turn(words[1])
            elif words[:1] == ["key"] and len(words) == 2:
                remote.key(int(words[1], 0))
                answer = "ok"
            else:
                answer = "error: unknown command " + line.strip()
        except GLib.Error as error:
            answer = "error: " + error.message
        print(answer, flush=True)


if __name__ == "__main__":
    main()
