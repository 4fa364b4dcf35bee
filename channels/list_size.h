#pragma once

#include <cstdint>

namespace rz4::channels {

// The largest channel list the client downloads; a larger one is refused and the window opens
// without channels. At 65 bytes a line (a name and a usual address) that is 250 000 channels.
inline constexpr std::int64_t MaxListBytes = std::int64_t{16} * 1024 * 1024;

} // namespace rz4::channels
