#pragma once

#include <cstdint>

namespace rz4::mainwindow {

// Twips between the bottom of the work area and the bottom of the screen (0 when the taskbar
// is not at the bottom), rounded half to even; the overflow error when it leaves 16 bits.
std::int16_t taskbarHeightTwips(int workAreaBottomPixels, double screenHeightTwips,
                                double twipsPerPixel);

} // namespace rz4::mainwindow
