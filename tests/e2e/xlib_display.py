"""Xlib through ctypes for the end-to-end helpers that need more than the X tools offer.

open_display(who) gives Xlib with the calls they share declared, and $DISPLAY opened.
"""
import ctypes
import ctypes.util
import sys


def open_display(who):
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit(f"{who}: cannot open the display")
    return xlib, display


def window_argument(usage):
    """The one argument, a window id in any base Python reads (0x...)."""
    if len(sys.argv) != 2:
        sys.exit(usage)
    return int(sys.argv[1], 0)
