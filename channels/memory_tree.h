#pragma once

#include "channels/channel_tree.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rz4::channels {

// A channel-tree node held in memory, for tests and the command-line tools.
class MemoryNode : public ChannelNode {
public:
    MemoryNode(MemoryNode* parent, std::optional<std::string> key, std::string text);

    // Expands every ancestor, as a tree view does to show the node.
    void EnsureVisible() override;
    void setTag(std::string_view tag) override { m_tag = tag; }
    void setForeColor(Colour c) override { m_foreColor = c; }
    void setBackColor(Colour c) override { m_backColor = c; }
    void setImage(std::string_view imageKey) override { m_image = imageKey; }

    MemoryNode* parent() const { return m_parent; }
    const std::vector<std::unique_ptr<MemoryNode>>& children() const { return m_children; }
    const std::optional<std::string>& key() const { return m_key; }
    const std::string& text() const { return m_text; }
    // Unset until setTag is called (category and group nodes never get one).
    const std::optional<std::string>& tag() const { return m_tag; }
    Colour foreColor() const { return m_foreColor; }
    Colour backColor() const { return m_backColor; }
    const std::string& image() const { return m_image; }
    bool expanded() const { return m_expanded; }
    // Shown when every ancestor is expanded.
    bool visible() const;

private:
    friend class MemoryTree;

    MemoryNode* m_parent;
    std::vector<std::unique_ptr<MemoryNode>> m_children;
    std::optional<std::string> m_key;
    std::string m_text;
    std::optional<std::string> m_tag;
    Colour m_foreColor = 0;
    Colour m_backColor = 0;
    std::string m_image;
    bool m_expanded = false;
};

class MemoryTree : public PlainChannelTree {
public:
    MemoryTree() = default;
    ~MemoryTree() override;
    MemoryTree(const MemoryTree&) = delete;
    MemoryTree& operator=(const MemoryTree&) = delete;
    MemoryTree(MemoryTree&&) = default;
    MemoryTree& operator=(MemoryTree&&) = default;
    void clear() override;
    ChannelNode* add(std::optional<std::string_view> relativeKey, int relationship,
                     std::optional<std::string_view> key, std::string_view text) override;
    void endOfList() override {}

    const std::vector<std::unique_ptr<MemoryNode>>& roots() const { return m_roots; }
    const MemoryNode* find(std::string_view key) const;
    // Every node in tree order: depth first, children in the order they were added.
    std::vector<const MemoryNode*> nodes() const;

private:
    std::vector<std::unique_ptr<MemoryNode>> m_roots;
    // Views of the nodes' own keys.
    std::unordered_map<std::string_view, MemoryNode*> m_byKey;
};

} // namespace rz4::channels
