#pragma once

#include "channels/channel_tree.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace rz4::channels {

inline constexpr Colour NodeForeColor = rgb(255, 255, 255);
inline constexpr Colour NodeBackColor = rgb(54, 54, 86);
inline constexpr int ItemHeight = 19;

enum class NodeKind { Category, Group, Channel };

// What became of one marker of a line.
enum class AddResult {
    Added,
    Refused,   // the tree refused it: the key is taken, or the parent key names no node
    NoParent,  // no category (for a group) or group (for a channel) has been named yet
    EmptyName, // a category or group without a name gets no node
    NotCut,    // "]" as the first character: no group name can be cut from the line
};

struct LineRead {
    int number;               // from 1
    std::string_view text;    // decoded, without its line end
    std::size_t invalidBytes; // bytes that are not code page 936 text, or NUL: shown as U+FFFD
};

struct NodeTried {
    int line;
    NodeKind kind;
    std::string_view name;
    std::string_view parentKey; // empty for categories
    std::string_view address;   // channels only
    AddResult result;
};

// Follows the reader line by line, for tools that explain a list to its author.
class ReadObserver {
public:
    virtual ~ReadObserver() = default;
    virtual void lineRead(const LineRead& line) = 0;
    virtual void nodeTried(const NodeTried& node) = 0;
};

// Fills the tree from a decoded channel-list file (code page 936). Raises a RuntimeError only
// when the file cannot be opened or read; every per-line problem is skipped.
void readtree(const std::string& fileName, ChannelTree& tree);
void readtree(const std::string& fileName, ChannelTree& tree, ReadObserver& observer);

// The same for the file's content already in memory.
void readTreeFromBytes(std::string_view bytes, ChannelTree& tree, ReadObserver* observer = nullptr);

} // namespace rz4::channels
