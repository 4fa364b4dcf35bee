"""What the viewer sees: pixels read straight from the X server (Xlib through ctypes, a few
milliseconds a read), and whether a region shows painted content rather than a blank fill."""

import ctypes
import ctypes.util
from collections import Counter


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


_ZPIXMAP = 2
_ALL_PLANES = 0xFFFFFFFF


class Screen:
    """A connection of its own to an X display, reading rectangles of its root window."""

    def __init__(self, display):
        self._x = ctypes.CDLL(ctypes.util.find_library("X11"))
        self._x.XOpenDisplay.restype = ctypes.c_void_p
        self._x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self._x.XDefaultRootWindow.restype = ctypes.c_ulong
        self._x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self._x.XGetImage.restype = ctypes.POINTER(_XImage)
        self._x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                      ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self._x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self._dpy = self._x.XOpenDisplay(display.encode())
        if not self._dpy:
            raise RuntimeError(f"cannot open X display {display}")
        self._root = self._x.XDefaultRootWindow(self._dpy)
        self._free = ctypes.CDLL(None).free

    def close(self):
        self._x.XCloseDisplay(self._dpy)

    def pixels(self, x, y, w, h):
        """The rectangle as (r, g, b) tuples, row by row."""
        image = self._x.XGetImage(self._dpy, self._root, int(x), int(y), int(w), int(h),
                                  _ALL_PLANES, _ZPIXMAP)
        if not image:
            return []
        img = image.contents
        width, height, stride = img.width, img.height, img.bytes_per_line
        step = img.bits_per_pixel // 8
        raw = ctypes.string_at(img.data, stride * height)
        self._free(img.data)
        self._free(image)
        out = []
        for row in range(height):
            line = raw[row * stride:row * stride + width * step]
            out.extend((line[i + 2], line[i + 1], line[i]) for i in range(0, len(line), step))
        return out


def painted(pixels, share=0.01):
    """Content rather than a blank fill: enough pixels stand out from the region's commonest
    colour, as text on a background does."""
    if not pixels:
        return False
    (mode, _), = Counter(pixels).most_common(1)
    standing_out = sum(1 for p in pixels if sum(abs(a - b) for a, b in zip(p, mode)) > 90)
    return standing_out >= share * len(pixels)
