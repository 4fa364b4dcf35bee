#pragma once

#include "channels/channel_tree.h"
#include "channels/mapped_array.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rz4::channels {

using NodeId = std::uint32_t;

// How a node is drawn. A list paints all its nodes alike, so nodes share a handful of these.
struct NodeLook {
    std::optional<Colour> foreColor;
    std::optional<Colour> backColor;
    std::uint16_t image = 0; // CompactTree::imageKey names it

    bool operator==(const NodeLook&) const = default;
};

// A channel tree for lists of a million channels: names and tags in one buffer, nodes in one
// array, children as ranges of an index array, looks shared, keys in one hash. 28 bytes a node
// besides its texts, where a tree of objects takes hundreds.
//
// What was added is read once endOfList has ordered the children; an add after that hides every
// node again until the next endOfList.
class CompactTree : public PlainChannelTree {
public:
    // The invisible node above the top level.
    static constexpr NodeId Root = 0;

    // A node deeper than maxDepth (top level = 1, at most 255) is refused.
    explicit CompactTree(int maxDepth = std::numeric_limits<std::uint8_t>::max());
    ~CompactTree() override;
    // The node handed out by add points back at its tree.
    CompactTree(const CompactTree&) = delete;
    CompactTree& operator=(const CompactTree&) = delete;
    CompactTree(CompactTree&&) = delete;
    CompactTree& operator=(CompactTree&&) = delete;

    void clear() override;
    ChannelNode* add(std::optional<std::string_view> relativeKey, int relationship,
                     std::optional<std::string_view> key, std::string_view text) override;
    void endOfList() override;

    // Whether the nodes can be read: endOfList came after the last add.
    bool readable() const { return m_readable; }
    // Root included.
    std::size_t nodeCount() const { return m_nodes.size(); }
    int childCount(NodeId node) const {
        return m_readable ? static_cast<int>(m_firstChild[node + 1] - m_firstChild[node]) : 0;
    }
    NodeId child(NodeId parent, int row) const {
        return m_childIds[m_firstChild[parent] + static_cast<std::uint32_t>(row)];
    }
    NodeId parent(NodeId node) const { return m_nodes[node].parent; }
    int row(NodeId node) const { return static_cast<int>(m_rows[node]); }
    std::string_view text(NodeId node) const {
        return chars(m_nodes[node].text, m_nodes[node].tag);
    }
    // Channels have a tag, possibly empty; categories and groups none.
    bool hasTag(NodeId node) const { return (m_nodes[node].flags & HasTag) != 0; }
    std::string_view tag(NodeId node) const {
        return chars(m_nodes[node].tag, node + 1 < m_nodes.size()
                                            ? m_nodes[node + 1].text
                                            : static_cast<std::uint32_t>(m_chars.size()));
    }
    const NodeLook& look(NodeId node) const { return m_looks[m_nodes[node].look]; }
    // The key in the image list of a look's picture; empty for none.
    std::string_view imageKey(std::uint16_t image) const { return m_imageKeys[image]; }
    // The next node in tree order (depth first), and Root after the last one.
    NodeId next(NodeId node) const;

    // The nodes EnsureVisible opened, in the order it opened them, and the last node it showed.
    const std::vector<NodeId>& opened() const { return m_opened; }
    std::optional<NodeId> shown() const { return m_shown; }

private:
    class Handle;
    enum Flag : std::uint8_t { HasTag = 1, Opened = 2 };

    // A node's text and then its tag lie in m_chars from its text offset to the next node's:
    // the node handed out is done with before the next is added.
    struct Node {
        NodeId parent;
        std::uint32_t text; // offsets in m_chars
        std::uint32_t tag;
        std::uint16_t look; // index in m_looks
        std::uint8_t flags;
        std::uint8_t depth; // 1 for the top level
    };
    static_assert(sizeof(Node) == 16);

    std::string_view chars(std::uint32_t from, std::uint32_t to) const {
        return {m_chars.data() + from, to - from};
    }
    bool fits(std::string_view s) const;
    void ensureVisible(NodeId node);
    void setTag(NodeId node, std::string_view tag);
    void changeLook(NodeId node, NodeLook look);
    std::uint16_t imageNumber(std::string_view key);
    NodeId parentFor(std::string_view key) const;

    int m_maxDepth;
    MappedArray<Node> m_nodes;
    MappedArray<char> m_chars;
    std::vector<NodeLook> m_looks;
    std::vector<std::string> m_imageKeys;
    // Key texts live in a deque, which never moves what it holds, so the hash can view them.
    std::deque<std::string> m_keyTexts;
    std::unordered_map<std::string_view, NodeId> m_keys;
    // Channel after channel names the same group: the last one found is asked first.
    mutable std::optional<std::pair<std::string_view, NodeId>> m_lastParent;
    // Children ordered by parent: those of node n are m_childIds[m_firstChild[n] ...
    // m_firstChild[n + 1]), each at its row.
    MappedArray<NodeId> m_childIds;
    MappedArray<std::uint32_t> m_firstChild;
    MappedArray<std::uint32_t> m_rows;
    bool m_readable = false;
    std::vector<NodeId> m_opened;
    std::optional<NodeId> m_shown;
    std::unique_ptr<Handle> m_handle;
};

} // namespace rz4::channels
