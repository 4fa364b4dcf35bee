#pragma once

#include "channels/channel_tree.h"

#include <QIcon>
#include <QPersistentModelIndex>
#include <QString>
#include <QTreeWidget>

#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

namespace rz4::mainwindow {

// The channel tree on a QTreeWidget: nodes found by key, a stream address as each channel's tag,
// pictures from the tree's image list.
class ChannelTreeWidget : public QTreeWidget, public channels::ChannelTree {
    Q_OBJECT
public:
    static constexpr int TagRole = Qt::UserRole;

    // Real lists are three levels deep; a list that nests deeper is refused past this depth.
    static constexpr int MaxDepth = 16;

    explicit ChannelTreeWidget(QWidget* parent = nullptr);

    void clear() override;
    void attachImageList() override;
    channels::ChannelNode* add(std::optional<std::string_view> relativeKey, int relationship,
                               std::optional<std::string_view> key, std::string_view text) override;
    void setItemHeight(int pixels) override;
    void setBackColor(channels::Colour c) override;
    void endOfList() override {}

    // 0 until set: rows as tall as the font asks.
    int itemHeight() const { return m_itemHeight; }
    // The stream address of a channel; empty for categories and groups.
    static QString tagOf(const QTreeWidgetItem* item);
    QIcon imageFor(std::string_view key) const;

private:
    class Node;
    class RowHeight;

    void scrollToLater(QTreeWidgetItem* item);

    std::unordered_map<std::string, QTreeWidgetItem*> m_keys;
    std::map<std::string, QIcon, std::less<>> m_images;
    int m_itemHeight = 0;
    QPersistentModelIndex m_scrollTarget;
    bool m_scrollQueued = false;
};

} // namespace rz4::mainwindow
