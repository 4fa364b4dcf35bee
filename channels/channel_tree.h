#pragma once

#include "common/colour.h"

#include <optional>
#include <string_view>

namespace rz4::channels {

using common::Colour;
using common::rgb;

// Node relationship to the relative node when adding: only "child" is used by the reader.
inline constexpr int RelationshipChild = 4;

// One node of the channel tree as the reader touches it. Strings are UTF-8.
class ChannelNode {
public:
    virtual ~ChannelNode() = default;
    virtual void EnsureVisible() = 0;
    virtual void setTag(std::string_view tag) = 0;
    virtual void setForeColor(Colour c) = 0;
    virtual void setBackColor(Colour c) = 0;
    virtual void setImage(std::string_view imageKey) = 0;
};

// The tree the reader fills: an in-memory one for tests and tools, a compact one in the window.
class ChannelTree {
public:
    virtual ~ChannelTree() = default;
    virtual void clear() = 0;
    // Points the tree at its image list (the two node pictures "jie" and "jia").
    virtual void attachImageList() = 0;
    // Adds a node; without a relative it goes to the top level. Returns nullptr when it cannot be
    // added: the key is already taken, or the relative key names no node. The node returned may
    // be used until the next call on the tree: a compact tree hands out one reusable node.
    virtual ChannelNode* add(std::optional<std::string_view> relativeKey, int relationship,
                             std::optional<std::string_view> key, std::string_view text) = 0;
    virtual void setItemHeight(int pixels) = 0;
    virtual void setBackColor(Colour c) = 0;
    // Every node of the list has been added: a tree on screen shows them from now on.
    virtual void endOfList() = 0;
};

// A tree that draws nothing itself keeps what the reader sets on the whole tree.
class PlainChannelTree : public ChannelTree {
public:
    void attachImageList() override { m_imageListAttached = true; }
    void setItemHeight(int pixels) override { m_itemHeight = pixels; }
    void setBackColor(Colour c) override { m_backColor = c; }

    bool imageListAttached() const { return m_imageListAttached; }
    int itemHeight() const { return m_itemHeight; }
    Colour backColor() const { return m_backColor; }

private:
    bool m_imageListAttached = false;
    int m_itemHeight = 0;
    Colour m_backColor = 0;
};

} // namespace rz4::channels
