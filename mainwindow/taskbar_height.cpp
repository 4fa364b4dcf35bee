#include "mainwindow/taskbar_height.h"

#include "common/numeric.h"

namespace rz4::mainwindow {

std::int16_t taskbarHeightTwips(int workAreaBottomPixels, double screenHeightTwips,
                                double twipsPerPixel) {
    return common::toInt16((screenHeightTwips / twipsPerPixel - workAreaBottomPixels) *
                           twipsPerPixel);
}

} // namespace rz4::mainwindow
