#pragma once

#include "channels/channel_tree.h"

#include <string>

namespace rz4::channels {

inline constexpr Colour NodeForeColor = rgb(255, 255, 255);
inline constexpr Colour NodeBackColor = rgb(54, 54, 86);
inline constexpr int ItemHeight = 19;

// Fills the tree from a decoded channel-list file (code page 936). Raises a RuntimeError only
// when the file cannot be opened; every per-line problem is skipped.
void readtree(const std::string& fileName, ChannelTree& tree);

} // namespace rz4::channels
