#pragma once

#include <cstdint>

namespace rz4::common {

// Colours as the program stores them: 0x00BBGGRR. Values with the top bit set name a system
// colour by its index.
using Colour = std::uint32_t;

inline constexpr Colour SystemColourFlag = 0x80000000;

constexpr Colour rgb(int r, int g, int b) {
    return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}

} // namespace rz4::common
