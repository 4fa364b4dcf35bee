#include "tools/tree_json.h"

#include <cstdio>

namespace rz4::tools {

std::string jsonString(std::string_view utf8) {
    std::string quoted = "\"";
    for (const char c : utf8) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                quoted += escaped;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

const char* nodeKind(const channels::MemoryNode& node) {
    if (!node.key()) {
        return "channel";
    }
    return node.parent() == nullptr ? "category" : "group";
}

void writeTreeJson(const channels::MemoryTree& tree, std::ostream& out) {
    const auto orNull = [](const std::optional<std::string>& s) {
        return s ? jsonString(*s) : std::string("null");
    };
    const auto nodes = tree.nodes();
    out << "[";
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const channels::MemoryNode& node = *nodes[i];
        out << (i == 0 ? "\n" : ",\n") << "{\"kind\":\"" << nodeKind(node)
            << "\",\"key\":" << orNull(node.key()) << ",\"text\":" << jsonString(node.text())
            << ",\"tag\":" << orNull(node.tag())
            << ",\"parent\":" << (node.parent() ? orNull(node.parent()->key()) : "null")
            << ",\"expanded\":" << (node.expanded() ? "true" : "false") << "}";
    }
    out << (nodes.empty() ? "]\n" : "\n]\n");
}

} // namespace rz4::tools
