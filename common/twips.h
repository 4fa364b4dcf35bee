#pragma once

namespace rz4::common {

// The window and the skinned control count 15 twips to a logical pixel.
inline constexpr int TwipsPerPixel = 15;

// The pixel edge nearest to a position in twips, halves away from zero. Callers round both edges
// of a rectangle this way, so that neighbouring pieces stay flush.
int twipsToPixels(double twips);

} // namespace rz4::common
