#pragma once

#include <cstdint>

namespace rz4::channels {

// The largest channel list the client downloads; a larger one is refused and the window opens
// without channels. 16 MiB holds about a million channels of 16-byte addresses.
inline constexpr std::int64_t MaxListBytes = std::int64_t{16} * 1024 * 1024;

} // namespace rz4::channels
