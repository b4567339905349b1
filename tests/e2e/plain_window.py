#!/usr/bin/env python3
"""A plain X window as a screen-saver daemon makes one: white background,
nothing drawn, no events read. Prints its id, then stays until killed.

Usage: plain_window.py NAME WIDTH HEIGHT X Y [COLOUR as 0xRRGGBB]"""
import ctypes
import ctypes.util
import signal
import sys

name, width, height, x, y = sys.argv[1], *map(int, sys.argv[2:6])
colour = int(sys.argv[6], 16) if len(sys.argv) > 6 else 0xFFFFFF
xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XDefaultRootWindow.restype = ctypes.c_ulong
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XCreateSimpleWindow.restype = ctypes.c_ulong
xlib.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
xlib.XStoreName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_char_p]
xlib.XMapRaised.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]

display = xlib.XOpenDisplay(None)
if not display:
    sys.exit("plain_window.py: cannot open the display")
window = xlib.XCreateSimpleWindow(display, xlib.XDefaultRootWindow(display), x, y, width, height, 0, 0, colour)
xlib.XStoreName(display, window, name.encode())
xlib.XMapRaised(display, window)
xlib.XSync(display, 0)
print(f"0x{window:x}", flush=True)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
while True:
    signal.pause()
