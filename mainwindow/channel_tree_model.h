#pragma once

#include "channels/compact_tree.h"

#include <QAbstractItemModel>
#include <QColor>
#include <QIcon>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace rz4::guide {
class Guide;
}

namespace rz4::mainwindow {

QColor toQColor(channels::Colour c);

// The channel tree as an item model: each index carries its node's number, so Qt keeps nothing
// per node; a view lays out only the rows it shows.
class ChannelTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // The stream address of a channel, a QString; empty for categories and groups.
    static constexpr int TagRole = Qt::UserRole;

    explicit ChannelTreeModel(int maxDepth, QObject* parent = nullptr);

    const channels::CompactTree& tree() const { return m_tree; }
    // Changes to the tree, told to the views. Nodes added show at endOfList.
    void clear();
    channels::ChannelNode* add(std::optional<std::string_view> relativeKey, int relationship,
                               std::optional<std::string_view> key, std::string_view text);
    void endOfList();
    // The pictures of the image list by key; a node whose key is not among them has none. Views
    // are not told: they repaint.
    void setImages(std::map<std::string, QIcon, std::less<>> images);
    // Channels' tooltips say from then on what the guide has on now and next; none without one.
    void setGuide(std::shared_ptr<const guide::Guide> guide);

    QModelIndex indexOf(channels::NodeId node) const;
    static channels::NodeId nodeOf(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    channels::CompactTree m_tree;
    std::map<std::string, QIcon, std::less<>> m_images;
    std::shared_ptr<const guide::Guide> m_guide;
};

} // namespace rz4::mainwindow
