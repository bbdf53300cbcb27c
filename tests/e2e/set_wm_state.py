#!/usr/bin/env python3
"""Marks an X window as shown, the way a window manager does when the window maps.

It sets the window's WM_STATE property to NormalState (ICCCM 4.1.3.1). Wine 10 waits for
that before it takes the input focus; without a window manager nobody else sets it.

Usage: set_wm_state.py WINDOW_ID
"""
import ctypes
import ctypes.util
import sys

NORMAL_STATE = 1
NO_ICON_WINDOW = 0
PROP_MODE_REPLACE = 0


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    window = int(sys.argv[1], 0)
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                     ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_void_p, ctypes.c_int]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("set_wm_state: cannot open the display")
    wm_state = xlib.XInternAtom(display, b"WM_STATE", 0)
    # Format 32 data is passed as C longs: the state, then the icon window.
    state = (ctypes.c_long * 2)(NORMAL_STATE, NO_ICON_WINDOW)
    xlib.XChangeProperty(display, window, wm_state, wm_state, 32, PROP_MODE_REPLACE, state, 2)
    xlib.XSync(display, 0)
    xlib.XCloseDisplay(display)


if __name__ == "__main__":
    main()
