#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rz4::tools {

struct Problem {
    int line; // in the playlist; 0 for the playlist as a whole
    std::string message;
};

enum class GroupBy { GroupTitle, TvgCountry, None };

struct M3uOptions {
    std::string category = "网络电视";
    bool lossy = false;       // "?" for what a name cannot hold, instead of leaving the entry out
    bool encodeQuery = false; // percent-encode "*", "[" and "]" inside an address's query
    GroupBy groupBy = GroupBy::GroupTitle;
    std::size_t maxGroup = 0; // a longer group becomes numbered groups of this size; 0: no limit
};

struct M3uConversion {
    std::string list; // the channel list in code page 936, not yet encoded; empty: no channel
    int entries = 0;  // in the playlist
    int channels = 0; // written
    int leftOut = 0;
    int changed = 0; // written, but not as the playlist has them
    int groups = 0;
    std::vector<Problem> messages;  // by line: everything left out, changed or dropped
    std::vector<std::string> notes; // what the options asked for and got
};

// Channels without a group go to this group; with GroupBy::None every channel goes to the other.
inline constexpr std::string_view UngroupedName = "其他";
inline constexpr std::string_view AllChannelsName = "全部频道";

// Turns an M3U/M3U8 playlist (UTF-8) into a channel list of one category, entry by entry: what the
// list cannot carry is left out and what it carries differently is changed, each with a message
// naming the line, the entry and why. Groups come in first-seen order.
M3uConversion convertM3u(std::string_view playlist, const M3uOptions& options);

} // namespace rz4::tools
