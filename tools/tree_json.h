#pragma once

#include "channels/memory_tree.h"

#include <ostream>
#include <string>
#include <string_view>

namespace rz4::tools {

// The text as a JSON string literal, quotes included; control characters are escaped.
std::string jsonString(std::string_view utf8);

// "category", "group" or "channel", from where the node sits.
const char* nodeKind(const channels::MemoryNode& node);

// The tree as a JSON array, one object per node in tree order, one object per line.
void writeTreeJson(const channels::MemoryTree& tree, std::ostream& out);

} // namespace rz4::tools
