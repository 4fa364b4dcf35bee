#pragma once

#include <cstdint>

namespace rz4::common {

// Conversions as the program's arithmetic does them: to the nearest integer, halves to even,
// raising the overflow error when the result does not fit (NaN counts as not fitting).
std::int16_t toInt16(double v);
std::int32_t toInt32(double v);

// 16-bit signed arithmetic that raises the overflow error instead of wrapping.
std::int16_t add16(int a, int b);
std::int16_t sub16(int a, int b);
std::int16_t mul16(int a, int b);

// Round half to even without range checks, for callers that clamp themselves.
double roundHalfEven(double v);

} // namespace rz4::common
