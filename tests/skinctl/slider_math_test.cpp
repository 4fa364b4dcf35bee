#include "skinctl/slider_math.h"

#include "common/runtime_error.h"
#include "tests/skinctl/test_support.h"

#include <gtest/gtest.h>

#include <limits>

namespace rz4::skinctl {
namespace {

using testskin::errorNumber;

// The volume slider: 5 px caps, 12 px thumb frames, 2 px bites, 1500 twips wide.
constexpr TrackGeometry Volume{1500, 75, 75, 180, 30, 30};

// The widget tests cover the volume slider's own numbers; these are the cases its surface
// sizes cannot reach.
TEST(ThumbPlacementTest, MaxZeroIsTheLeftEndAndMaxNegativeClampsWithTheOldMax) {
    EXPECT_FLOAT_EQ(thumbCentre(Volume, 0, 0), 75 + 90 - 30 + 0.1F);
    EXPECT_EQ(paintedValue(5, -3), -3); // the caller corrects Max only afterwards
}

TEST(DragMappingTest, ExactHalvesGoToTheEvenNeighbour) {
    TrackGeometry narrow = Volume; // track 1000
    narrow.width = 1270;
    EXPECT_EQ(valueAtPointer(narrow, 560, 100, 1), 42);
    EXPECT_EQ(valueAtPointer(narrow, 570, 100, 1), 44);
}

TEST(DragMappingTest, DegenerateTracksAndRanges) {
    // Max negative: whatever the pointer, 0.
    EXPECT_EQ(valueAtPointer(Volume, 1400, -7, 3), 0);
    // Track of length 0 keeps the value (within range).
    TrackGeometry flat = Volume;
    flat.width = 1500 - 1230;
    ASSERT_FLOAT_EQ(flat.trackLength(), 0);
    EXPECT_EQ(valueAtPointer(flat, 200, 100, 37), 37);
    EXPECT_EQ(valueAtPointer(flat, 200, 100, 370), 100);
    // A negative track reverses the direction; the clamp keeps the range.
    TrackGeometry reversed = Volume;
    reversed.width = 200;
    EXPECT_EQ(valueAtPointer(reversed, 0, 100, 5), 100);
    // Quotients beyond 32 bits are clamped before the range check.
    const auto huge = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(valueAtPointer(Volume, 1e30F, huge, 0), huge);
    EXPECT_EQ(valueAtPointer(Volume, -1e30F, huge, 9), 0);
}

TEST(ColourTest, SplitColorAndItsLimit) {
    const RgbParts red = SplitColor(0x0000FF);
    EXPECT_EQ(red.red, 255);
    EXPECT_EQ(red.green, 0);
    EXPECT_EQ(red.blue, 0);
    const RgbParts blue = SplitColor(0xFF0000);
    EXPECT_EQ(blue.red, 0);
    EXPECT_EQ(blue.blue, 255);
    EXPECT_EQ(SplitColor(0x123456).green, 0x34);
    EXPECT_EQ(errorNumber([] { SplitColor(0x1000000); }), common::err::InvalidArgument);
    EXPECT_EQ(errorNumber([] { SplitColor(0x8000000F); }), common::err::InvalidArgument);
}

TEST(ColourTest, GradientBandsRoundHalvesToEven) {
    const auto bands = gradientBands(0xFF0000, 0x000000);
    const std::array<Colour, 11> blues = {255, 230, 204, 178, 153, 128, 102, 76, 51, 26, 0};
    for (std::size_t i = 0; i < bands.size(); ++i) {
        EXPECT_EQ(bands[i], blues[i] << 16) << "band " << i;
    }
    // Rising channels and the red and green places.
    const auto up = gradientBands(0x000000, 0x00FF0A);
    EXPECT_EQ(up[10], 0x00FF0Au);
    EXPECT_EQ(up[1], (26u << 8) | 1u);
    EXPECT_EQ(errorNumber([] { gradientBands(0, 0x80000005); }), common::err::InvalidArgument);
}

TEST(PictureSizeTest, HimetricToPixels) {
    EXPECT_EQ(himetricToPixels(1588), 60);
    EXPECT_EQ(himetricToPixels(344), 13);
    EXPECT_EQ(himetricToPixels(0), 0);
    EXPECT_EQ(himetricToPixels(866960), 32767);
    EXPECT_EQ(errorNumber([] { himetricToPixels(866975); }), common::err::Overflow);
}

} // namespace
} // namespace rz4::skinctl
