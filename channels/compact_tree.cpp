#include "channels/compact_tree.h"

#include <algorithm>
#include <utility>

namespace rz4::channels {

namespace {

// Offsets into the text buffer are 32 bits: 4 GiB of names, far past any list that downloads.
constexpr std::size_t MaxChars = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t MaxLooks = std::size_t{std::numeric_limits<std::uint16_t>::max()} + 1;
constexpr int MaxStoredDepth = std::numeric_limits<std::uint8_t>::max();

} // namespace

// The one node add hands out, pointed at the node it added last.
class CompactTree::Handle : public ChannelNode {
public:
    explicit Handle(CompactTree& tree) : m_tree(tree) {}
    void point(NodeId node) { m_node = node; }

    void EnsureVisible() override { m_tree.ensureVisible(m_node); }
    void setTag(std::string_view tag) override { m_tree.setTag(m_node, tag); }
    void setForeColor(Colour c) override {
        NodeLook look = m_tree.look(m_node);
        look.foreColor = c;
        m_tree.changeLook(m_node, look);
    }
    void setBackColor(Colour c) override {
        NodeLook look = m_tree.look(m_node);
        look.backColor = c;
        m_tree.changeLook(m_node, look);
    }
    void setImage(std::string_view imageKey) override {
        NodeLook look = m_tree.look(m_node);
        look.image = m_tree.imageNumber(imageKey);
        m_tree.changeLook(m_node, look);
    }

private:
    CompactTree& m_tree;
    NodeId m_node = Root;
};

CompactTree::CompactTree(int maxDepth)
    : m_maxDepth(std::min(maxDepth, MaxStoredDepth)), m_handle(std::make_unique<Handle>(*this)) {
    clear();
}

CompactTree::~CompactTree() = default;

void CompactTree::clear() {
    // Everything goes back at once, not just emptied: a long list's memory is not kept.
    m_nodes.clear();
    m_nodes.push_back(Node{});
    m_chars.clear();
    m_looks = std::vector<NodeLook>(1);
    m_imageKeys = std::vector<std::string>(1);
    m_keys = {};
    m_lastParent.reset();
    m_keyTexts = {};
    m_childIds.clear();
    m_firstChild.clear();
    m_firstChild.resize(2);
    m_rows.clear();
    m_rows.resize(1);
    m_readable = true;
    m_opened = {};
    m_shown.reset();
}

bool CompactTree::fits(std::string_view s) const {
    return s.size() <= MaxChars - m_chars.size();
}

ChannelNode* CompactTree::add(std::optional<std::string_view> relativeKey, int relationship,
                              std::optional<std::string_view> key, std::string_view text) {
    if (key && m_keys.contains(*key)) {
        return nullptr;
    }
    NodeId parent = Root;
    if (relativeKey) {
        // Only "child" is ever asked for; the other placements are not needed.
        parent = relationship == RelationshipChild ? parentFor(*relativeKey) : Root;
        if (parent == Root) {
            return nullptr;
        }
    }
    const int depth = m_nodes[parent].depth + 1;
    if (depth > m_maxDepth || m_nodes.size() > std::numeric_limits<NodeId>::max() || !fits(text)) {
        return nullptr;
    }
    const auto id = static_cast<NodeId>(m_nodes.size());
    const auto at = static_cast<std::uint32_t>(m_chars.size());
    m_chars.append(text.data(), text.size());
    m_nodes.push_back({.parent = parent,
                       .text = at,
                       .tag = static_cast<std::uint32_t>(m_chars.size()),
                       .look = 0,
                       .flags = 0,
                       .depth = static_cast<std::uint8_t>(depth)});
    if (key) {
        m_keys.emplace(m_keyTexts.emplace_back(*key), id);
    }
    m_readable = false;
    m_handle->point(id);
    return m_handle.get();
}

void CompactTree::endOfList() {
    // Counting sort by parent, children in the order they were added.
    const std::size_t count = m_nodes.size();
    m_firstChild.clear();
    m_firstChild.resize(count + 1);
    for (std::size_t i = 1; i < count; ++i) {
        ++m_firstChild[m_nodes[i].parent];
    }
    std::uint32_t first = 0;
    for (std::size_t n = 0; n <= count; ++n) {
        first += std::exchange(m_firstChild[n], first);
    }
    m_childIds.clear();
    m_childIds.resize(count - 1);
    for (std::size_t i = 1; i < count; ++i) {
        m_childIds[m_firstChild[m_nodes[i].parent]++] = static_cast<NodeId>(i);
    }
    // Each start moved on to the next parent's: move them back.
    for (std::size_t n = count; n > 0; --n) {
        m_firstChild[n] = m_firstChild[n - 1];
    }
    m_firstChild[0] = 0;
    m_rows.clear();
    m_rows.resize(count);
    for (std::size_t n = 0; n < count; ++n) {
        for (std::uint32_t at = m_firstChild[n]; at < m_firstChild[n + 1]; ++at) {
            m_rows[m_childIds[at]] = at - m_firstChild[n];
        }
    }
    m_readable = true;
}

NodeId CompactTree::next(NodeId node) const {
    if (childCount(node) > 0) {
        return child(node, 0);
    }
    for (NodeId n = node; n != Root; n = parent(n)) {
        if (row(n) + 1 < childCount(parent(n))) {
            return child(parent(n), row(n) + 1);
        }
    }
    return Root;
}

void CompactTree::ensureVisible(NodeId node) {
    // Nodes are only ever opened, always with all their ancestors: stop at the first open one.
    for (NodeId p = m_nodes[node].parent; p != Root && (m_nodes[p].flags & Opened) == 0;
         p = m_nodes[p].parent) {
        m_nodes[p].flags |= Opened;
        m_opened.push_back(p);
    }
    m_shown = node;
}

void CompactTree::setTag(NodeId node, std::string_view tag) {
    // The node is the last one added: its tag, set before, is what ends the buffer.
    m_chars.resize(m_nodes[node].tag);
    if (fits(tag)) {
        m_chars.append(tag.data(), tag.size());
        m_nodes[node].flags |= HasTag;
    }
}

NodeId CompactTree::parentFor(std::string_view key) const {
    if (m_lastParent && m_lastParent->first == key) {
        return m_lastParent->second;
    }
    const auto it = m_keys.find(key);
    if (it == m_keys.end()) {
        return Root;
    }
    m_lastParent.emplace(it->first, it->second);
    return it->second;
}

// A list uses two colours and two pictures; a caller that paints every node differently keeps
// the first 65,536 looks and pictures, and no more.
void CompactTree::changeLook(NodeId node, NodeLook look) {
    auto it = std::find(m_looks.begin(), m_looks.end(), look);
    if (it == m_looks.end()) {
        if (m_looks.size() == MaxLooks) {
            return;
        }
        it = m_looks.insert(m_looks.end(), look);
    }
    m_nodes[node].look = static_cast<std::uint16_t>(it - m_looks.begin());
}

std::uint16_t CompactTree::imageNumber(std::string_view key) {
    if (key.empty()) {
        return 0;
    }
    auto it = std::find(m_imageKeys.begin(), m_imageKeys.end(), key);
    if (it == m_imageKeys.end()) {
        if (m_imageKeys.size() == MaxLooks) {
            return 0;
        }
        it = m_imageKeys.insert(m_imageKeys.end(), std::string(key));
    }
    return static_cast<std::uint16_t>(it - m_imageKeys.begin());
}

} // namespace rz4::channels
