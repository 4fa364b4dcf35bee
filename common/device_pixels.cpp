#include "common/device_pixels.h"

#include <cmath>

namespace rz4::common {

int toDevicePixels(int logical, double scale) {
    return static_cast<int>(std::lround(logical * scale));
}

int paintedExtent(int pos, int length, double scale) {
    return toDevicePixels(pos + length, scale) - toDevicePixels(pos, scale);
}

int resizeBaseFor(int deviceLength, double scale) {
    const int step = toDevicePixels(1, scale);
    if (step <= 1) {
        return 0;
    }
    // The scaled bases run through every remainder within a few steps.
    for (int base = 0; base < 4 * step; ++base) {
        const int deviceBase = toDevicePixels(base, scale);
        if (deviceBase <= deviceLength && (deviceLength - deviceBase) % step == 0) {
            return base;
        }
    }
    return 0;
}

} // namespace rz4::common
