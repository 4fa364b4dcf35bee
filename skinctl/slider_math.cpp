#include "skinctl/slider_math.h"

#include "common/numeric.h"
#include "common/runtime_error.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace rz4::skinctl {

namespace {

constexpr double HimetricPerPixel = 26.45836;
constexpr float PositionNudge = 0.1F;

} // namespace

float TrackGeometry::trackLength() const {
    return width - static_cast<float>(leftCap) - static_cast<float>(rightCap) -
           static_cast<float>(thumb) + static_cast<float>(biteLeft) + static_cast<float>(biteRight);
}

std::int32_t paintedValue(std::int32_t value, std::int32_t max) {
    if (value <= 0) {
        return 0;
    }
    return value >= max ? max : value;
}

float thumbCentre(const TrackGeometry& g, std::int32_t value, std::int32_t max) {
    const double travelled = max == 0 ? 0.0 : static_cast<double>(g.trackLength()) * value / max;
    return static_cast<float>(travelled + PositionNudge + g.leftCap + g.thumb / 2.0 - g.biteLeft);
}

std::int32_t valueAtPointer(const TrackGeometry& g, float x, std::int32_t max,
                            std::int32_t currentValue) {
    const float track = g.trackLength();
    std::int32_t v = currentValue;
    const double q =
        (static_cast<double>(x) - g.thumb / 2.0 - g.leftCap + g.biteLeft) * max / track;
    if (track != 0 && !std::isnan(q)) {
        constexpr double lowest = std::numeric_limits<std::int32_t>::min();
        constexpr double highest = std::numeric_limits<std::int32_t>::max();
        v = static_cast<std::int32_t>(common::roundHalfEven(std::clamp(q, lowest, highest)));
    }
    if (v > max) {
        v = max;
    }
    return v < 0 ? 0 : v;
}

RgbParts SplitColor(Colour colour) {
    if (colour > 0xFFFFFF) {
        common::raiseInvalidArgument();
    }
    return {static_cast<std::int16_t>(colour & 0xFF),
            static_cast<std::int16_t>((colour >> 8) & 0xFF),
            static_cast<std::int16_t>((colour >> 16) & 0xFF)};
}

std::array<Colour, 11> gradientBands(Colour top, Colour bottom) {
    const RgbParts a = SplitColor(top);
    const RgbParts b = SplitColor(bottom);
    // Steps in single precision, as the bands have always been computed.
    const float dR = static_cast<float>(a.red - b.red) / 10.0F;
    const float dG = static_cast<float>(a.green - b.green) / 10.0F;
    const float dB = static_cast<float>(a.blue - b.blue) / 10.0F;
    std::array<Colour, 11> bands{};
    for (int i = 0; i < static_cast<int>(bands.size()); ++i) {
        const auto channel = [i](std::int16_t from, float step) {
            return static_cast<Colour>(common::toInt16(from - step * static_cast<float>(i)));
        };
        bands[static_cast<std::size_t>(i)] =
            channel(a.red, dR) + 256 * channel(a.green, dG) + 65536 * channel(a.blue, dB);
    }
    return bands;
}

std::int16_t himetricToPixels(std::int32_t himetric) {
    return common::toInt16(std::floor(himetric / HimetricPerPixel + 0.5));
}

} // namespace rz4::skinctl
