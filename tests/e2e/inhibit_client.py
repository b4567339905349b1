#!/usr/bin/env python3
"""Holds an org.freedesktop.ScreenSaver inhibition on the session bus, as a
video player does: calls Inhibit, prints the cookie, and keeps its connection
open until it is killed or its standard input ends. It never calls
UnInhibit, so what it holds goes only when its connection closes."""
import sys

from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
path = sys.argv[1] if len(sys.argv) > 1 else "/org/freedesktop/ScreenSaver"
reply = bus.call_sync("org.freedesktop.ScreenSaver", path, "org.freedesktop.ScreenSaver", "Inhibit",
                      GLib.Variant("(ss)", ("inhibit_client", "a test video")), GLib.VariantType("(u)"),
                      Gio.DBusCallFlags.NONE, 5000, None)
print(reply.unpack()[0], flush=True)
sys.stdin.read()
