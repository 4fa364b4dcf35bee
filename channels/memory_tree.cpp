#include "channels/memory_tree.h"

#include <algorithm>
#include <iterator>

namespace rz4::channels {

MemoryNode::MemoryNode(MemoryNode* parent, std::optional<std::string> key, std::string text)
    : m_parent(parent), m_key(std::move(key)), m_text(std::move(text)) {}

void MemoryNode::EnsureVisible() {
    // Nodes are only ever expanded, always with all their ancestors: stop at the first one.
    for (MemoryNode* p = m_parent; p != nullptr && !p->m_expanded; p = p->m_parent) {
        p->m_expanded = true;
    }
}

bool MemoryNode::visible() const {
    for (const MemoryNode* p = m_parent; p != nullptr; p = p->m_parent) {
        if (!p->m_expanded) {
            return false;
        }
    }
    return true;
}

MemoryTree::~MemoryTree() {
    clear();
}

void MemoryTree::clear() {
    m_byKey.clear();
    // Taken apart from the top without recursion: groups can nest as deep as the list is long.
    std::vector<std::unique_ptr<MemoryNode>> pending = std::move(m_roots);
    m_roots.clear();
    while (!pending.empty()) {
        const std::unique_ptr<MemoryNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->m_children) {
            pending.push_back(std::move(child));
        }
    }
}

ChannelNode* MemoryTree::add(std::optional<std::string_view> relativeKey, int relationship,
                             std::optional<std::string_view> key, std::string_view text) {
    if (key && m_byKey.contains(*key)) {
        return nullptr;
    }
    MemoryNode* parent = nullptr;
    if (relativeKey) {
        const auto it = m_byKey.find(*relativeKey);
        // Only "child" is ever asked for; the other placements are not needed.
        if (it == m_byKey.end() || relationship != RelationshipChild) {
            return nullptr;
        }
        parent = it->second;
    }
    auto& siblings = parent != nullptr ? parent->m_children : m_roots;
    MemoryNode* node =
        siblings
            .emplace_back(std::make_unique<MemoryNode>(
                parent, key ? std::optional<std::string>(*key) : std::nullopt, std::string(text)))
            .get();
    if (node->m_key) {
        m_byKey.emplace(*node->m_key, node);
    }
    return node;
}

const MemoryNode* MemoryTree::find(std::string_view key) const {
    const auto it = m_byKey.find(key);
    return it == m_byKey.end() ? nullptr : it->second;
}

std::vector<const MemoryNode*> MemoryTree::nodes() const {
    std::vector<const MemoryNode*> order;
    // Depth first with a stack of its own: children are pushed last to first.
    std::vector<const MemoryNode*> pending;
    const auto pointer = [](const auto& node) { return node.get(); };
    std::transform(m_roots.rbegin(), m_roots.rend(), std::back_inserter(pending), pointer);
    while (!pending.empty()) {
        const MemoryNode* node = pending.back();
        pending.pop_back();
        order.push_back(node);
        std::transform(node->children().rbegin(), node->children().rend(),
                       std::back_inserter(pending), pointer);
    }
    return order;
}

} // namespace rz4::channels
