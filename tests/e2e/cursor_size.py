#!/usr/bin/env python3
"""Prints the size and hot spot of the X pointer's current cursor image, as the XFIXES
extension hands it out: "WIDTH HEIGHT HOTX HOTY". The display is $DISPLAY's.

Usage: cursor_size.py
"""
import ctypes
import ctypes.util
import sys

from xlib_display import open_display


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.c_void_p),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def main():
    xlib, display = open_display("cursor_size")
    xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes") or "libXfixes.so.3")
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    image = xfixes.XFixesGetCursorImage(display)
    if not image:
        sys.exit("no cursor image")
    shown = image.contents
    print(shown.width, shown.height, shown.xhot, shown.yhot)
    xlib.XFree(image)


if __name__ == "__main__":
    main()
