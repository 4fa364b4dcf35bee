#include "common/device_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace rz4::common;

TEST(DevicePixels, HalvesRoundAwayFromZeroAsQtDoes) {
    EXPECT_EQ(toDevicePixels(623, 1.5), 935);
    EXPECT_EQ(toDevicePixels(1, 1.5), 2);
    EXPECT_EQ(toDevicePixels(-1, 1.5), -2);
    EXPECT_EQ(toDevicePixels(406, 2.0), 812);
}

TEST(DevicePixels, PaintedExtentRoundsEdgesNotLengths) {
    // The video at the design size and 1.5: rows 91.5 to 582 are painted as 92 to 582.
    EXPECT_EQ(paintedExtent(61, 327, 1.5), 490);
    EXPECT_EQ(toDevicePixels(327, 1.5), 491);
    EXPECT_EQ(paintedExtent(8, 406, 1.5), 609);
    EXPECT_EQ(paintedExtent(61, 327, 2.0), 654);
}

TEST(DevicePixels, ResizeStepsFromTheBaseReachEveryLength) {
    for (const double scale : {1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0}) {
        const int step = toDevicePixels(1, scale);
        for (int length = 100; length < 1300; ++length) {
            if (std::fmod(scale, 1.0) == 0 && length % step != 0) {
                continue; // at whole factors every window is a whole number of steps already
            }
            const int base = toDevicePixels(resizeBaseFor(length, scale), scale);
            ASSERT_LE(base, length);
            ASSERT_EQ((length - base) % std::max(step, 1), 0) << scale << " " << length;
        }
    }
}
