#!/usr/bin/env python3
"""Binds characters to spare keycodes of the X server named by $DISPLAY.

`xdotool type` of a character the keymap lacks binds it to a scratch keycode, presses it
and unbinds it at once; a busy client may fetch the keymap only after the unbinding and
lose the character. With the characters bound before the client starts, xdotool finds
them in the keymap and never rebinds.

The lowest spare keycodes are taken: Wine gives virtual keys only to the keycodes it
meets first when it reads the keymap, and so ignores characters bound near the top.

Usage: bind_keysyms.py CHARACTERS
"""
import ctypes
import ctypes.util
import sys

NO_SYMBOL = 0


def unicode_keysym(char):
    code = ord(char)
    return code if 0x20 <= code <= 0x7E else 0x01000000 + code


def main():
    wanted = list(dict.fromkeys(sys.argv[1])) if len(sys.argv) == 2 else []
    if not wanted:
        sys.exit(__doc__.strip().splitlines()[-1])
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
    xlib.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                         ctypes.POINTER(ctypes.c_int)]
    xlib.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                            ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
    xlib.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                      ctypes.POINTER(ctypes.c_int)]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("bind_keysyms: cannot open the display")
    low, high = ctypes.c_int(), ctypes.c_int()
    xlib.XDisplayKeycodes(display, ctypes.byref(low), ctypes.byref(high))
    count = high.value - low.value + 1
    per_code = ctypes.c_int()
    mapping = xlib.XGetKeyboardMapping(display, low.value, count, ctypes.byref(per_code))
    width = per_code.value
    # The lowest keycode is a placeholder in the usual keymaps: leave it alone.
    spare = [low.value + i for i in range(1, count)
             if all(mapping[i * width + j] == NO_SYMBOL for j in range(width))]
    xlib.XFree(mapping)
    if len(spare) < len(wanted):
        sys.exit(f"bind_keysyms: only {len(spare)} spare keycodes")

    for keycode, char in zip(spare, wanted):
        keysym = unicode_keysym(char)
        levels = [keysym] * min(width, 2) + [NO_SYMBOL] * max(width - 2, 0)
        row = (ctypes.c_ulong * width)(*levels)
        xlib.XChangeKeyboardMapping(display, keycode, width, row, 1)
    xlib.XSync(display, 0)
    xlib.XCloseDisplay(display)


if __name__ == "__main__":
    main()
