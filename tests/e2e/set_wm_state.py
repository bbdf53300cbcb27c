#!/usr/bin/env python3
"""Marks an X window as shown, the way a window manager does when the window maps.

It sets the window's WM_STATE property to NormalState (ICCCM 4.1.3.1). Wine 10 waits for
that before it takes the input focus; without a window manager nobody else sets it.

Usage: set_wm_state.py WINDOW_ID
"""
import ctypes
import sys

from xlib_display import open_display, window_argument

NORMAL_STATE = 1
NO_ICON_WINDOW = 0
PROP_MODE_REPLACE = 0


def main():
    window = window_argument(__doc__.strip().splitlines()[-1])
    xlib, display = open_display("set_wm_state")
    xlib.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                     ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_void_p, ctypes.c_int]
    wm_state = xlib.XInternAtom(display, b"WM_STATE", 0)
    # Format 32 data is passed as C longs: the state, then the icon window.
    state = (ctypes.c_long * 2)(NORMAL_STATE, NO_ICON_WINDOW)
    xlib.XChangeProperty(display, window, wm_state, wm_state, 32, PROP_MODE_REPLACE, state, 2)
    xlib.XSync(display, 0)
    xlib.XCloseDisplay(display)


if __name__ == "__main__":
    main()
