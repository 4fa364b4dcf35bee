#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rz4::tools {

struct Problem {
    int line; // in the playlist
    std::string message;
};

struct M3uConversion {
    std::string list; // the channel list in code page 936, not yet encoded for serving
    int channels = 0;
    int groups = 0;
    std::vector<Problem> errors; // nothing may be written when there is one
    std::vector<Problem> warnings;
};

// Channels that carry no group title go to this group.
inline constexpr std::string_view UngroupedName = "其他";

// Turns an M3U/M3U8 playlist (UTF-8; "#EXTINF" with "group-title", or "#EXTGRP") into a channel
// list: one category, one group per group title in first-seen order. Names that code page 936
// cannot hold are errors, or warnings with "?" in their place when lossy is set.
M3uConversion convertM3u(std::string_view playlist, const std::string& category, bool lossy);

} // namespace rz4::tools
