#pragma once

namespace rz4::common {

// How Qt turns logical pixels into device pixels at a scale factor: each position and each length
// on its own, rounded to the nearest, halves away from zero.
int toDevicePixels(int logical, double scale);

// The device pixels the window paints for the span [pos, pos + length) of logical pixels: its two
// edges rounded. A native window of that span can be one larger, its position and its length
// both rounded up.
int paintedExtent(int pos, int length, double scale);

// Qt asks the window manager to size a window in steps of one logical pixel scaled, from a base
// length scaled alike; at 1.5 that is steps of 2 from -2, so odd lengths are cut by a pixel. The
// smallest base (logical pixels) from which the steps reach deviceLength exactly.
int resizeBaseFor(int deviceLength, double scale);

} // namespace rz4::common
