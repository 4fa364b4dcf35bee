#pragma once

#include "common/colour.h"

#include <array>
#include <cstdint>

namespace rz4::skinctl {

using common::Colour;

// The slider's horizontal geometry in twips, as the thumb placement and the drag both see it.
struct TrackGeometry {
    float width = 0;            // inner width of the control
    std::int16_t leftCap = 0;   // LeftPicWidth
    std::int16_t rightCap = 0;  // RightPicWidth
    std::int16_t thumb = 0;     // CmdWidth, 0 while the thumb is hidden
    std::int16_t biteLeft = 0;  // stored Bite_LP
    std::int16_t biteRight = 0; // stored Bite_RP

    // Distance the thumb centre travels between value 0 and Max.
    float trackLength() const;
};

// The value that is painted: Value limited to 0..Max (with the Max before any correction).
std::int32_t paintedValue(std::int32_t value, std::int32_t max);

// Thumb centre in twips for a painted value; 0.1 twip is added at every position. Max = 0
// places the thumb at the left end of its travel.
float thumbCentre(const TrackGeometry& g, std::int32_t value, std::int32_t max);

// The value under a pointer at x twips while dragging, limited to 0..Max (0 when Max is
// negative). A track of length 0 keeps currentValue; a quotient beyond 32 bits is clamped.
std::int32_t valueAtPointer(const TrackGeometry& g, float x, std::int32_t max,
                            std::int32_t currentValue);

struct RgbParts {
    std::int16_t red = 0;
    std::int16_t green = 0;
    std::int16_t blue = 0;
};

// Splits 0x00BBGGRR into its channels; values above 0xFFFFFF raise the invalid-argument error.
RgbParts SplitColor(Colour colour);

// The eleven band colours of a vertical gradient, top colour first, in tenths towards the bottom
// colour, rounded halves to even. Raises what SplitColor raises.
std::array<Colour, 11> gradientBands(Colour top, Colour bottom);

// Pixels from a HIMETRIC size at 26.45836 HIMETRIC per pixel; overflow error above 32767.
std::int16_t himetricToPixels(std::int32_t himetric);

} // namespace rz4::skinctl
